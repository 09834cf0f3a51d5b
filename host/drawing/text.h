// TEXT and MTEXT laid out with a stroke font into pen strokes.
#pragma once

#include <string>
#include <vector>

#include "host/drawing/entities.h"
#include "host/drawing/stroke_font.h"

namespace tvk::host {

// DXF text as characters: UTF-8 (or, failing that, the single-byte Windows
// code page), with the \U+XXXX escapes and the %% control codes resolved.
std::u32string decode_text(const std::string& raw);

// MTEXT contents as lines: paragraph breaks (\P) split them, formatting codes
// (fonts, heights, colours, stacking, braces) are dropped.
std::vector<std::u32string> mtext_lines(const std::string& raw);

// The width of a line in cap heights.
double text_width(const std::u32string& text, const StrokeFont& font);

struct TextEntity {
    std::string text;
    Vec2 insert, align;
    double height = 1, width_factor = 1;
    double rotation = 0, oblique = 0;  // radians
    int hjust = 0, vjust = 0;          // groups 72 and 73
    bool backward = false, upside_down = false;
};
// The strokes of a TEXT (or ATTRIB) in its object coordinates, then mapped by `ocs`.
Shape text_shape(const TextEntity& t, const Affine& ocs, const StrokeFont& font);

struct MTextEntity {
    std::string text;  // with its formatting codes
    Vec2 insert;
    Vec2 direction{1, 0};
    double height = 1;
    double width = 0;  // the reference width that lines wrap at, 0 for none
    double line_spacing = 1;
    int attachment = 1;  // 1 top left ... 9 bottom right
};
Shape mtext_shape(const MTextEntity& t, const StrokeFont& font);

}  // namespace tvk::host
