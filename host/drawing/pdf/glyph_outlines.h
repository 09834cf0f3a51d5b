// The outlines of a PDF font's glyphs, for text whose characters the PDF
// does not give: the embedded font (TrueType, CFF, Type 1) or the system's
// stand-in for one that is not embedded, loaded by poppler's Splash font
// engine, which knows every kind of PDF font and how its codes reach its
// glyphs. Type 3 glyphs are not here: they are drawings of their own.
#pragma once

#include <memory>
#include <vector>

class GfxState;
class PDFDoc;

namespace tvk::host {

// One closed contour of a glyph, in the user space of the page (points),
// from the glyph's origin: on-curve points, and cubic Bezier curves as two
// control points (`control`) between two on-curve ones.
struct GlyphContour {
    struct Point {
        double x = 0, y = 0;
        bool control = false;
    };
    std::vector<Point> points;
};

class GlyphOutlines {
  public:
    explicit GlyphOutlines(PDFDoc* doc);
    ~GlyphOutlines();
    GlyphOutlines(const GlyphOutlines&) = delete;
    GlyphOutlines& operator=(const GlyphOutlines&) = delete;

    // The outline of the glyph of `code` in the state's font, at the state's
    // text matrix, size and horizontal scaling; false where the font cannot
    // be loaded (a Type 3 font, a damaged one, none to stand in). A glyph
    // without ink (a space) has no contours.
    bool outline(GfxState* state, unsigned code, std::vector<GlyphContour>& contours);

  private:
    class Source;
    std::unique_ptr<Source> source_;
};

}  // namespace tvk::host
