#include "host/drawing/pdf/pdf_reader.h"

#include <GfxFont.h>
#include <GfxState.h>
#include <GlobalParams.h>
#include <OutputDev.h>
#include <PDFDoc.h>
#include <Stream.h>

#include <cmath>
#include <deque>
#include <memory>
#include <mutex>
#include <set>

#include "host/drawing/model/entities.h"
#include "host/drawing/pdf/glyph_outlines.h"
#include "host/drawing/svg/svg_builder.h"
#include "host/drawing/text/stroke_font.h"
#include "host/drawing/text/text.h"

namespace tvk::host {
namespace {

constexpr double kMmPerPoint = 25.4 / 72;
// Beyond this many path points a page is refused: a PDF's paths are all
// held as entities before the plot is planned.
constexpr size_t kMaxPoints = 20'000'000;
// The height of capitals in the stroke font, as a share of the font size.
constexpr double kCapHeight = 0.7;

// poppler keeps its settings in one global object, made once; its messages
// about damaged files are not the user's business, the reader's are.
void set_up_poppler() {
    static std::once_flag once;
    std::call_once(once, [] {
        globalParams = std::make_unique<GlobalParams>();
        setErrorCallback([](ErrorCategory, Goffset, const char*) {});
    });
}

std::unique_ptr<PDFDoc> open_pdf(const std::string& contents, const std::string& name) {
    set_up_poppler();
    auto doc = std::make_unique<PDFDoc>(
        new MemStream(contents.data(), 0, static_cast<Goffset>(contents.size()), Object(objNull)));
    if (!doc->isOk()) {
        const int code = doc->getErrorCode();
        throw DrawingError(name + ": " +
                           (code == errEncrypted
                                ? "an encrypted PDF: it needs a password"
                                : "not a PDF that can be read (damaged or truncated)"));
    }
    return doc;
}

uint32_t rgb_of(const GfxRGB& c) {
    const auto byte = [](GfxColorComp v) {
        return static_cast<uint32_t>(std::lround(std::clamp(colToDbl(v), 0.0, 1.0) * 255));
    };
    return (byte(c.r) << 16) | (byte(c.g) << 8) | byte(c.b);
}

constexpr uint32_t kWhite = 0xFFFFFF;

class PdfDevice final : public OutputDev {
  public:
    PdfDevice(SvgBuilder& builder, PDFDoc* doc) : builder_(builder), doc_(doc) {
        clip_stack_.emplace_back();
    }

    bool upsideDown() override { return false; }
    bool useDrawChar() override { return true; }
    bool useShadedFills(int) override { return true; }
    bool over_limit() const { return points_ > kMaxPoints; }

    void saveState(GfxState*) override { clip_stack_.push_back(clip_stack_.back()); }
    void restoreState(GfxState*) override {
        if (clip_stack_.size() > 1) clip_stack_.pop_back();
    }

    void stroke(GfxState* state) override {
        GfxRGB rgb;
        state->getStrokeRGB(&rgb);
        SvgDraw draw = drawn(state);
        draw.stroke = rgb_of(rgb);
        if (*draw.stroke == kWhite) return;  // white on white paper draws nothing
        draw.width = state->getTransformedLineWidth() * kMmPerPoint;
        builder_.add(traces_of(state, false), draw);
    }
    void fill(GfxState* state) override { fill_path(state, false); }
    void eoFill(GfxState* state) override { fill_path(state, true); }

    void clip(GfxState* state) override { add_clip(state, false); }
    void eoClip(GfxState* state) override { add_clip(state, true); }

