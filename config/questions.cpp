#include "config/questions.h"

#include "deffile/deffile.h"
#include "driver/globals.h"
#include "driver/host_services.h"

namespace tvk {
namespace {

uint16_t with_bit(uint16_t word, uint16_t bit, bool on) {
    return on ? static_cast<uint16_t>(word | bit) : static_cast<uint16_t>(word & ~bit);
}

}  // namespace

bool has_flag(uint16_t bit) {
    return (stored_config.flags & bit) != 0;
}

void set_flag(uint16_t bits, bool on) {
    stored_config.flags = with_bit(stored_config.flags, bits, on);
}

bool input_cancelled() {
    return host_input_cancelled() == 1;
}

int32_t answer_in_range(int32_t answer, int32_t low, int32_t high) {
    if (answer < low) return low;
    if (answer > high) return high;
    return answer;
}

uint16_t ask_yes_no_bit(const char* prompt, uint16_t word, uint16_t bit, bool default_yes) {
    return with_bit(word, bit, host_ask_yes_no(prompt, default_yes ? 1 : 0) == 1);
}

void ask_flag(const char* prompt, uint16_t bit) {
    stored_config.flags = ask_yes_no_bit(prompt, stored_config.flags, bit, has_flag(bit));
}

void ask_flag_numbered(const char* prompt, uint16_t bit) {
    host_printf("%s%s\n", prompt, "?");
    int32_t answer = has_flag(bit) ? 1 : 2;
    host_ask_choice("  YES - 1  NO - 2", 1, 2, &answer);
    set_flag(bit, answer == 1);
}

bool pe_offered(int language) {
    if (language == kTkGl3) return true;
    return (language == kTkGl1 || language == kTkGl2) && (spec.language_flags & (1u << kPeCmd));
}

int32_t ask_menu(std::initializer_list<int> keys, int32_t default_answer) {
    std::size_t shown = 0;
    for (int key : keys) host_printf(++shown == keys.size() ? "\n%s\n" : "\n%s", message(key));
    int32_t answer = default_answer;
    host_ask_choice(message(10), 1, static_cast<int32_t>(keys.size()) - 1, &answer);
    return answer;
}

int32_t ask_coordinate_system() {
    return ask_menu({38, 39, 40}, has_flag(kFlagAbsolute) ? 1 : 2);
}

}  // namespace tvk
