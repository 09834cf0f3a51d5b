// The character sets of HP-GL (CS and CA numbers 0 to 9 and the ISO sets 30
// to 39) and HP-GL/2 (symbol-set numbers: ASCII, Roman-8, Latin-1 and the ISO
// national sets): the character a label byte stands for.
#pragma once

namespace tvk::host::plotfile {

// `hpgl2`: the set number is an HP-GL/2 symbol set; else an HP-GL set.
// Control characters are the caller's; 0 for a byte the set leaves empty.
char32_t set_character(int set, bool hpgl2, unsigned char byte);

}  // namespace tvk::host::plotfile