    void drawChar(GfxState* state, double x, double y, double /*dx*/, double /*dy*/, double originX,
                  double originY, CharCode code, int /*nBytes*/, const Unicode* u,
                  int uLen) override {
        if (invisible(state) || over_limit()) return;
        const std::shared_ptr<GfxFont> font = state->getFont();
        if (gives_characters(font.get(), code, uLen)) {
            // The glyph's frame on the page: its origin, and the font size along
            // the baseline and up from it, through the text matrix and the CTM.
            const double size = state->getFontSize() * kCapHeight;
            const double* tm = state->getTextMat();
            const double h = state->getHorizScaling();
            const auto delta = [&](double gx, double gy) {
                double px = 0, py = 0;
                state->transformDelta(tm[0] * gx * h + tm[2] * gy, tm[1] * gx * h + tm[3] * gy, &px,
                                      &py);
                return Vec2{px * kMmPerPoint, py * kMmPerPoint};
            };
            stroke_text(state, font.get(), u, uLen, page(state, {x, y}), delta(size, 0),
                        delta(0, size));
            return;
        }
        // No characters: the glyph's own outline, from its font.
        std::vector<GlyphContour> contours;
        if (!glyphs().outline(state, code, contours)) {
            if (uLen > 0) {
                // No outline either: the characters poppler made up are all there is.
                const double size = state->getFontSize() * kCapHeight;
                const double* tm = state->getTextMat();
                double ax = 0, ay = 0, ux = 0, uy = 0;
                state->transformDelta(tm[0] * size, tm[1] * size, &ax, &ay);
                state->transformDelta(tm[2] * size, tm[3] * size, &ux, &uy);
                stroke_text(state, font.get(), u, uLen, page(state, {x, y}),
                            {ax * kMmPerPoint, ay * kMmPerPoint},
                            {ux * kMmPerPoint, uy * kMmPerPoint});
            } else {
                builder_.add_unsupported("GLYPH", "0");
            }
            return;
        }
        outline_fonts_.insert(font_name(font.get()));
        std::vector<Trace> traces;
        const double ox = x - originX, oy = y - originY;
        for (const GlyphContour& c : contours) {
            traces.push_back(contour_trace(state, c, ox, oy));
            points_ += c.points.size();
        }
        if (!traces.empty()) paint_glyph(state, traces);
    }

    // Type 3 glyphs are drawings: where their characters are known they are
    // drawn in the stroke font as any text; elsewhere poppler runs the
    // glyph's own drawing through this device.
    bool interpretType3Chars() override { return true; }
    bool beginType3Char(GfxState* state, double /*x*/, double /*y*/, double /*dx*/, double /*dy*/,
                        CharCode code, const Unicode* u, int uLen) override {
        if (invisible(state) || over_limit()) return true;
        const std::shared_ptr<GfxFont> font = state->getFont();
        if (!gives_characters(font.get(), code, uLen)) {
            outline_fonts_.insert(font_name(font.get()));
            return false;
        }
        // The CTM is the glyph space's here: a vector of the text space (one
        // unit the font size) goes back through the font matrix.
        const double* fm = font->getFontMatrix();
        const double det = fm[0] * fm[3] - fm[1] * fm[2];
        if (!(std::abs(det) > 0)) return true;
        const auto delta = [&](double vx, double vy) {
            const double gx = (fm[3] * vx - fm[2] * vy) / det;
            const double gy = (fm[0] * vy - fm[1] * vx) / det;
            double px = 0, py = 0;
            state->transformDelta(gx, gy, &px, &py);
            return Vec2{px * kMmPerPoint, py * kMmPerPoint};
        };
        stroke_text(state, font.get(), u, uLen, page(state, {0, 0}), delta(kCapHeight, 0),
                    delta(0, kCapHeight));
        return true;
    }
    void endType3Char(GfxState*) override {}

    const std::set<std::string>& outline_fonts() const { return outline_fonts_; }

