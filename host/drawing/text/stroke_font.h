// Single-stroke fonts for drawing text with a pen: Hershey fonts in the JHF
// format (Debian's hershey-fonts-data), or a small built-in font when none
// is installed.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/drawing/model/drawing.h"

namespace tvk::host {

// A glyph in units of the cap height, baseline at y = 0; it is drawn with its
// left edge at the pen position and advances the pen by right - left.
struct Glyph {
    double left = 0, right = 0;
    std::vector<std::vector<Vec2>> strokes;

    double advance() const { return right - left; }
};

class StrokeFont {
  public:
    // The font text is drawn with where its style names no other: the JHF
    // file named by $TVK_FONT, else /usr/share/hershey-fonts/futural.jhf
    // (with the Greek, Cyrillic and Japanese sets added), else the built-in font.
    static const StrokeFont& standard();
    // Why the standard font is not the one asked for, or nothing.
    static std::string standard_note();
    // Throws std::runtime_error naming the file when it cannot be read.
    static StrokeFont load_jhf(const std::string& path);
    static StrokeFont builtin();

    // Adds the glyphs of the records of a JHF file, numbered from 0, at the
    // characters `character` gives for them (0 for none); characters the font
    // has keep their glyphs. Throws std::runtime_error naming the file when
    // it cannot be read.
    void add_jhf(const std::string& path, char32_t (*character)(size_t record));

    // The glyph for a character, '?' for characters the font lacks.
    const Glyph& glyph(char32_t c) const;
    // Whether glyph(c) is the character's own (or, for a font without small
    // letters, its capital's).
    bool has(char32_t c) const;
    // Where the glyphs come from: a file path or "built-in".
    const std::string& source() const { return source_; }
    // How far descenders reach below the baseline, in cap heights.
    static constexpr double kDescent = 1.0 / 3;

  private:
    // Degree, diameter and plus-minus signs built from the font's own glyphs.
    void add_composites();
    // Ligatures (Æ, æ, Œ, œ), ø, dashes, typographic quotes and the ellipsis.
    void add_punctuation();

    std::map<char32_t, Glyph> glyphs_;
    std::string source_;
};

}  // namespace tvk::host
