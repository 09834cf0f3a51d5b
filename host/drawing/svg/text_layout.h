// SVG text laid out as browsers lay it out, in the user units of its <text>:
// characters follow one another across <tspan>s; each absolute position
// (x or y) begins a new text chunk, and text-anchor moves a whole chunk;
// dx and dy shift, rotate turns single characters; vertical writing stacks
// the characters downwards.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/drawing/geometry/geometry.h"

namespace tvk::host {

struct SvgGlyph {
    char32_t c = 0;
    Vec2 at;             // the glyph's origin on the baseline, user units (y down)
    double scale = 1;    // user units to a cap height
    double rotate = 0;   // degrees, clockwise as seen
    int style = 0;       // the caller's: which span it belongs to
    double squeeze = 1;  // across: narrowed to fit its advance, or a run set upright in one em
    double inset = 0;    // from the origin along the baseline to the glyph, user units
};

// Whether vertical text sets a character upright: the CJK scripts, kana,
// Hangul and full-width forms; others (Latin, digits) lie on their side.
bool upright_in_vertical_text(char32_t c);

// A polyline measured along its length, for text set along a path.
class SvgPathMeasure {
  public:
    explicit SvgPathMeasure(std::vector<Vec2> points);
    double length() const { return total_; }
    // The point at distance s along the path and the path's direction there
    // (radians); nothing beyond its ends.
    std::optional<std::pair<Vec2, double>> at(double s) const;

  private:
    std::vector<Vec2> points_;
    std::vector<double> distance_;  // from the start to each point
    double total_ = 0;
};

// Where one character goes, as the text's attributes say.
struct SvgCharPosition {
    std::optional<double> x, y;
    double dx = 0, dy = 0, rotate = 0;
};

class SvgTextLayout {
  public:
    explicit SvgTextLayout(bool vertical = false) : vertical_(vertical) {}

    // Places a character: `advance` in cap heights, `em` the font size in
    // user units, `anchor` 0 start, 1 middle, 2 end (of the span it is in).
    // In vertical text a `sideways` character is turned a quarter clockwise
    // and advances by its width, as a horizontal run does. A glyph `drawn`
    // wider than its advance (cap heights) is narrowed to it, a narrower one
    // centred in it; `spacing` (cap heights, in the advance) comes after it.
    void place(char32_t c, const SvgCharPosition& p, double advance, double scale, double em,
               int anchor, int style, bool sideways = false, double drawn = 0, double spacing = 0);
    // In vertical text, characters set side by side in one em of the line
    // (text-combine-upright), narrowed where they are wider; `advances` of
    // each in cap heights. Each counts as a character for position lists.
    void place_combined(const std::u32string& text, const std::vector<double>& advances,
                        const SvgCharPosition& p, double scale, double em, int anchor, int style);
    // The glyphs of the chunks finished so far, moved by their anchors; the
    // text's last chunk is finished when `at_end`, its trailing space dropped.
    std::vector<SvgGlyph> take(bool at_end);

    Vec2 pen() const { return pen_; }
    // Moves the pen (a <textPath>: to its start offset along the path),
    // beginning a new chunk.
    void move_to(Vec2 p) {
        finish_chunk();
        pen_ = p;
    }
    // Characters placed so far (the index of the next one in position lists).
    long count() const { return count_; }

  private:
    // A character's own position: a new chunk where it gives x or y.
    void start(const SvgCharPosition& p, int anchor);
    void finish_chunk();

    bool vertical_;
    Vec2 pen_;
    long count_ = 0;
    struct Placed {
        SvgGlyph glyph;
        double advance = 0;  // user units along the line
        Vec2 from;           // the pen before it
    };
    std::vector<Placed> chunk_;
    int chunk_anchor_ = 0;
    std::vector<SvgGlyph> done_;
};

}  // namespace tvk::host
