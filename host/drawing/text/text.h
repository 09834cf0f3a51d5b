// TEXT and MTEXT laid out with a stroke font into pen strokes.
#pragma once

#include <string>
#include <vector>

#include "host/drawing/model/entities.h"
#include "host/drawing/text/stroke_font.h"

namespace tvk::host {

// DXF text as characters: UTF-8 (or, failing that, the single-byte Windows
// code page), with the \U+XXXX escapes and the %% control codes resolved.
std::u32string decode_text(const std::string& raw);

// MTEXT contents as lines: paragraph and column breaks (\P, \N) split them,
// formatting codes (fonts, heights, colours, stacking, braces) are dropped.
std::vector<std::u32string> mtext_lines(const std::string& raw);

// The width of a line in cap heights.
double text_width(const std::u32string& text, const StrokeFont& font);

// The strokes of a TEXT (or ATTRIB) in its object coordinates, then mapped by `ocs`.
Shape text_shape(const TextEntity& t, const Affine& ocs, const StrokeFont& font);

// How MTEXT is set in columns: \N in the text begins the next one, and so
// does a line that would reach below the column height.
struct MTextColumns {
    enum Type { kNone, kStatic, kDynamic } type = kNone;
    double width = 0, gutter = 0;
    double height = 0;  // of each column; 0 for no limit
};

struct MTextEntity {
    std::string text;  // with its formatting codes
    Vec2 insert;
    Vec2 direction{1, 0};
    double height = 1;
    double width = 0;  // the reference width that lines wrap at, 0 for none
    double line_spacing = 1;
    int attachment = 1;  // 1 top left ... 9 bottom right
    MTextColumns columns;
    double width_factor = 1, oblique = 0;  // of its style; oblique in radians
};
Shape mtext_shape(const MTextEntity& t, const StrokeFont& font);

// ---- shared by TEXT and MTEXT ----------------------------------------------------------
// Where decoded text switches underlining (%%u) and overlining (%%o) on or off;
// they take no room.
inline constexpr char32_t kUnderlineSwitch = U'\uE000';
inline constexpr char32_t kOverlineSwitch = U'\uE001';
// How far below the baseline underlines run, and above it overlines, in cap heights.
inline constexpr double kUnderline = -0.2, kOverline = 1.2;
// The characters of strict UTF-8 bytes; false when the bytes are not UTF-8.
bool from_utf8(const std::string& raw, std::u32string& out);
// The characters of DXF text bytes: UTF-8, or else Latin-1.
std::u32string to_characters(const std::string& raw);
// Appends s[i] to `out`, resolving the escapes that TEXT and MTEXT share (\U+XXXX
// and the %% codes), and moves i past it.
void take_character(const std::u32string& s, size_t& i, std::u32string& out);
// The strokes of `text` set along x from the origin in cap heights, mapped by
// m, with the lines its switches ask for.
void add_strokes(const std::u32string& text, const StrokeFont& font, const Affine& m, Shape& out);

}  // namespace tvk::host
