#include "scripted_host.h"

#include <cstring>
#include <stdexcept>
#include <utility>

#include "driver/le.h"

namespace tvk::player {
namespace {

ScriptedHost* g_host = nullptr;

std::string num(int32_t v) {
    return std::to_string(v);
}

}  // namespace

struct Services {
    static ScriptedHost& h() { return *g_host; }
    static void log(const std::string& text) { h().transcript.line("  " + text); }

    static Answer next_answer() {
        Answer a;
        auto& answers = h().script.answers;
        if (!answers.empty()) {
            a = answers.front();
            answers.pop_front();
        }
        h().last_answer_ = a;
        return a;
    }

    static int32_t input_cancelled() {
        const int32_t r = h().last_answer_.cancel ? 1 : 0;
        log("input_cancelled -> " + num(r));
        return r;
    }
    static int32_t input_skipped() {
        const int32_t r = h().last_answer_.skip ? 1 : 0;
        log("input_skipped -> " + num(r));
        return r;
    }
    static int32_t check_break() {
        auto& s = h().script;
        const int32_t r = ++s.break_checks == s.break_at ? 1 : 0;
        log("check_break -> " + num(r));
        return r;
    }
    static int32_t ask_port(const char* text, int32_t current, int32_t extra) {
        const Answer a = next_answer();
        const int32_t r = a.value.value_or(current);
        log("ask_port " + quoted(text) + " " + num(current) + " " + num(extra) + " -> " + num(r));
        return r;
    }
    static int32_t ask_number(const char* prompt, int32_t* value, int32_t max) {
        const std::string offered = num(*value);
        const Answer a = next_answer();
        if (a.value) *value = *a.value;
        log("ask_number " + quoted(prompt) + " " + offered + " " + num(max) + " -> " + num(*value));
        return 0;
    }
    static int32_t ask_choice(const char* prompt, int32_t low, int32_t high, int32_t* value) {
        const std::string offered = num(*value);
        const Answer a = next_answer();
        if (a.value) *value = *a.value;
        log("ask_choice " + quoted(prompt) + " " + num(low) + " " + num(high) + " " + offered +
            " -> " + num(*value));
        return 0;
    }
    static int32_t ask_yes_no(const char* prompt, int32_t default_yes) {
        const Answer a = next_answer();
        const int32_t r = a.value.value_or(default_yes);
        log("ask_yes_no " + quoted(prompt) + " " + num(default_yes) + " -> " + num(r));
        return r;
    }
    static int32_t print(const char* text) {
        log("print " + quoted(text));
        return 0;
    }
    static int32_t send_direct(const char* text) {
        log("send_direct " + quoted(text));
        return 0;
    }
    static int32_t write_port(int32_t a, int32_t b, const void* bytes, int32_t count, int32_t c) {
        auto& s = h().script;
        const int32_t r = ++s.write_calls == s.refuse_write_at ? 0 : 1;
        const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
        log("write_port " + num(a) + " " + num(b) + " " + num(count) + " " + num(c) + " " +
            quoted(bytes, n) + " -> " + num(r));
        return r;
    }
    static int32_t load_config(int32_t length, void* block) {
        const auto& stored = h().script.stored;
        if (!stored || length != 24) {
            log("load_config " + num(length) + " -> 1");
            return 1;
        }
        std::memcpy(block, stored->data(), 24);
        log("load_config " + num(length) + " -> 0 " + hex(stored->data(), 24));
        return 0;
    }
    static int32_t save_config(int32_t length, const void* block) {
        auto& s = h().script;
        std::array<uint8_t, 24> copy{};
        const std::size_t n = length > 0 && length < 24 ? static_cast<std::size_t>(length) : 24;
        std::memcpy(copy.data(), block, n);
        log("save_config " + num(length) + " " + hex(copy.data(), n) + " -> " + num(s.save_result));
        if (s.save_result == 0) s.stored = copy;  // the host keeps what it accepted
        return s.save_result;
    }
    static int32_t set_wait(int32_t wait, int32_t flag) {
        log("set_wait " + num(wait) + " " + num(flag) + " -> " + num(h().script.wait_result));
        return h().script.wait_result;
    }
    static int32_t reply_open(int32_t kind) {
        log("reply_open " + num(kind) + " -> 2");
        return 2;
    }
    // The third integer is an address; the transcript only says whether it is
    // the buffer that host_reply_read is given afterwards.
    static int32_t reply_setup(int32_t handle, int32_t kind, int32_t* three) {
        h().reply_buffer_low_ = three[2];
        log("reply_setup " + num(handle) + " " + num(kind) + " " + num(three[0]) + " " +
            num(three[1]) + " <address>");
        return 0;
    }
    static int32_t reply_read(int32_t handle, char* buffer, int32_t length) {
        const auto low =
            static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<std::uintptr_t>(buffer)));
        const std::string& reply = h().script.reply;
        const std::size_t room = length > 0 ? static_cast<std::size_t>(length) : 0;
        const std::size_t n = reply.size() < room ? reply.size() : room;
        std::memcpy(buffer, reply.data(), n);
        log("reply_read " + num(handle) + " " + num(length) +
            (low == h().reply_buffer_low_ ? " <the set-up buffer> " : " <another buffer> ") +
            quoted(reply.data(), n));
        return 0;
    }

    template <int Slot>
    static int32_t unused_slot() {
        log("unexpected call of slot " + num(Slot));
        ++h().faults_;
        return 0;
    }
};

namespace {

using AnySlot = const void*;

template <std::size_t... Slots>
std::array<AnySlot, sizeof...(Slots)> unused_slots(std::index_sequence<Slots...>) {
    return {reinterpret_cast<AnySlot>(&Services::unused_slot<static_cast<int>(Slots)>)...};
}

}  // namespace

ScriptedHost::ScriptedHost(Transcript& t) : transcript(t) {
    if (g_host != nullptr) throw std::logic_error("one host at a time");
    g_host = this;
    table_ = unused_slots(std::make_index_sequence<67>{});
    auto put = [this](int slot, auto fn) {
        table_[static_cast<std::size_t>(slot)] = reinterpret_cast<AnySlot>(fn);
    };
    put(0, &Services::input_cancelled);
    put(19, &Services::ask_port);
    put(24, &Services::ask_number);
    put(25, &Services::ask_choice);
    put(28, &Services::print);
    put(31, &Services::input_skipped);
    put(35, &Services::send_direct);
    put(38, &Services::check_break);
    put(39, &Services::ask_yes_no);
    put(40, &Services::write_port);
    put(44, &Services::load_config);
    put(45, &Services::save_config);
    put(48, &Services::set_wait);
    put(53, &Services::reply_read);
    put(63, &Services::reply_setup);
    put(66, &Services::reply_open);
}

ScriptedHost::~ScriptedHost() {
    g_host = nullptr;
}

const uint8_t* ScriptedHost::bind() {
    block_ = static_cast<const uint8_t*>(pladi()(table_.data(), 0));
    return block_;
}

Entry ScriptedHost::entry(EntryKind kind) const {
    const bool config = kind == EntryKind::kConfig;
    std::uintptr_t address;
    if constexpr (sizeof(void*) > 4) {
        address = static_cast<std::uintptr_t>(load_u64(block_ + (config ? 504 : 512)));
    } else {
        address = load_u32(block_ + (config ? 410 : 414));
    }
    return reinterpret_cast<Entry>(address);
}

void ScriptedHost::call(EntryKind kind, uint8_t* record) const {
    entry(kind)(record);
}

}  // namespace tvk::player
