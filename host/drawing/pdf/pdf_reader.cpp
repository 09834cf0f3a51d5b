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

#include "host/drawing/model/entities.h"
#include "host/drawing/text/stroke_font.h"
#include "host/drawing/svg/svg_builder.h"
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
    explicit PdfDevice(SvgBuilder& builder) : builder_(builder) { clip_stack_.emplace_back(); }

    bool upsideDown() override { return false; }
    bool useDrawChar() override { return true; }
    bool interpretType3Chars() override { return false; }
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

    void drawChar(GfxState* state, double x, double y, double /*dx*/, double /*dy*/,
                  double /*originX*/, double /*originY*/, CharCode /*code*/, int /*nBytes*/,
                  const Unicode* u, int uLen) override {
        if (state->getRender() == 3 || over_limit()) return;  // invisible text (a scan's OCR)
        std::u32string chars;
        for (int i = 0; i < uLen; ++i) {
            if (u[i] != U' ' && u[i] != 0) chars.push_back(static_cast<char32_t>(u[i]));
        }
        if (chars.empty()) {
            if (uLen == 0) builder_.add_unsupported("GLYPH", "0");
            return;
        }
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
        const Vec2 o = page(state, {x, y});
        const Vec2 along = delta(size, 0);
        const Vec2 up = delta(0, size);
        Shape shape;
        add_strokes(chars, StrokeFont::standard(), Affine::frame(o, along, up), shape);
        if (const std::shared_ptr<GfxFont> font = state->getFont();
            font != nullptr && font->getFamily() != nullptr) {
            builder_.add_font(font->getFamily()->toStr());
        } else {
            builder_.add_font("PDF font");
        }
        GfxRGB rgb;
        state->getFillRGB(&rgb);
        SvgDraw draw = drawn(state);
        draw.stroke = rgb_of(rgb);
        if (*draw.stroke == kWhite) return;
        builder_.add(shape.traces, draw);
    }

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
    PdfDevice device(builder);
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
}

}  // namespace tvk::host
