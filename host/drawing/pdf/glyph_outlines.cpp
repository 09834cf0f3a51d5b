#include "host/drawing/pdf/glyph_outlines.h"

#include <GfxFont.h>
#include <GfxState.h>
#include <PDFDoc.h>
#include <SplashOutputDev.h>
#include <splash/Splash.h>
#include <splash/SplashFont.h>
#include <splash/SplashPath.h>

#include <cmath>

namespace tvk::host {
namespace {

// The glyphs are loaded at this many pixels to the em: the outline's
// coordinates are FreeType's 1/64 pixel, so 1/12800 of the em.
constexpr double kPixelsPerEm = 200;
// The paper of a page never drawn on.
SplashColor white = {0xFF, 0xFF, 0xFF, 0xFF};

}  // namespace

// Splash's output device as a loader of fonts only: it draws nothing (its
// page is a single pixel), but its font update finds, loads and scales the
// state's font as Splash would to draw it.
class GlyphOutlines::Source final : public SplashOutputDev {
  public:
    explicit Source(PDFDoc* pdf) : SplashOutputDev(splashModeMono1, 1, false, white) {
        startDoc(pdf);
        const PDFRectangle box(0, 0, 1, 1);
        GfxState pixel(72, 72, &box, 0, true);
        startPage(1, &pixel, pdf->getXRef());
    }

    SplashFont* font_for(GfxState* state) {
        const double* tm = state->getTextMat();
        const double size = state->getFontSize();
        const double em = std::hypot(tm[2] * size, tm[3] * size);
        if (!(em > 0) || !std::isfinite(em)) return nullptr;
        // Only the scale matters: the path comes back in user space.
        const double s = kPixelsPerEm / em;
        SplashCoord m[6] = {s, 0, 0, -s, 0, 0};
        getSplash()->setMatrix(m);
        doUpdateFont(state);
        return getCurrentFont();
    }
};

GlyphOutlines::GlyphOutlines(PDFDoc* doc) : source_(std::make_unique<Source>(doc)) {}

GlyphOutlines::~GlyphOutlines() = default;

bool GlyphOutlines::outline(GfxState* state, unsigned code, std::vector<GlyphContour>& contours) {
    contours.clear();
    const std::shared_ptr<GfxFont> font = state->getFont();
    if (font == nullptr || font->getType() == fontType3) return false;
    SplashFont* splash_font = source_->font_for(state);
    if (splash_font == nullptr) return false;
    const std::unique_ptr<SplashPath> path(splash_font->getGlyphPath(static_cast<int>(code)));
    if (path == nullptr) return true;  // no outline: nothing to draw
    for (int i = 0; i < path->getLength(); ++i) {
        double x = 0, y = 0;
        unsigned char flags = 0;
        path->getPoint(i, &x, &y, &flags);
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        if ((flags & splashPathFirst) != 0 || contours.empty()) contours.emplace_back();
        contours.back().points.push_back({x, y, (flags & splashPathCurve) != 0});
    }
    return true;
}

}  // namespace tvk::host
