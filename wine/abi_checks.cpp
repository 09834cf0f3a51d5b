#include "abi_checks.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/le.h"
#include "driver_library.h"

namespace tvk::player {
namespace {

#if defined(_WIN32)
constexpr const char* kPlatform = "windows";
#else
constexpr const char* kPlatform = "native";
#endif
constexpr std::size_t kDescriptionSize = 81;
constexpr std::size_t kRecordSize = 512;

class Checker {
  public:
    explicit Checker(ScriptedHost& host) : host_(host) {}

    void report(const std::string& name, const std::string& fault) {
        host_.transcript.line("check " + name + (fault.empty() ? ": ok" : ": FAILED, " + fault));
        if (!fault.empty()) ++failures_;
    }
    void console(const std::string& name, const std::string& fault) {
        std::fprintf(stderr, "%s player: check %s: %s\n", kPlatform, name.c_str(),
                     fault.empty() ? "ok" : ("FAILED, " + fault).c_str());
        if (!fault.empty()) ++failures_;
    }
    int failures() const { return failures_; }

    std::vector<uint8_t> call(EntryKind kind, std::vector<uint8_t> record) {
        host_.call(kind, record.data());
        return record;
    }

  private:
    ScriptedHost& host_;
    int failures_ = 0;
};

const char* entry_name(EntryKind kind) {
    return kind == EntryKind::kConfig ? "config" : "plot";
}

// A record of the given code whose every other byte is a varied non-zero
// pattern, so that a stray write shows.
std::vector<uint8_t> patterned(int16_t code) {
    std::vector<uint8_t> r(kRecordSize);
    for (std::size_t i = 0; i < r.size(); ++i) r[i] = static_cast<uint8_t>(i * 37 + 11) | 1;
    store_i16(r.data(), code);
    return r;
}

// The offset of the first byte that differs, or -1.
long first_difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return static_cast<long>(i);
    return -1;
}

std::string at(long offset) {
    return "byte " + std::to_string(offset);
}

// Bytes [from, to) of the block must be zero.
std::string zeros(const uint8_t* b, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i)
        if (b[i] != 0) return at(static_cast<long>(i)) + " is not zero";
    return "";
}

// A zero-filled text field.
std::string text_field(const uint8_t* b, std::size_t offset, std::size_t size, const char* text) {
    const std::size_t n = std::strlen(text);
    if (std::memcmp(b + offset, text, n) != 0)
        return "no \"" + std::string(text) + "\" at " + std::to_string(offset);
    return zeros(b, offset + n, offset + size);
}

std::string u16_field(const uint8_t* b, std::size_t offset, uint16_t value) {
    const uint16_t v = load_u16(b + offset);
    if (v == value) return "";
    return "offset " + std::to_string(offset) + " holds " + std::to_string(v) + ", not " +
           std::to_string(value);
}

// Measured by hand first: through a pointer of the wrong convention every
// further call would corrupt the stack. False when the convention is wrong.
bool check_pladi_convention(Checker& c, ScriptedHost& host) {
    int32_t shift = 0;
    const void* block = nullptr;
    if (!measure_pladi_stack(host.table(), shift, block)) return true;
    c.console("PLADI removes its two 32-bit arguments itself (stdcall)",
              shift == 0 ? "" : "the stack moved by " + std::to_string(shift) + " bytes");
    return shift == 0;
}

void check_pladi(Checker& c, ScriptedHost& host) {
    const void* first = host.bind();
    const void* second = host.bind();
    c.report("PLADI returns the same block on every call",
             first != nullptr && first == second ? "" : "the block moved or is missing");
    // Twice in a row through the __stdcall pointer, as a host calls it: with
    // a wrong convention the caller's stack would drift and this local with it.
    volatile uint32_t sentinel = 0x5A5AA5A5u;
    const void* again = pladi()(host.table(), 0);
    const void* again2 = pladi()(host.table(), 0);
    c.console("PLADI twice through the declared pointer",
              again == first && again2 == first && sentinel == 0x5A5AA5A5u
                  ? ""
                  : "stack or result disturbed");
}

