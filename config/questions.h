// Questions that the configuration dialog and the plot-time questions share.
// Internal to config/.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace tvk {

// The configuration flags of the stored configuration.
bool has_flag(uint16_t bit);
void set_flag(uint16_t bits, bool on);

// The user cancelled the prompt just shown.
bool input_cancelled();

// A menu answer from a host that does not check the range it was given is
// taken as the nearest answer in range, so that it never indexes outside a
// table.
int32_t answer_in_range(int32_t answer, int32_t low, int32_t high);

// host_ask_yes_no for one bit of a word: the word with the bit set on yes,
// cleared otherwise.
uint16_t ask_yes_no_bit(const char* prompt, uint16_t word, uint16_t bit, bool default_yes);
// The same for a configuration flag, offering its current state.
void ask_flag(const char* prompt, uint16_t bit);
// The same as a numbered menu "  YES - 1  NO - 2" (plot time).
void ask_flag_numbered(const char* prompt, uint16_t bit);

// Whether the PE command is offered for a language index.
bool pe_offered(int language);

// Prints a menu of message-table lines (a heading, then its numbered
// choices, the last with a line feed) and asks "Select the number " for one
// of the choices. The answer as the host gave it.
int32_t ask_menu(std::initializer_list<int> keys, int32_t default_answer);

// The coordinate-system menu, offering the current system; 1 is absolute.
int32_t ask_coordinate_system();

}  // namespace tvk
