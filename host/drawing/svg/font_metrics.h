// How wide browsers set characters. Text is drawn in a stroke font, whose
// letters are wider than those of the fonts a browser draws with; laid out
// with the advances of those fonts, a plotted line takes the room it takes on
// screen, so that anchored text ends where it should and labels fit their
// boxes.
#pragma once

#include <optional>
#include <string>

namespace tvk::host {

// The common font that stands for a family: Times (serif, browsers' default),
// Helvetica or Arial (sans-serif) and Courier (monospace).
enum class FontClass { kSerif, kSans, kMono };

// The class of a CSS font-family list: its first family known as one of
// them; serif where none is.
FontClass font_class(const std::string& families);

// The advance of a character in ems in that font; nothing for characters
// beyond ASCII, which keep the stroke font's own.
std::optional<double> browser_advance(char32_t c, FontClass font);

}  // namespace tvk::host
