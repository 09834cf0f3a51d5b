#include "config/questions.h"

#include "deffile/deffile.h"
#include "driver/globals.h"
#include "driver/host_services.h"

namespace tvk {

bool input_cancelled() {
    return host_input_cancelled() == 1;
}

int32_t answer_in_range(int32_t answer, int32_t low, int32_t high) {
    if (answer < low) return low;
    if (answer > high) return high;
    return answer;
}

namespace {
uint16_t with_bit(uint16_t flags, uint16_t bit, bool on) {
    return on ? static_cast<uint16_t>(flags | bit) : static_cast<uint16_t>(flags & ~bit);
}
}  // namespace

uint16_t ask_flag(const char* prompt, uint16_t flags, uint16_t bit, bool default_yes) {
    return with_bit(flags, bit, host_ask_yes_no(prompt, default_yes ? 1 : 0) == 1);
}

uint16_t ask_flag_numbered(const char* prompt, uint16_t flags, uint16_t bit, bool default_yes) {
    host_printf("%s%s\n", prompt, "?");
    int32_t answer = default_yes ? 1 : 2;
    host_ask_choice("  YES - 1  NO - 2", 1, 2, &answer);
    return with_bit(flags, bit, answer == 1);
}

bool pe_offered(int language) {
    if (language == kTkGl3) return true;
    return (language == kTkGl1 || language == kTkGl2) && (spec.language_flags & (1u << kPeCmd));
}

int32_t ask_coordinate_system(bool absolute) {
    host_printf("\n%s", message(38));
    host_printf("\n%s", message(39));
    host_printf("\n%s\n", message(40));
    int32_t answer = absolute ? 1 : 2;
    host_ask_choice(message(10), 1, 2, &answer);
    return answer;
}

}  // namespace tvk