    void drawImageMask(GfxState*, Object*, Stream*, int, int, bool, bool, bool) override {
        builder_.add_unsupported("IMAGE", "0");
    }
    void drawImage(GfxState*, Object*, Stream*, int, int, GfxImageColorMap*, bool, const int*,
                   bool) override {
        builder_.add_unsupported("IMAGE", "0");
    }
    void drawMaskedImage(GfxState*, Object*, Stream*, int, int, GfxImageColorMap*, bool, Stream*,
                         int, int, bool, bool) override {
        builder_.add_unsupported("IMAGE", "0");
    }
    void drawSoftMaskedImage(GfxState*, Object*, Stream*, int, int, GfxImageColorMap*, bool,
                             Stream*, int, int, GfxImageColorMap*, bool) override {
        builder_.add_unsupported("IMAGE", "0");
    }
    bool functionShadedFill(GfxState*, GfxFunctionShading*) override { return shading(); }
    bool axialShadedFill(GfxState*, GfxAxialShading*, double, double) override { return shading(); }
    bool radialShadedFill(GfxState*, GfxRadialShading*, double, double) override {
        return shading();
    }
    bool gouraudTriangleShadedFill(GfxState*, GfxGouraudTriangleShading*) override {
        return shading();
    }
    bool patchMeshShadedFill(GfxState*, GfxPatchMeshShading*) override { return shading(); }

  private:
    // Text that draws nothing: invisible (the words over a scanned page) or
    // only adding to the clip.
    static bool invisible(GfxState* state) { return (state->getRender() & 3) == 3; }

    static std::string font_name(const GfxFont* font) {
        if (font != nullptr && font->getFamily() != nullptr) return font->getFamily()->toStr();
        if (font != nullptr && font->getName()) return *font->getName();
        return "PDF font";
    }

    // Whether the PDF says which character a code is: a ToUnicode map, a
    // CID font of a known collection, or a glyph name of the standard list
    // (or "uniXXXX"). Where it does not, poppler makes characters up from
    // the codes (an Identity font's glyph numbers), which are not the text.
    static bool gives_characters(const GfxFont* font, CharCode code, int uLen) {
        if (uLen <= 0) return false;
        if (font == nullptr || font->hasToUnicodeCMap()) return true;
        if (font->isCIDFont()) {
            const GooString* collection = static_cast<const GfxCIDFont*>(font)->getCollection();
            return collection != nullptr && collection->cmp("Adobe-Identity") != 0;
        }
        if (code > 255) return false;
        const char* name =
            static_cast<const Gfx8BitFont*>(font)->getCharName(static_cast<int>(code));
        if (name == nullptr || *name == '\0') return false;
        if (globalParams->mapNameToUnicodeText(name) != 0) return true;
        const std::string n = name;
        const auto hex_after = [&n](size_t from, size_t lo, size_t hi) {
            const size_t len = n.size() - from;
            return len >= lo && len <= hi &&
                   n.find_first_not_of("0123456789ABCDEFabcdef", from) == std::string::npos;
        };
        return (n.rfind("uni", 0) == 0 && hex_after(3, 4, 4)) ||
               (n.rfind("u", 0) == 0 && hex_after(1, 4, 6));
    }

    // The characters in the stroke font, in the frame given on the page.
    void stroke_text(GfxState* state, const GfxFont* font, const Unicode* u, int uLen, Vec2 origin,
                     Vec2 along, Vec2 up) {
        std::u32string chars;
        for (int i = 0; i < uLen; ++i) {
            if (u[i] != U' ' && u[i] != 0) chars.push_back(static_cast<char32_t>(u[i]));
        }
        if (chars.empty()) return;
        Shape shape;
        add_strokes(chars, StrokeFont::standard(), Affine::frame(origin, along, up), shape);
        builder_.add_font(font != nullptr ? font_name(font) : "PDF font");
        GfxRGB rgb;
        // Stroked text (render mode 1) takes the stroke colour.
        if ((state->getRender() & 3) == 1) {
            state->getStrokeRGB(&rgb);
        } else {
            state->getFillRGB(&rgb);
        }
        SvgDraw draw = drawn(state);
        draw.stroke = rgb_of(rgb);
        if (*draw.stroke == kWhite) return;
        builder_.add(shape.traces, draw);
    }

    GlyphOutlines& glyphs() {
        if (!glyphs_) glyphs_ = std::make_unique<GlyphOutlines>(doc_);
        return *glyphs_;
    }

