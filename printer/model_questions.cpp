#include "printer/model_questions.h"

#include <cstdio>

#include "host/commands/driver_host.h"

namespace tvk::printer {
namespace {

constexpr uint16_t kPe = 0x0004;
constexpr uint16_t kPe8Bit = 0x0008;

// The flags the dialog leaves when every question takes the block's answer.
uint16_t configured_flags(const host::GlobalOptions& global, int model_number,
                          const std::string& name, host::Profile asked, uint16_t flags) {
    set_flags(asked.stored, flags);
    std::FILE* nowhere = std::fopen("/dev/null", "w");
    uint16_t result = 0;
    try {
        host::DriverHost host(global, nowhere != nullptr ? nowhere : stderr, false);
        host.models();
        host.session.stored = host::profile_answers(asked);
        result = flags_of(host::configure_quietly(host, {model_number, name}, false).stored);
    } catch (...) {
        if (nowhere != nullptr) std::fclose(nowhere);
        throw;
    }
    if (nowhere != nullptr) std::fclose(nowhere);
    return result;
}

}  // namespace

const std::vector<FlagQuestion>& flag_questions() {
    static const std::vector<FlagQuestion> questions{
        {kPe, "Use the PE command (shorter streams)"},
        {kPe8Bit, "The PE command in 8-bit mode, where the line allows it"},
        {0x0001, "Long plot"},
        {0x0020, "Absolute coordinates (else relative)"},
        {0x0100, "The plotter fills polygons itself"},
    };
    return questions;
}

uint16_t flags_of(const host::StoredBlock& block) {
    return static_cast<uint16_t>(block[kFlagsAt] | block[kFlagsAt + 1] << 8);
}

void set_flags(host::StoredBlock& block, uint16_t flags) {
    block[kFlagsAt] = static_cast<uint8_t>(flags & 0xFF);
    block[kFlagsAt + 1] = static_cast<uint8_t>(flags >> 8);
}

uint16_t asked_flags(const host::GlobalOptions& global, int model_number, const std::string& name,
                     const host::Profile& profile) {
    const uint16_t base = flags_of(profile.stored);
    uint16_t asked = 0;
    for (const FlagQuestion& q : flag_questions()) {
        // The 8-bit question comes only after the PE command is taken.
        const uint16_t with = static_cast<uint16_t>(base | q.bit | (q.bit == kPe8Bit ? kPe : 0));
        const uint16_t without = static_cast<uint16_t>(base & ~q.bit);
        host::Profile p = profile;
        if (q.bit == 0x0100) p.pen_options |= 0x0100;
        const bool set = (configured_flags(global, model_number, name, p, with) & q.bit) != 0;
        p.pen_options &= static_cast<uint16_t>(~0x0100);
        const bool clear = (configured_flags(global, model_number, name, p, without) & q.bit) == 0;
        if (set && clear) asked |= q.bit;
    }
    return asked;
}

}  // namespace tvk::printer
