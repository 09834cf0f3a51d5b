// Questions that the configuration dialog and the plot-time questions share.
// Internal to config/.
#pragma once

#include <cstdint>

namespace tvk {

// The user cancelled the prompt just shown.
bool input_cancelled();

// A menu answer from a host that does not check the range it was given is
// taken as the nearest answer in range, so that it never indexes outside a
// table.
int32_t answer_in_range(int32_t answer, int32_t low, int32_t high);

// host_ask_yes_no for one flag bit: the flags with the bit set on yes, cleared
// otherwise.
uint16_t ask_flag(const char* prompt, uint16_t flags, uint16_t bit, bool default_yes);
// The same question as a numbered menu "  YES - 1  NO - 2".
uint16_t ask_flag_numbered(const char* prompt, uint16_t flags, uint16_t bit, bool default_yes);

// Whether the PE command is offered for a language index.
bool pe_offered(int language);

// Prints the coordinate-system menu and asks it; the answer (1 absolute).
int32_t ask_coordinate_system(bool absolute);

}  // namespace tvk