    // A contour of a glyph at (ox, oy) in user space, closed, in millimetres.
    Trace contour_trace(GfxState* state, const GlyphContour& c, double ox, double oy) const {
        Trace trace;
        Polyline run;
        const auto at = [&](size_t i) {
            return page(state, {ox + c.points[i].x, oy + c.points[i].y});
        };
        const Vec2 start = at(0);
        Vec2 pos = start;
        run.points.push_back(pos);
        for (size_t i = 1; i < c.points.size(); ++i) {
            if (c.points[i].control && i + 2 < c.points.size() + 1 && i + 1 < c.points.size()) {
                const Vec2 c1 = at(i);
                const Vec2 c2 = at(i + 1);
                const Vec2 to = i + 2 < c.points.size() ? at(i + 2) : start;
                if (run.points.size() > 1) trace.elements.emplace_back(std::move(run));
                trace.elements.emplace_back(
                    BSpline{3, {0, 0, 0, 0, 1, 1, 1, 1}, {pos, c1, c2, to}, {}});
                pos = to;
                run = Polyline{};
                run.points.push_back(pos);
                i += 2;
            } else {
                pos = at(i);
                run.points.push_back(pos);
            }
        }
        if (!(pos == start)) run.points.push_back(start);
        if (run.points.size() > 1) trace.elements.emplace_back(std::move(run));
        return trace;
    }

    // A glyph's outline as its render mode paints it: filled by the nonzero
    // rule (as fonts are drawn), stroked, or both.
    void paint_glyph(GfxState* state, const std::vector<Trace>& traces) {
        const int mode = state->getRender() & 3;
        if (mode == 0 || mode == 2) {
            GfxRGB rgb;
            state->getFillRGB(&rgb);
            SvgDraw draw = drawn(state);
            draw.fill = rgb_of(rgb);
            draw.even_odd = false;
            if (*draw.fill != kWhite) builder_.add(traces, draw);
        }
        if (mode == 1 || mode == 2) {
            GfxRGB rgb;
            state->getStrokeRGB(&rgb);
            SvgDraw draw = drawn(state);
            draw.stroke = rgb_of(rgb);
            draw.width = state->getTransformedLineWidth() * kMmPerPoint;
            if (*draw.stroke != kWhite) builder_.add(traces, draw);
        }
    }

    // A colour gradient is a picture, not lines: counted as not drawn.
    bool shading() {
        builder_.add_unsupported("SHADING", "0");
        return true;
    }

    void fill_path(GfxState* state, bool even_odd) {
        GfxRGB rgb;
        state->getFillRGB(&rgb);
        SvgDraw draw = drawn(state);
        draw.fill = rgb_of(rgb);
        if (*draw.fill == kWhite) return;
        draw.even_odd = even_odd;
        builder_.add(traces_of(state, true), draw);
    }

    void add_clip(GfxState* state, bool even_odd) {
        SvgClipShape shape;
        shape.even_odd = even_odd;
        for (const Trace& t : traces_of(state, true)) {
            shape.rings.push_back(flatten_trace(t, Affine{}, kSvgClipTolerance));
        }
        clips_.push_back({std::move(shape)});
        clip_stack_.back().push_back(&clips_.back());
    }

    SvgDraw drawn(GfxState*) const {
        SvgDraw draw;
        draw.clips = clip_stack_.back();
        return draw;
    }

    // A point of user space on the page, in millimetres.
    static Vec2 page(GfxState* state, Vec2 p) {
        double x = 0, y = 0;
        state->transform(p.x, p.y, &x, &y);
        return {x * kMmPerPoint, y * kMmPerPoint};
    }

