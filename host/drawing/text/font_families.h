// Text styles to stroke fonts: the font file a style names (an SHX font, a
// TrueType file or family) goes to the Hershey family of the same lineage,
// or the nearest one; every family also draws Greek, Cyrillic and Japanese.
#pragma once

#include <string>

#include "host/drawing/text/stroke_font.h"

namespace tvk::host {

// The family for a style's font file, e.g. "romand.shx" -> "duplex",
// "Times New Roman" -> "complex"; "simplex" for anything unknown.
std::string font_family(const std::string& font_file);

// The font of a family, loaded once; the standard font where the family's
// files are not installed.
const StrokeFont& family_font(const std::string& family);

// Adds the Greek, Cyrillic and Japanese sets of Debian's hershey-fonts-data
// (in the serif Greek, for `serif`, else the sans-serif one) to a font for
// the characters it lacks; what is not installed is left out.
void add_scripts(StrokeFont& font, bool serif);

}  // namespace tvk::host