void check_block(Checker& c, const uint8_t* b) {
    const auto description_end = static_cast<const uint8_t*>(std::memchr(b, 0, kDescriptionSize));
    const std::size_t n =
        description_end ? static_cast<std::size_t>(description_end - b) : kDescriptionSize;
    c.report("description " + quoted(b, n) + " ends at or before offset 80",
             description_end != nullptr ? "" : "no zero byte up to offset 80");
    std::string fault = zeros(b, n, 410);
    if (fault.empty()) fault = u16_field(b, 418, 4);
    if (fault.empty()) fault = zeros(b, 420, 432);
    if (fault.empty()) fault = u16_field(b, 432, 3);
    if (fault.empty()) fault = text_field(b, 434, 15, "$ACADPLNAME$");
    if (fault.empty()) fault = text_field(b, 449, 32, "Microsoft Windows Win32");
    if (fault.empty()) fault = u16_field(b, 481, 6);
    if (fault.empty()) fault = text_field(b, 483, 21, "R.0.89-1");
    c.report("information block: fixed fields of its 504 bytes", fault);
}

void check_entry_addresses(Checker& c, ScriptedHost& host) {
    const uint8_t* b = host.block();
    const auto config = reinterpret_cast<const void*>(host.entry(EntryKind::kConfig));
    const auto plot = reinterpret_cast<const void*>(host.entry(EntryKind::kPlot));
    std::string fault;
    if (sizeof(void*) > 4) fault = zeros(b, 410, 418);  // the wide addresses stand at 504 and 512
    if (fault.empty() && (!in_driver(config) || !in_driver(plot) || config == plot))
        fault = "the entry addresses do not name two places in the driver";
    c.report("entry addresses at offsets 410 and 414 (504 and 512 where addresses are wider)",
             fault);
}

void check_initialise(Checker& c, ScriptedHost& host) {
    for (const EntryKind kind : {EntryKind::kConfig, EntryKind::kPlot}) {
        auto record = patterned(49);
        store_i16(record.data() + 4, 1);
        record[7] = 2;
        auto expected = record;
        store_i16(expected.data() + 10, 0);
        store_i16(expected.data() + 12, 0);
        std::memcpy(expected.data() + 86, host.block(), kDescriptionSize);
        const long diff = first_difference(expected, c.call(kind, record));
        c.report(std::string("initialise (49) through the ") + entry_name(kind) + " entry",
                 diff < 0 ? "" : at(diff) + " is not as expected");
    }
}

void check_untouched(Checker& c, EntryKind kind, int16_t code, const std::string& what) {
    std::vector<uint8_t> record = patterned(code);
    if (code == 50) std::memcpy(record.data() + 8, "JAPANESE", 8);
    const long diff = first_difference(record, c.call(kind, record));
    c.report(what + " " + std::to_string(code) + " to the " + entry_name(kind) +
                 " entry comes back unchanged",
             diff < 0 ? "" : at(diff) + " changed");
}

// Request 20 is the configuration entry's alone; an invalid model number
// gets status 0, reply length 40 and a zero at offset 6.
void check_entry_order(Checker& c) {
    auto record = patterned(20);
    store_i16(record.data() + 4, 0);
    const auto reply = c.call(EntryKind::kConfig, record);
    const bool config_ok = load_i16(reply.data()) == 0 && load_u16(reply.data() + 2) == 40 &&
                           load_u16(reply.data() + 6) == 0;
    const long plot_diff = first_difference(record, c.call(EntryKind::kPlot, record));
    c.report("the first entry answers model name (20) and the second leaves it unchanged",
             !config_ok       ? "the first entry's reply is wrong"
             : plot_diff >= 0 ? "the second entry changed it"
                              : "");
}

}  // namespace

int run_abi_checks(ScriptedHost& host) {
    Checker c(host);
    host.transcript.line("## checks of the binary interface");
    if (!check_pladi_convention(c, host)) return c.failures();
    check_pladi(c, host);
    check_block(c, host.block());
    check_entry_addresses(c, host);
    check_initialise(c, host);
    for (const EntryKind kind : {EntryKind::kConfig, EntryKind::kPlot}) {
        check_untouched(c, kind, 50, "host language code");
        for (const int16_t code : {0, 1, 51, 100, -1, 32767})
            check_untouched(c, kind, code, "unserved code");
    }
    for (const int16_t code : {3, 30, 48})
        check_untouched(c, EntryKind::kConfig, code, "plot request");
    for (const int16_t code : {10, 22, 44})
        check_untouched(c, EntryKind::kPlot, code, "configuration request");
    check_entry_order(c);
    return c.failures();
}

}  // namespace tvk::player