    // The current path as traces in millimetres: straight runs as polylines,
    // Bezier curves as curves. Closed subpaths end where they began.
    std::vector<Trace> traces_of(GfxState* state, bool closing) {
        std::vector<Trace> traces;
        const GfxPath* path = state->getPath();
        if (path == nullptr || over_limit()) return traces;
        for (int s = 0; s < path->getNumSubpaths(); ++s) {
            const GfxSubpath* sub = path->getSubpath(s);
            const int n = sub->getNumPoints();
            points_ += static_cast<size_t>(n);
            if (n < 1 || over_limit()) continue;
            Trace trace;
            Polyline run;
            Vec2 pos = page(state, {sub->getX(0), sub->getY(0)});
            run.points.push_back(pos);
            const auto end_run = [&] {
                if (run.points.size() > 1) trace.elements.emplace_back(std::move(run));
                run = Polyline{};
                run.points.push_back(pos);
            };
            for (int i = 1; i < n; ++i) {
                if (sub->getCurve(i) && i + 2 < n) {
                    end_run();
                    const Vec2 c1 = page(state, {sub->getX(i), sub->getY(i)});
                    const Vec2 c2 = page(state, {sub->getX(i + 1), sub->getY(i + 1)});
                    const Vec2 to = page(state, {sub->getX(i + 2), sub->getY(i + 2)});
                    trace.elements.emplace_back(
                        BSpline{3, {0, 0, 0, 0, 1, 1, 1, 1}, {pos, c1, c2, to}, {}});
                    pos = to;
                    run.points.assign(1, pos);
                    i += 2;
                } else {
                    pos = page(state, {sub->getX(i), sub->getY(i)});
                    run.points.push_back(pos);
                }
            }
            const Vec2 start = page(state, {sub->getX(0), sub->getY(0)});
            if ((sub->isClosed() || closing) && !(pos == start)) {
                run.points.push_back(start);
                pos = start;
            }
            end_run();
            // A lone point (a zero-length subpath with round caps) is a dot.
            if (trace.elements.empty() && !closing) {
                trace.elements.emplace_back(Segment{start, start});
            }
            if (!trace.elements.empty()) traces.push_back(std::move(trace));
        }
        return traces;
    }

    SvgBuilder& builder_;
    PDFDoc* doc_;
    std::unique_ptr<GlyphOutlines> glyphs_;  // made for the first glyph without characters
    std::set<std::string> outline_fonts_;
    std::deque<SvgClip> clips_;  // every clip of the page, for as long as it is read
    std::vector<std::vector<const SvgClip*>> clip_stack_;
    size_t points_ = 0;
};

bool stop_reading(void* device) {
    return static_cast<PdfDevice*>(device)->over_limit();
}

}  // namespace

int pdf_page_count(const std::string& contents, const std::string& name) {
    return open_pdf(contents, name)->getNumPages();
}

void read_pdf(const std::string& contents, const std::string& name, int page,
              Drawing::Impl& drawing, std::vector<std::string>& notes) {
    const std::unique_ptr<PDFDoc> doc = open_pdf(contents, name);
    const int pages = doc->getNumPages();
    if (page < 1 || page > pages) {
        throw DrawingError(name + ": no page " + std::to_string(page) + "; the PDF has " +
                           std::to_string(pages) + (pages == 1 ? " page" : " pages"));
    }
    SvgBuilder builder(drawing);
    PdfDevice device(builder, doc.get());
    // 72 dots to the inch: the device draws in the page's points, the page
    // turned as its /Rotate says, cut to its crop box.
    doc->displayPage(&device, page, 72, 72, 0, false, true, true, stop_reading, &device);
    if (device.over_limit()) {
        throw DrawingError(name + ": page " + std::to_string(page) + " draws more than " +
                           std::to_string(kMaxPoints) + " path points, more than a plot can hold");
    }
    if (pages > 1) {
        notes.push_back("Page " + std::to_string(page) + " of " + std::to_string(pages) +
                        " plotted (--page N plots another).");
    }
    if (!builder.fonts().empty()) {
        std::string fonts;
        for (const std::string& f : builder.fonts()) fonts += (fonts.empty() ? "" : ", ") + f;
        notes.push_back("Text drawn in the stroke font, standing in for: " + fonts + ".");
    }
    if (!device.outline_fonts().empty()) {
        std::string fonts;
        for (const std::string& f : device.outline_fonts())
            fonts += (fonts.empty() ? "" : ", ") + f;
        notes.push_back(
            "Text whose characters the PDF does not give drawn as its glyphs' outlines: " + fonts +
            ".");
    }
}

}  // namespace tvk::host
