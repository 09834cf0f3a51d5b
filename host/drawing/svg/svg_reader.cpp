#include "host/drawing/svg/svg_reader.h"

// libxml2 first: SVG++'s adapter uses its types without including them.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <memory>
#include <numbers>
#include <optional>
#include <sstream>
#include <string_view>
#include <svgpp/policy/xml/libxml2.hpp>
#include <svgpp/svgpp.hpp>

#include "host/drawing/svg/conditional.h"
#include "host/drawing/svg/css.h"
#include "host/drawing/svg/dashes.h"
#include "host/drawing/svg/font_metrics.h"
#include "host/drawing/svg/markers.h"
#include "host/drawing/svg/references.h"
#include "host/drawing/svg/svg_builder.h"
#include "host/drawing/svg/text_layout.h"
#include "host/drawing/svg/xml_document.h"
#include "host/drawing/text/stroke_font.h"
#include "host/drawing/text/text.h"

namespace tvk::host {

namespace {

namespace tag = svgpp::tag;
using boost::mpl::pair;

constexpr double kMmPerPx = 25.4 / 96;  // CSS pixels: 96 to the inch
constexpr const char* kSvgNamespace = "http://www.w3.org/2000/svg";
// A <use> that (through others) uses itself, or clip paths that clip
// their own content, stop here.
constexpr int kMaxReferenceDepth = 16;
// Elements drawn, counting each through every <use> of it: more than any
// plotter plots, from references that multiply.
constexpr long kMaxElements = 2'000'000;
std::string too_many_elements() {
    return "its <use> references multiply into more than " + std::to_string(kMaxElements) +
           " elements";
}
// Dashes finer than this (a period, in millimetres) are drawn solid: the pen
// draws them as a line anyway.
constexpr double kMinDashPeriod = 0.05;
// Points of dashes in a drawing: beyond, a pattern too fine for its length.
constexpr double kMaxDashPoints = 20'000'000;
// Stroke fonts are drawn at their cap height: about this share of the em.
constexpr double kCapHeight = 0.7;

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

template <class Range>
std::string text_of(const Range& r) {
    return std::string(boost::begin(r), boost::end(r));
}

// The value of an attribute by its local name, whatever its namespace.
std::optional<std::string> attribute(const xmlNode* node, const char* name) {
    for (const xmlAttr* a = node->properties; a; a = a->next) {
        if (xmlStrcmp(a->name, reinterpret_cast<const xmlChar*>(name)) != 0) continue;
        xmlChar* value = xmlNodeListGetString(node->doc, a->children, 1);
        std::string s = value ? reinterpret_cast<const char*>(value) : "";
        xmlFree(value);
        return s;
    }
    return std::nullopt;
}

bool finite(Vec2 p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// Numbers beyond the range of doubles (1e999) draw nothing.
bool finite(const Trace& t) {
    return std::all_of(t.elements.begin(), t.elements.end(), [](const Element& e) {
        if (const auto* line = std::get_if<Polyline>(&e))
            return std::all_of(line->points.begin(), line->points.end(),
                               [](Vec2 p) { return finite(p); });
        if (const auto* spline = std::get_if<BSpline>(&e))
            return std::all_of(spline->control.begin(), spline->control.end(),
                               [](Vec2 p) { return finite(p); });
        if (const auto* arc = std::get_if<EllipseArc>(&e))
            return finite(arc->c) && finite(arc->u) && finite(arc->v) && std::isfinite(arc->t0) &&
                   std::isfinite(arc->t1);
        return true;
    });
}

struct Paint {
    enum Kind { kNone, kColor, kCurrent } kind = kNone;
    uint32_t rgb = 0;
};

// What an element hands down to its children.
struct Style {
    Paint stroke;
    Paint fill{Paint::kColor, 0};
    uint32_t color = 0;  // currentColor
    bool hidden = false;
    bool even_odd = false;
    bool clip_even_odd = false;
    double stroke_width = 1;  // user units
    double font_size = 16;
    std::string font_family = "serif";
    int anchor = 0;                               // start, middle, end
    double letter_spacing = 0, word_spacing = 0;  // user units
    std::vector<double> dasharray;                // user units
    double dashoffset = 0;
    bool vertical = false;                                      // writing-mode
    enum { kMixed, kUpright, kSideways } orientation = kMixed;  // in vertical text
    std::string marker_start, marker_mid, marker_end;           // ids
};

// The id of a url(#id) reference; "" for none.
std::string url_id(const std::string& value) {
    const auto hash = value.find('#');
    const auto close = value.find(')', hash);
    if (value.rfind("url(", 0) != 0 || hash == std::string::npos || close == std::string::npos)
        return "";
    std::string id = value.substr(hash + 1, close - hash - 1);
    while (!id.empty() && (id.back() == '"' || id.back() == '\'' || id.back() == ' '))
        id.pop_back();
    return id;
}

double number_attribute(const xmlNode* node, const char* name, double otherwise);

// A CSS length in user units ("normal" and percentages: 0), with ems of
// `font_size`.
double css_length(const std::string& value, double font_size) {
    char* end = nullptr;
    const double v = std::strtod(value.c_str(), &end);
    if (end == value.c_str() || !std::isfinite(v)) return 0;
    const std::string unit(end);
    const double per = unit == "em"                   ? font_size
                       : unit == "ex"                 ? font_size / 2
                       : unit == "mm"                 ? 96 / 25.4
                       : unit == "cm"                 ? 96 / 2.54
                       : unit == "in"                 ? 96
                       : unit == "pt"                 ? 96.0 / 72
                       : unit == "pc"                 ? 16
                       : unit.empty() || unit == "px" ? 1
                                                      : 0;
    return v * per;
}

// A <text> being laid out: its characters are drawn when it ends, when the
// anchors of its chunks are known.
struct TextState {
    explicit TextState(bool vertical) : layout(vertical) {}
    SvgTextLayout layout;
    std::vector<SvgDraw> styles;  // of the spans, by SvgGlyph::style
    // The path of each style's span when it is set along one (<textPath>).
    std::vector<std::shared_ptr<const SvgPathMeasure>> paths;
    std::vector<double> shifts;  // of each style's baseline, up, user units
    bool fresh = true;           // no character yet: leading spaces are dropped
};

struct Shared {
    explicit Shared(Drawing::Impl& d) : builder(d) {}
    SvgBuilder builder;
    std::map<std::string, xmlNode*> ids;
    std::deque<SvgClip> clips;  // stable: drawings point at them
    int depth = 0;              // of <use> and clip-path references being followed
    long elements = 0;
    int top_groups = 0;
    std::set<const xmlNode*> recursive;  // <use>s that would draw themselves again
    std::set<std::string> refused;       // their targets, for the report
    double dash_points = 0;
};

class Node;
void load_reference(Node& parent, xmlNode* element, bool use);

class Node {
  public:
    using length_factory_type = svgpp::factory::length::unitless<>;

    Node(Shared& shared, const Affine& m) : s_(shared), m_(m), root_(true) {}
    Node(Node& parent, xmlNode* const& element)
        : s_(parent.s_),
          m_(parent.m_),
          lengths_(parent.lengths_),
          style_(parent.style_),
          layer_(parent.layer_),
          clips_(parent.resolved_clips()),
          collect_(parent.collect_),
          text_(parent.text_),
          text_path_(parent.text_path_),
          path_out_(parent.path_out_),
          skip_(parent.skip_),
          viewport_w_(parent.use_w_.value_or(parent.viewport_w_)),
          viewport_h_(parent.use_h_.value_or(parent.viewport_h_)) {
        parent_ = &parent;
        element_ = element;
        if (++s_.elements > kMaxElements) throw DrawingError(too_many_elements());
        const std::string_view kind = reinterpret_cast<const char*>(element->name);
        // Paths inside markers draw no markers of their own: a marker on its
        // own vertices would multiply without end.
        in_marker_ = parent.in_marker_;
        markable_ = !in_marker_ &&
                    (kind == "path" || kind == "line" || kind == "polyline" || kind == "polygon");
        if (const auto m = attribute(element, "marker-start")) style_.marker_start = url_id(*m);
        if (const auto m = attribute(element, "marker-mid")) style_.marker_mid = url_id(*m);
        if (const auto m = attribute(element, "marker-end")) style_.marker_end = url_id(*m);
        if (const auto mode = attribute(element, "writing-mode"))
            style_.vertical = mode->rfind("tb", 0) == 0 || mode->rfind("vertical", 0) == 0;
        if (const auto o = attribute(element, "text-orientation"))
            style_.orientation = *o == "upright"                ? Style::kUpright
                                 : o->rfind("sideways", 0) == 0 ? Style::kSideways
                                                                : Style::kMixed;
        if (const auto o = attribute(element, "glyph-orientation-vertical")) {
            const double degrees = std::strtod(o->c_str(), nullptr);
            style_.orientation = *o == "auto"    ? Style::kMixed
                                 : degrees == 0  ? Style::kUpright
                                 : degrees == 90 ? Style::kSideways
                                                 : style_.orientation;
        }
        combine_upright_ = attribute(element, "text-combine-upright").value_or("none") == "all";
        baseline_shift_ = parent.baseline_shift_;
        if (const auto v = attribute(element, "baseline-shift"); v && text_) {
            const double em = style_.font_size;
            baseline_shift_ += *v == "super" ? em / 3
                               : *v == "sub" ? -em / 5
                               : v->find('%') != std::string::npos
                                   ? std::strtod(v->c_str(), nullptr) / 100 * em
                                   : css_length(*v, em);
            if (!std::isfinite(baseline_shift_)) baseline_shift_ = 0;
        }
        // In ems of the element's own font size, which may come later.
        if (const auto v = attribute(element, "letter-spacing")) {
            style_.letter_spacing = css_length(*v, style_.font_size);
            letter_ems_ = css_length(*v, 1) - css_length(*v, 0);
        }
        if (const auto v = attribute(element, "word-spacing")) {
            style_.word_spacing = css_length(*v, style_.font_size);
            word_ems_ = css_length(*v, 1) - css_length(*v, 0);
        }
        if (kind == "text") {
            text_ = std::make_shared<TextState>(style_.vertical);
            text_root_ = true;
        }
        if (text_) list_start_ = text_->layout.count();
        if (kind == "textPath" && text_) {
            text_path_root_ = true;
            start_text_path(element);
        }
        image_ = kind == "image";
        use_ = kind == "use";
        // A line has no inside to fill.
        if (kind == "line") style_.fill.kind = Paint::kNone;
        // SVG 2 writes href without the xlink namespace.
        if (use_) href_ = use_target(element);
        nested_svg_ = kind == "svg" || kind == "symbol";
        if (nested_svg_) {
            const std::string overflow = attribute(element, "overflow").value_or("hidden");
            clips_viewport_ = overflow == "hidden" || overflow == "scroll";
        }
        if (kind == "g") {
            const auto label = attribute(element, "label");
            const bool layer = attribute(element, "groupmode").value_or("") == "layer";
            if (layer || parent.root_) {
                const auto id = attribute(element, "id");
                layer_ = upper(label ? *label
                               : id  ? *id
                                     : "LAYER" + std::to_string(++s_.top_groups));
                if (layer_.empty()) layer_ = "0";
                s_.builder.add_layer(layer_);
            }
        }
    }

    bool skipped() const { return skip_; }

    // ---- elements
    void on_exit_element() {
        if (!traces_.empty()) {
            draw(std::move(traces_));
            traces_.clear();
        }
        // Text after a <textPath> goes on from where the path's text ended.
        if (text_path_root_ && text_ && text_path_ && text_path_->length() > 0) {
            const double along = std::clamp(text_->layout.pen().x, 0.0, text_path_->length());
            if (const auto end = text_path_->at(along)) text_->layout.move_to(end->first);
        }
        if (text_root_) draw_text();
        if (markable_ && !skip_ && !style_.hidden && !collect_ && !path_out_) draw_markers();
        if (image_ && !skip_ && !style_.hidden && !collect_ && !path_out_)
            s_.builder.add_unsupported("IMAGE", layer_);
        if (use_ && !skip_ && !href_.empty() && s_.depth < kMaxReferenceDepth) {
            auto it = s_.ids.find(href_);
            if (it == s_.ids.end()) return;
            if (s_.recursive.count(element_)) {
                s_.refused.insert(href_);
                return;
            }
            resolved_clips();  // in the user space of the <use>, before its x and y
            m_ = m_ * Affine::translate({use_x_, use_y_});
            ++s_.depth;
            load_reference(*this, it->second, true);
            --s_.depth;
        }
    }

    // ---- lengths, transforms and viewports
    const length_factory_type& length_factory() const { return lengths_; }
    void transform_matrix(const boost::array<double, 6>& t) {
        m_ = m_ * Affine{t[0], t[2], t[4], t[1], t[3], t[5]};
    }
    void set_viewport(double x, double y, double w, double h) {
        // The page's lower-left corner is the drawing's origin.
        if (root_) m_ = Affine::translate({0, h * kMmPerPx}) * m_;
        // An inner viewport hides what lies outside it (the page itself is
        // left to the plot's own fitting and clipping).
        if (nested_svg_ && clips_viewport_ && !collect_)
            clips_.push_back(&clip_rect(m_, x, y, w, h));
        set_viewbox_size(w, h);
    }
    void set_viewbox_size(double w, double h) {
        viewport_w_ = w;
        viewport_h_ = h;
        lengths_.set_viewport_size(w, h);
    }
    // The width and height a <use> gives what it refers to; the referred
    // element's own (or 100 %) where it gives none.
    void get_reference_viewport_size(double& w, double& h) const {
        if (parent_ && parent_->use_w_) w = *parent_->use_w_;
        if (parent_ && parent_->use_h_) h = *parent_->use_h_;
    }
    void disable_rendering() { skip_ = true; }

    // ---- path data (basic shapes arrive as paths too)
    void path_move_to(double x, double y, tag::coordinate::absolute) {
        end_subpath();
        pos_ = start_ = {x, y};
        vertices_.push_back({pos_, {}, {}});
        subpath_vertex_ = vertices_.size() - 1;
    }
    void path_line_to(double x, double y, tag::coordinate::absolute) { line_to({x, y}); }
    void path_cubic_bezier_to(double x1, double y1, double x2, double y2, double x, double y,
                              tag::coordinate::absolute) {
        curve(BSpline{3, {0, 0, 0, 0, 1, 1, 1, 1}, {pos_, {x1, y1}, {x2, y2}, {x, y}}, {}});
    }
    void path_quadratic_bezier_to(double x1, double y1, double x, double y,
                                  tag::coordinate::absolute) {
        curve(BSpline{2, {0, 0, 0, 1, 1, 1}, {pos_, {x1, y1}, {x, y}}, {}});
    }
    void path_elliptical_arc_to(double rx, double ry, double rotation, bool large_arc, bool sweep,
                                double x, double y, tag::coordinate::absolute) {
        arc_to(rx, ry, rotation, large_arc, sweep, {x, y});
    }
    void path_close_subpath() {
        if (!trace_.elements.empty() && !(pos_ == start_)) line_to(start_);
        // The closing vertex turns from the last segment into the first.
        if (subpath_vertex_ + 1 < vertices_.size()) {
            vertices_.back().out = vertices_[subpath_vertex_].out;
            vertices_[subpath_vertex_].in = vertices_.back().in;
        }
        end_subpath();
        pos_ = start_;
    }
    // Drawn when the element ends: its transform and style may come after its geometry.
    void path_exit() { end_subpath(); }

    // ---- text
    // Room added after a character by letter-spacing and word-spacing.
    double spacing(char32_t c) const {
        return style_.letter_spacing + (c == U' ' ? style_.word_spacing : 0);
    }
    template <class Range>
    void set_text(const Range& range) {
        if (!text_ || skip_ || style_.hidden || collect_) return;
        const StrokeFont& font = StrokeFont::standard();
        const double cap = style_.font_size * kCapHeight;
        int style = -1;
        // Characters set upright side by side in one em of a vertical line.
        std::u32string combined;
        std::vector<double> advances;
        for (char32_t c : to_characters(text_of(range))) {
            if (c == U'\n' || c == U'\r' || c == U'\t') c = U' ';
            // White space collapses, and none leads the text.
            if (c == U' ' && text_->fresh) continue;
            text_->fresh = c == U' ';
            if (style < 0) {
                SvgDraw d = drawn();
                // Text is filled: its strokes take the fill's colour, else the stroke's.
                if (d.fill) d.stroke = d.fill;
                d.fill.reset();
                text_->styles.push_back(std::move(d));
                text_->paths.push_back(text_path_);
                text_->shifts.push_back(style_.vertical ? 0 : baseline_shift_);
                style = static_cast<int>(text_->styles.size()) - 1;
            }
            if (c >= U' ' && !font.has(c)) s_.builder.count_missing(c);
            if (style_.vertical && combine_upright_) {
                combined += c;
                advances.push_back(font.glyph(c).advance());
                continue;
            }
            const bool sideways =
                style_.orientation == Style::kSideways ||
                (style_.orientation == Style::kMixed && !upright_in_vertical_text(c));
            // Laid out as browsers set the family, drawn in the stroke font.
            const double drawn = font.glyph(c).advance();
            const auto browser = browser_advance(c, font_class(style_.font_family));
            const double room = browser ? *browser / kCapHeight : drawn;
            text_->layout.place(c, position(text_->layout.count()), room + spacing(c) / cap, cap,
                                style_.font_size, style_.anchor, style, sideways, drawn,
                                spacing(c) / cap);
        }
        // Trailing white space takes no part in the run.
        while (!combined.empty() && combined.back() == U' ') {
            combined.pop_back();
            advances.pop_back();
        }
        text_->layout.place_combined(combined, advances, position(text_->layout.count()), cap,
                                     style_.font_size, style_.anchor, style);
        if (style >= 0) s_.builder.add_font(style_.font_family);
    }

    // ---- attributes and properties
    template <class AttributeTag, class... Values>
    void set(AttributeTag, const Values&...) {}  // what is not drawn

    template <class... Values>
    void set(tag::attribute::stroke, const Values&... v) {
        if (auto p = paint(v...)) style_.stroke = *p;
    }
    template <class... Values>
    void set(tag::attribute::fill, const Values&... v) {
        if (auto p = paint(v...)) style_.fill = *p;
    }
    void set(tag::attribute::color, int rgb) { style_.color = static_cast<uint32_t>(rgb); }
    void set(tag::attribute::display, tag::value::none) { skip_ = true; }
    void set(tag::attribute::visibility, tag::value::hidden) { style_.hidden = true; }
    void set(tag::attribute::visibility, tag::value::collapse) { style_.hidden = true; }
    void set(tag::attribute::visibility, tag::value::visible) { style_.hidden = false; }
    void set(tag::attribute::fill_rule, tag::value::evenodd) { style_.even_odd = true; }
    void set(tag::attribute::fill_rule, tag::value::nonzero) { style_.even_odd = false; }
    void set(tag::attribute::clip_rule, tag::value::evenodd) { style_.clip_even_odd = true; }
    void set(tag::attribute::clip_rule, tag::value::nonzero) { style_.clip_even_odd = false; }
    void set(tag::attribute::opacity, double v) {
        if (v <= 0) skip_ = true;
    }
    void set(tag::attribute::fill_opacity, double v) {
        if (v <= 0) style_.fill.kind = Paint::kNone;
    }
    void set(tag::attribute::stroke_opacity, double v) {
        if (v <= 0) style_.stroke.kind = Paint::kNone;
    }
    void set(tag::attribute::stroke_width, double v) {
        if (v <= 0)
            style_.stroke.kind = Paint::kNone;
        else
            style_.stroke_width = v;
    }
    template <class Range>
    void set(tag::attribute::clip_path, tag::iri_fragment, const Range& id) {
        pending_clip_ = text_of(id);
    }
    void set(tag::attribute::font_size, double v) {
        if (!(v > 0)) return;
        style_.font_size = v;
        if (letter_ems_ != 0) style_.letter_spacing = letter_ems_ * v;
        if (word_ems_ != 0) style_.word_spacing = word_ems_ * v;
        // The element's other lengths in em and ex are of its own font size.
        lengths_.set_em_coefficient(v);
        lengths_.set_ex_coefficient(v / 2);
    }
    template <class Range>
    void set(tag::attribute::font_family, const Range& r) {
        style_.font_family = text_of(r);
    }
    void set(tag::attribute::text_anchor, tag::value::start) { style_.anchor = 0; }
    void set(tag::attribute::text_anchor, tag::value::middle) { style_.anchor = 1; }
    void set(tag::attribute::text_anchor, tag::value::end) { style_.anchor = 2; }
    // x and y: of a <use> one length, of text a list whose first counts.
    void set(tag::attribute::x, double v) { use_x_ = v; }
    void set(tag::attribute::y, double v) { use_y_ = v; }
    // Of text, lists: one value a character.
    template <class Range>
    void set(tag::attribute::x, const Range& r) {
        xs_.assign(boost::begin(r), boost::end(r));
    }
    template <class Range>
    void set(tag::attribute::y, const Range& r) {
        ys_.assign(boost::begin(r), boost::end(r));
    }
    template <class Range>
    void set(tag::attribute::dx, const Range& r) {
        dxs_.assign(boost::begin(r), boost::end(r));
    }
    template <class Range>
    void set(tag::attribute::dy, const Range& r) {
        dys_.assign(boost::begin(r), boost::end(r));
    }
    template <class Range>
    void set(tag::attribute::rotate, const Range& r) {
        rotates_.assign(boost::begin(r), boost::end(r));
    }
    template <class Range>
    void set(tag::attribute::stroke_dasharray, const Range& r) {
        style_.dasharray.assign(boost::begin(r), boost::end(r));
        if (style_.dasharray.size() % 2 == 1)
            style_.dasharray.insert(style_.dasharray.end(), style_.dasharray.begin(),
                                    style_.dasharray.end());
    }
    void set(tag::attribute::stroke_dasharray, tag::value::none) { style_.dasharray.clear(); }
    void set(tag::attribute::stroke_dashoffset, double v) { style_.dashoffset = v; }
    void set(tag::attribute::width, double v) { use_w_ = v; }
    void set(tag::attribute::height, double v) { use_h_ = v; }

    // The clip paths in force here, this element's own included.
    const std::vector<const SvgClip*>& resolved_clips();

  private:
    friend void load_reference(Node&, xmlNode*, bool);

    // The box of what a group or a <use> draws, in its user space; nothing
    // for other elements.
    std::optional<Box> content_box();

    static std::optional<Paint> paint(tag::value::none) { return Paint{}; }
    static std::optional<Paint> paint(tag::value::currentColor) { return Paint{Paint::kCurrent}; }
    static std::optional<Paint> paint(int rgb) {
        return Paint{Paint::kColor, static_cast<uint32_t>(rgb) & 0xffffff};
    }
    template <class Icc>
    static std::optional<Paint> paint(int rgb, const Icc&) {
        return paint(rgb);
    }
    // Gradients and patterns (an IRI): their fallback colour, else black.
    template <class Range, class... Fallback>
    static std::optional<Paint> iri_paint(const Range&, const Fallback&... fallback) {
        if constexpr (sizeof...(Fallback) > 0)
            return paint(fallback...);
        else
            return Paint{Paint::kColor, 0};
    }
    template <class Range, class... Fallback>
    static std::optional<Paint> paint(tag::iri_fragment, const Range& r, const Fallback&... f) {
        return iri_paint(r, f...);
    }
    template <class... Fallback>
    static std::optional<Paint> paint(const boost::iterator_range<const char*>& r,
                                      const Fallback&... f) {
        return iri_paint(r, f...);
    }
    static std::optional<Paint> paint(tag::value::inherit) { return std::nullopt; }

    std::optional<uint32_t> colour(const Paint& p) const {
        if (p.kind == Paint::kNone) return std::nullopt;
        return p.kind == Paint::kCurrent ? style_.color : p.rgb;
    }

    SvgDraw drawn() {
        SvgDraw d;
        d.stroke = colour(style_.stroke);
        d.fill = colour(style_.fill);
        d.even_odd = style_.even_odd;
        d.width = style_.stroke_width * m_.width_scale();
        d.layer = layer_;
        d.clips = resolved_clips();
        return d;
    }

    // Where the character at `index` of the text goes: each of x, y, dx, dy
    // and rotate from the innermost span whose list reaches that far (rotate's
    // last value holds for the rest of its span).
    SvgCharPosition position(long index) const {
        SvgCharPosition p;
        bool dx = false, dy = false, rotate = false;
        for (const Node* n = this; n; n = n->parent_) {
            const auto k = static_cast<size_t>(index - n->list_start_);
            if (!p.x && k < n->xs_.size()) p.x = n->xs_[k];
            if (!p.y && k < n->ys_.size()) p.y = n->ys_[k];
            if (!dx && k < n->dxs_.size()) {
                p.dx = n->dxs_[k];
                dx = true;
            }
            if (!dy && k < n->dys_.size()) {
                p.dy = n->dys_[k];
                dy = true;
            }
            if (!rotate && !n->rotates_.empty()) {
                p.rotate = n->rotates_[std::min(k, n->rotates_.size() - 1)];
                rotate = true;
            }
            // Positions of the text around a <textPath> are not along it.
            if (n->text_root_ || n->text_path_root_) break;
        }
        return p;
    }

    // A viewport's clip: its rectangle in user units mapped by m, a hair
    // larger, so that a frame drawn on its edge stays whole.
    const SvgClip& clip_rect(const Affine& m, double x, double y, double w, double h) {
        const double hair = 1e-6 / std::max(m.max_stretch(), 1e-12);
        x -= hair;
        y -= hair;
        w += 2 * hair;
        h += 2 * hair;
        SvgClip& clip = s_.clips.emplace_back();
        SvgClipShape rect;
        rect.rings.push_back(
            {m.apply({x, y}), m.apply({x + w, y}), m.apply({x + w, y + h}), m.apply({x, y + h})});
        clip.push_back(std::move(rect));
        return clip;
    }

    void draw_markers() {
        if (style_.marker_start.empty() && style_.marker_mid.empty() && style_.marker_end.empty())
            return;
        for (const SvgMarkerPlace& place : marker_places(vertices_)) {
            const std::string& id = place.which == SvgMarkerPlace::kStart ? style_.marker_start
                                    : place.which == SvgMarkerPlace::kMid ? style_.marker_mid
                                                                          : style_.marker_end;
            auto it = s_.ids.find(id);
            if (id.empty() || it == s_.ids.end() ||
                xmlStrcmp(it->second->name, reinterpret_cast<const xmlChar*>("marker")) != 0)
                continue;
            if (s_.depth >= kMaxReferenceDepth) return;
            draw_marker(it->second, place);
        }
    }

    // A marker's content at a vertex: its reference point there, turned as
    // orient says, in units of the stroke width (markerUnits), its viewBox
    // fitted to markerWidth by markerHeight, clipped to that unless its
    // overflow shows.
    void draw_marker(xmlNode* marker, const SvgMarkerPlace& place) {
        const double w = number_attribute(marker, "markerWidth", 3);
        const double h = number_attribute(marker, "markerHeight", 3);
        if (!(w > 0) || !(h > 0)) return;
        const std::string orient = attribute(marker, "orient").value_or("0");
        double angle = std::strtod(orient.c_str(), nullptr);
        if (orient == "auto") angle = place.angle;
        if (orient == "auto-start-reverse")
            angle = place.angle + (place.which == SvgMarkerPlace::kStart ? 180 : 0);
        const double units = attribute(marker, "markerUnits").value_or("") == "userSpaceOnUse"
                                 ? 1
                                 : style_.stroke_width;
        Affine box;
        if (const auto view = attribute(marker, "viewBox")) {
            const auto fitted = viewbox_transform(
                *view, attribute(marker, "preserveAspectRatio").value_or(""), w, h);
            if (!fitted) return;
            box = *fitted;
        }
        const Vec2 ref =
            box.apply({number_attribute(marker, "refX", 0), number_attribute(marker, "refY", 0)});
        const Affine frame = m_ * Affine::translate(place.at) *
                             Affine::rotate(angle * std::numbers::pi / 180) *
                             Affine::scale(units, units) * Affine::translate(Vec2{} - ref);
        Node content(*this, marker);
        content.m_ = frame * box;
        content.style_ = Style{};
        content.clips_ = resolved_clips();
        content.skip_ = false;
        content.markable_ = false;
        content.in_marker_ = true;
        const std::string overflow = attribute(marker, "overflow").value_or("hidden");
        if (overflow == "hidden" || overflow == "scroll")
            content.clips_.push_back(&clip_rect(frame, 0, 0, w, h));
        ++s_.depth;
        for (xmlNode* c = marker->children; c; c = c->next)
            if (c->type == XML_ELEMENT_NODE) load_reference(content, c, true);
        --s_.depth;
    }

    // A <textPath>: the path it refers to, in the text's user space (with
    // the path's own transform), and the pen at its start offset on it.
    void start_text_path(xmlNode* element) {
        const std::string id = use_target(element);
        auto it = s_.ids.find(id);
        if (id.empty() || it == s_.ids.end() || s_.depth >= kMaxReferenceDepth) {
            skip_ = true;  // browsers draw no text for a path that is not there
            return;
        }
        std::vector<Trace> traces;
        Node collector(*this, it->second);
        collector.m_ = Affine{};
        collector.text_.reset();
        collector.skip_ = false;
        collector.style_.hidden = false;
        collector.markable_ = false;
        collector.path_out_ = &traces;
        ++s_.depth;
        load_reference(collector, it->second, true);
        --s_.depth;
        std::vector<Vec2> points;
        for (const Trace& t : traces) {
            auto line =
                flatten_trace(t, Affine{}, kSvgClipTolerance / std::max(m_.max_stretch(), 1e-12));
            points.insert(points.end(), line.begin(), line.end());
        }
        auto path = std::make_shared<const SvgPathMeasure>(std::move(points));
        const std::string offset = attribute(element, "startOffset").value_or("0");
        double start = std::strtod(offset.c_str(), nullptr);
        if (!std::isfinite(start)) start = 0;
        if (offset.find('%') != std::string::npos) start = start / 100 * path->length();
        text_path_ = std::move(path);
        text_->layout.move_to({start, 0});
    }

    void draw_text() {
        std::vector<SvgGlyph> glyphs = text_->layout.take(true);
        const StrokeFont& font = StrokeFont::standard();
        Shape shape;
        int current = -1;
        const auto flush = [&] {
            if (path_out_)
                for (Trace& t : shape.traces) path_out_->push_back(std::move(t));
            else if (!shape.traces.empty())
                s_.builder.add(shape.traces, text_->styles[current]);
            shape.traces.clear();
        };
        for (const SvgGlyph& g : glyphs) {
            if (g.style != current) flush();
            current = g.style;
            const double shift = text_->shifts[g.style];
            if (const auto& path = text_->paths[g.style]) {
                // Along a path: the middle of the character's advance on it,
                // the character turned with the path there.
                const double half = 0.5 * font.glyph(g.c).advance() * g.scale * g.squeeze;
                const auto on = path->at(g.at.x + g.inset + half);
                if (!on) continue;
                const Affine place = m_ * Affine::translate(on->first) *
                                     Affine::rotate(on->second) *
                                     Affine::translate({-half, g.at.y - shift}) *
                                     Affine::rotate(g.rotate * std::numbers::pi / 180) *
                                     Affine::scale(g.scale * g.squeeze, -g.scale);
                add_strokes(std::u32string(1, g.c), font, place, shape);
                continue;
            }
            const Affine place = m_ * Affine::translate(g.at + Vec2{0, -shift}) *
                                 Affine::rotate(g.rotate * std::numbers::pi / 180) *
                                 Affine::translate({g.inset, 0}) *
                                 Affine::scale(g.scale * g.squeeze, -g.scale);
            add_strokes(std::u32string(1, g.c), font, place, shape);
        }
        flush();
    }

    // A segment to `to`, leaving the pen along t0 and arriving along t1.
    void vertex(Vec2 to, Vec2 t0, Vec2 t1) {
        const auto direction = [](Vec2 t) {
            return t.x != 0 || t.y != 0 ? std::optional<Vec2>(t) : std::nullopt;
        };
        if (vertices_.empty()) vertices_.push_back({pos_, {}, {}});
        if (!vertices_.back().out) vertices_.back().out = direction(t0);
        vertices_.push_back({to, direction(t1), {}});
    }

    void line_to(Vec2 p) {
        vertex(p, p - pos_, p - pos_);
        if (!trace_.elements.empty()) {
            if (auto* line = std::get_if<Polyline>(&trace_.elements.back());
                line && line->points.back() == pos_) {
                line->points.push_back(p);
                pos_ = p;
                return;
            }
        }
        trace_.elements.push_back(Polyline{{pos_, p}});
        pos_ = p;
    }
    void curve(BSpline spline) {
        const auto& c = spline.control;
        Vec2 t0 = c[1] - c[0], t1 = c.back() - c[c.size() - 2];
        if (t0 == Vec2{}) t0 = c[2 % c.size()] - c[0];
        if (t1 == Vec2{}) t1 = c.back() - c[c.size() >= 3 ? c.size() - 3 : 0];
        vertex(c.back(), t0, t1);
        pos_ = spline.control.back();
        trace_.elements.push_back(std::move(spline));
    }
    // The arc from the pen to p, from its end points to its centre form.
    void arc_to(double rx, double ry, double rotation, bool large_arc, bool sweep, Vec2 p) {
        rx = std::abs(rx);
        ry = std::abs(ry);
        if (pos_ == p) return;
        if (rx == 0 || ry == 0) return line_to(p);
        const double phi = rotation * std::numbers::pi / 180;
        const double c = std::cos(phi), s = std::sin(phi);
        const Vec2 h = 0.5 * (pos_ - p);
        const Vec2 q{c * h.x + s * h.y, -s * h.x + c * h.y};
        const double lambda = q.x * q.x / (rx * rx) + q.y * q.y / (ry * ry);
        if (lambda > 1) {
            rx *= std::sqrt(lambda);
            ry *= std::sqrt(lambda);
        }
        const double num = rx * rx * ry * ry - rx * rx * q.y * q.y - ry * ry * q.x * q.x;
        const double den = rx * rx * q.y * q.y + ry * ry * q.x * q.x;
        const double k =
            (large_arc == sweep ? -1 : 1) * std::sqrt(std::max(0.0, den > 0 ? num / den : 0));
        const Vec2 cq{k * rx * q.y / ry, -k * ry * q.x / rx};
        const Vec2 mid = 0.5 * (pos_ + p);
        const Vec2 centre{c * cq.x - s * cq.y + mid.x, s * cq.x + c * cq.y + mid.y};
        const double t0 = std::atan2((q.y - cq.y) / ry, (q.x - cq.x) / rx);
        double t1 = std::atan2((-q.y - cq.y) / ry, (-q.x - cq.x) / rx);
        if (sweep && t1 <= t0) t1 += 2 * std::numbers::pi;
        if (!sweep && t1 >= t0) t1 -= 2 * std::numbers::pi;
        const EllipseArc arc{centre, {rx * c, rx * s}, {-ry * s, ry * c}, t0, t1};
        const auto tangent = [&](double t) {
            return (t1 > t0 ? 1.0 : -1.0) * (std::cos(t) * arc.v - std::sin(t) * arc.u);
        };
        vertex(p, tangent(t0), tangent(t1));
        trace_.elements.push_back(arc);
        pos_ = p;
    }
    void end_subpath() {
        if (!trace_.elements.empty()) traces_.push_back(std::move(trace_));
        trace_ = Trace{};
    }

    // The dashes of the stroke, laid out in user units (as the pattern is)
    // and then transformed.
    std::vector<Trace> dashes_of(const std::vector<Trace>& traces) {
        const double stretch = std::max(m_.max_stretch(), 1e-12);
        const DashPattern dashes{style_.dasharray, style_.dashoffset};
        std::vector<Trace> out;
        for (const Trace& t : traces) {
            const auto line = flatten_trace(t, Affine{}, kSvgClipTolerance / stretch);
            for (auto& dash : dashed(line, dashes, kMinDashPeriod / stretch)) {
                s_.dash_points += static_cast<double>(dash.size());
                if (s_.dash_points > kMaxDashPoints)
                    throw DrawingError("its dashed strokes make more than " +
                                       std::to_string(static_cast<long>(kMaxDashPoints)) +
                                       " points");
                for (Vec2& p : dash) p = m_.apply(p);
                out.push_back(Trace{{Polyline{std::move(dash)}}});
            }
        }
        return out;
    }

    // A dashed stroke whose dashes are the same in every direction (under
    // a transform that keeps angles) and that no clip cuts: drawn whole,
    // its line type naming its dashes in drawing units, so that the plot
    // can send it with the plotter's own pattern where that matches. False
    // where the dashes are to be cut here.
    bool dashed_by_plot(std::vector<Trace>& traces) {
        const double sx = std::hypot(m_.a, m_.d), sy = std::hypot(m_.b, m_.e);
        const bool keeps_angles = std::abs(sx - sy) <= 1e-9 * std::max(sx, sy) &&
                                  std::abs(m_.a * m_.b + m_.d * m_.e) <= 1e-9 * sx * sy;
        if (!keeps_angles || !(sx > 0) || !std::isfinite(sx)) return false;
        SvgDraw d = drawn();
        if (!d.clips.empty()) return false;
        const DashPattern dashes = DashPattern{style_.dasharray, style_.dashoffset}.scaled(sx);
        if (!(dashes.period() >= kMinDashPeriod) || !std::isfinite(dashes.period())) return false;
        for (Trace& t : traces) t = transformed(t, m_);
        std::erase_if(traces, [](const Trace& t) { return !finite(t); });
        // The points its dashes will take, counted against the same limit.
        for (const Trace& t : traces) {
            const auto line = flatten_trace(t, Affine{}, kSvgClipTolerance);
            double along = 0;
            for (size_t i = 1; i < line.size(); ++i) along += length(line[i] - line[i - 1]);
            s_.dash_points +=
                2 + along / dashes.period() * static_cast<double>(dashes.lengths.size());
            if (s_.dash_points > kMaxDashPoints)
                throw DrawingError("its dashed strokes make more than " +
                                   std::to_string(static_cast<long>(kMaxDashPoints)) + " points");
        }
        SvgDraw fill = d;
        fill.stroke.reset();
        if (fill.fill) s_.builder.add(traces, fill);
        d.fill.reset();
        d.linetype = s_.builder.dash_linetype(dashes);
        if (d.stroke) s_.builder.add(traces, d);
        return true;
    }

    void draw(std::vector<Trace> traces) {
        if (skip_ || style_.hidden || traces.empty()) return;
        if (!pending_clip_.empty()) {
            // The shape's box in its user space, for a clip in those units.
            Box box;
            const double tolerance = kSvgClipTolerance / std::max(m_.max_stretch(), 1e-12);
            for (const Trace& t : traces)
                for (Vec2 p : flatten_trace(t, Affine{}, tolerance)) box.add(p);
            bbox_ = box;
        }
        if (!collect_ && !path_out_ && style_.stroke.kind != Paint::kNone &&
            !DashPattern{style_.dasharray, style_.dashoffset}.solid()) {
            if (dashed_by_plot(traces)) return;
            std::vector<Trace> dashes = dashes_of(traces);
            for (Trace& t : traces) t = transformed(t, m_);
            std::erase_if(traces, [](const Trace& t) { return !finite(t); });
            std::erase_if(dashes, [](const Trace& t) { return !finite(t); });
            SvgDraw d = drawn();
            SvgDraw fill = d;
            fill.stroke.reset();
            if (fill.fill) s_.builder.add(traces, fill);
            d.fill.reset();
            if (d.stroke) s_.builder.add(dashes, d);
            return;
        }
        for (Trace& t : traces) t = transformed(t, m_);
        std::erase_if(traces, [](const Trace& t) { return !finite(t); });
        if (traces.empty()) return;
        if (path_out_) {
            for (Trace& t : traces) path_out_->push_back(std::move(t));
            return;
        }
        if (collect_) {
            SvgClipShape shape;
            shape.even_odd = style_.clip_even_odd;
            for (const Trace& t : traces) {
                auto ring = flatten_trace(t, Affine{}, kSvgClipTolerance);
                if (ring.size() >= 3) shape.rings.push_back(std::move(ring));
            }
            collect_->push_back(std::move(shape));
            return;
        }
        s_.builder.add(traces, drawn());
    }

    Shared& s_;
    Affine m_;  // user units to millimetres
    length_factory_type lengths_;
    Style style_;
    std::string layer_ = "0";
    std::vector<const SvgClip*> clips_;
    std::string pending_clip_;
    SvgClip* collect_ = nullptr;  // inside a clip path: the shapes go here
    Node* parent_ = nullptr;
    xmlNode* element_ = nullptr;
    std::shared_ptr<TextState> text_;
    bool text_root_ = false;
    long list_start_ = 0;  // the text's characters before this element's
    std::vector<double> xs_, ys_, dxs_, dys_, rotates_;
    bool nested_svg_ = false, clips_viewport_ = false;
    bool markable_ = false;                            // path, line, polyline, polygon
    std::shared_ptr<const SvgPathMeasure> text_path_;  // of a <textPath> and its spans
    double letter_ems_ = 0, word_ems_ = 0;             // its own spacing in ems, if so given
    double baseline_shift_ = 0;  // of a span's baseline, up, user units; spans within add theirs
    std::vector<Trace>* path_out_ = nullptr;  // reading a path for a <textPath>
    bool text_path_root_ = false;
    bool in_marker_ = false;
    bool combine_upright_ = false;  // text-combine-upright: all
    std::optional<Box> bbox_;       // of a shape, in its user space
    std::vector<SvgVertex> vertices_;
    size_t subpath_vertex_ = 0;
    bool skip_ = false;  // display:none, or nothing to render
    bool root_ = false;
    bool image_ = false;
    bool use_ = false;
    double viewport_w_ = 100, viewport_h_ = 100;
    std::optional<double> use_w_, use_h_;
    double use_x_ = 0, use_y_ = 0;
    std::string href_;

    Vec2 pos_, start_;
    Trace trace_;
    std::vector<Trace> traces_;
};

// Follows references by id whatever the element (broken files, fuzzing).
struct Lenient : svgpp::policy::error::raise_exception<Node> {
    template <class... A>
    static bool unknown_element(const Node&, const A&...) {
        return true;
    }
    template <class... A>
    static bool unknown_attribute(const Node&, const A&...) {
        return true;
    }
    template <class... A>
    static bool unexpected_attribute(const Node&, const A&...) {
        return true;
    }
    template <class... A>
    static bool unexpected_element(const Node&, const A&...) {
        return true;
    }
    template <class... A>
    static bool parse_failed(const Node&, const A&...) {
        return true;
    }
    template <class... A>
    static bool negative_value(const Node&, const A&...) {
        return true;
    }
    template <class... A>
    static bool required_attribute_not_found(const Node&, const A&...) {
        return true;
    }
};

// Elements with display:none show nothing of what they hold.
struct Control {
    static bool proceed_to_element_content(const Node& n) { return !n.skipped(); }
    static bool proceed_to_next_child(const Node&) { return true; }
    template <class XmlElement>
    static bool process_child(const Node&, const XmlElement&) {
        return true;
    }
};

// The text of a text node where it stands in the tree: the adapter's own
// copy is freed before it is read, and takes the text nodes after it too.
struct XmlElements : svgpp::policy::xml::element_iterator<xmlNode*> {
    static element_text_type get_text(iterator_type node) {
        return boost::as_literal(node->content ? reinterpret_cast<const char*>(node->content) : "");
    }
};

}  // namespace
}  // namespace tvk::host

// SVG++ takes only so many policies as arguments; these two it takes by context.
template <>
struct svgpp::policy::error::default_policy<tvk::host::Node> : tvk::host::Lenient {};
template <>
struct svgpp::policy::document_traversal_control::default_policy<tvk::host::Node>
    : tvk::host::Control {};

namespace tvk::host {
namespace {

struct ChildContexts {
    template <class ParentContext, class ElementTag>
    struct apply {
        using type = svgpp::factory::context::on_stack_with_xml_element<Node>;
    };
};

using DrawnElements =
    boost::mpl::set<tag::element::svg, tag::element::g, tag::element::path, tag::element::rect,
                    tag::element::circle, tag::element::ellipse, tag::element::line,
                    tag::element::polyline, tag::element::polygon, tag::element::use_,
                    tag::element::text, tag::element::tspan, tag::element::textPath,
                    tag::element::image, tag::element::a, tag::element::switch_>::type;
using ReferencedElements =
    boost::mpl::set<tag::element::svg, tag::element::g, tag::element::path, tag::element::rect,
                    tag::element::circle, tag::element::ellipse, tag::element::line,
                    tag::element::polyline, tag::element::polygon, tag::element::use_,
                    tag::element::text, tag::element::image, tag::element::symbol>::type;
using ClipElements = boost::mpl::set<tag::element::clipPath>::type;

using Properties = boost::mpl::vector<
    tag::attribute::transform, tag::attribute::style, tag::attribute::stroke, tag::attribute::fill,
    tag::attribute::color, tag::attribute::display, tag::attribute::visibility,
    tag::attribute::fill_rule, tag::attribute::clip_rule, tag::attribute::clip_path,
    tag::attribute::opacity, tag::attribute::fill_opacity, tag::attribute::stroke_opacity,
    tag::attribute::stroke_width, tag::attribute::font_size, tag::attribute::font_family,
    tag::attribute::text_anchor, tag::attribute::stroke_dasharray,
    tag::attribute::stroke_dashoffset>;
using ViewportAttributes = boost::mpl::vector<
    pair<tag::element::svg, tag::attribute::x>, pair<tag::element::svg, tag::attribute::y>,
    pair<tag::element::svg, tag::attribute::width>, pair<tag::element::svg, tag::attribute::height>,
    pair<tag::element::svg, tag::attribute::viewBox>,
    pair<tag::element::svg, tag::attribute::preserveAspectRatio>,
    pair<tag::element::symbol, tag::attribute::viewBox>,
    pair<tag::element::symbol, tag::attribute::preserveAspectRatio>,
    pair<tag::element::use_, tag::attribute::x>, pair<tag::element::use_, tag::attribute::y>,
    pair<tag::element::use_, tag::attribute::width>,
    pair<tag::element::use_, tag::attribute::height>, pair<tag::element::text, tag::attribute::x>,
    pair<tag::element::text, tag::attribute::y>, pair<tag::element::tspan, tag::attribute::x>,
    pair<tag::element::tspan, tag::attribute::y>>;
using TextAttributes = boost::mpl::vector<
    pair<tag::element::text, tag::attribute::dx>, pair<tag::element::text, tag::attribute::dy>,
    pair<tag::element::tspan, tag::attribute::dx>, pair<tag::element::tspan, tag::attribute::dy>,
    pair<tag::element::text, tag::attribute::rotate>,
    pair<tag::element::tspan, tag::attribute::rotate>>;
template <class Set, class More>
using Joined =
    typename boost::mpl::fold<More, Set, boost::mpl::insert<boost::mpl::_1, boost::mpl::_2>>::type;
using Attributes = Joined<
    Joined<Joined<svgpp::traits::shapes_attributes_by_element, Properties>, ViewportAttributes>,
    TextAttributes>;

using Traversal = svgpp::document_traversal<
    svgpp::processed_elements<DrawnElements>, svgpp::processed_attributes<Attributes>,
    svgpp::context_factories<ChildContexts>, svgpp::xml_element_policy<XmlElements>,
    svgpp::viewport_policy<svgpp::policy::viewport::as_transform>,
    svgpp::length_policy<svgpp::policy::length::forward_to_method<Node>>>;

void load_reference(Node& parent, xmlNode* element, bool use) {
    if (use) {
        Traversal::load_referenced_element<
            svgpp::referencing_element<tag::element::use_>,
            svgpp::expected_elements<ReferencedElements>,
            svgpp::processed_elements<ReferencedElements>>::load(element, parent);
    } else {
        Traversal::load_referenced_element<svgpp::expected_elements<ClipElements>,
                                           svgpp::processed_elements<ClipElements>>::load(element,
                                                                                          parent);
    }
}

const std::vector<const SvgClip*>& Node::resolved_clips() {
    if (pending_clip_.empty()) return clips_;
    const std::string id = std::move(pending_clip_);
    pending_clip_.clear();
    auto it = s_.ids.find(id);
    if (it == s_.ids.end() || s_.depth >= kMaxReferenceDepth) return clips_;
    // Clips do not change the box that clips in its units are of.
    if (path_out_) return clips_;
    // Clips in the units of the bounding box: of a shape, its box; of a
    // group or a <use>, the box of all it draws.
    const bool of_box = attribute(it->second, "clipPathUnits").value_or("") == "objectBoundingBox";
    if (of_box && !bbox_) bbox_ = content_box();
    if (of_box && (!bbox_ || !(bbox_->max_x > bbox_->min_x) || !(bbox_->max_y > bbox_->min_y)))
        return clips_;
    SvgClip& clip = s_.clips.emplace_back();
    // The clip path's content is in the user space of the element it clips.
    Node collector(*this, it->second);
    if (of_box) {
        const Box& b = *bbox_;
        collector.m_ = m_ * Affine{b.max_x - b.min_x, 0, b.min_x, 0, b.max_y - b.min_y, b.min_y};
    }
    collector.collect_ = &clip;
    collector.clips_.clear();
    collector.skip_ = false;
    collector.style_.hidden = false;
    ++s_.depth;
    load_reference(collector, it->second, false);
    --s_.depth;
    // An empty clip path hides everything it clips.
    clips_.push_back(&clip);
    return clips_;
}

std::optional<Box> Node::content_box() {
    const std::string_view kind = reinterpret_cast<const char*>(element_->name);
    if (kind != "g" && kind != "a" && kind != "use" && kind != "switch" && kind != "svg")
        return std::nullopt;
    if (s_.depth >= kMaxReferenceDepth) return std::nullopt;
    // The content read once more without drawing it: its shapes (and the
    // strokes of its text) in this element's user space.
    std::vector<Trace> traces;
    const long elements = s_.elements;
    {
        Node measure(*this, element_);
        measure.m_ = Affine{};
        measure.path_out_ = &traces;
        measure.clips_.clear();
        measure.collect_ = nullptr;
        measure.skip_ = false;
        measure.use_w_ = use_w_;
        measure.use_h_ = use_h_;
        ++s_.depth;
        if (use_) {
            auto it = s_.ids.find(href_);
            if (it != s_.ids.end() && !s_.recursive.count(element_)) {
                measure.m_ = Affine::translate({use_x_, use_y_});
                load_reference(measure, it->second, true);
            }
        } else {
            for (xmlNode* c = element_->children; c; c = c->next)
                if (c->type == XML_ELEMENT_NODE) load_reference(measure, c, true);
        }
        --s_.depth;
    }
    s_.elements = elements;  // counted when they are drawn
    Box box;
    const double tolerance = kSvgClipTolerance / std::max(m_.max_stretch(), 1e-12);
    for (const Trace& t : traces)
        for (Vec2 p : flatten_trace(t, Affine{}, tolerance))
            if (finite(p)) box.add(p);
    return box;
}

double number_attribute(const xmlNode* node, const char* name, double otherwise) {
    const auto value = attribute(node, name);
    if (!value) return otherwise;
    char* end = nullptr;
    const double v = std::strtod(value->c_str(), &end);
    return end == value->c_str() || !std::isfinite(v) ? otherwise : v;
}

struct XmlDoc {
    xmlDocPtr doc = nullptr;
    ~XmlDoc() { xmlFreeDoc(doc); }
};

// Plain XML without the SVG namespace is taken for SVG all the same.
void adopt_namespace(xmlNode* node, xmlNs* ns) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        if (!node->ns) xmlSetNs(node, ns);
        adopt_namespace(node->children, ns);
    }
}

// How many elements drawing `node` instantiates, each <use> counting its
// target again; saturating at the limit.
class ElementCounter {
  public:
    ElementCounter(const std::map<std::string, xmlNode*>& ids,
                   const std::set<const xmlNode*>& recursive)
        : ids_(ids), recursive_(recursive) {}

    double count(const xmlNode* node, int depth) {
        if (depth > kMaxReferenceDepth) return 0;
        if (auto known = memo_.find(node); known != memo_.end()) return known->second;
        double n = 1;
        if (xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>("use")) == 0 &&
            !recursive_.count(node)) {
            if (auto it = ids_.find(use_target(node)); it != ids_.end())
                n += count(it->second, depth + 1);
        }
        for (const xmlNode* c = node->children; c && n < kMaxElements; c = c->next) {
            if (c->type == XML_ELEMENT_NODE) n += count(c, depth);
        }
        n = std::min(n, static_cast<double>(kMaxElements) + 1);
        memo_[node] = n;
        return n;
    }

  private:
    const std::map<std::string, xmlNode*>& ids_;
    const std::set<const xmlNode*>& recursive_;
    std::map<const xmlNode*, double> memo_;
};

bool has_non_ascii(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// SVG++'s parsers take attribute values as ASCII (its case-blind matching
// hands every byte to a tolower that is undefined beyond it): a value with
// other characters is skipped, as browsers skip values they cannot parse,
// and so is such a declaration of a style. Names (id, class) and attributes
// of other programs' namespaces (layer labels) keep theirs.
void drop_non_ascii_values(xmlNode* node) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        for (xmlAttr* a = node->properties; a;) {
            xmlAttr* next = a->next;
            const std::string name = reinterpret_cast<const char*>(a->name);
            const bool own =
                !a->ns || xmlStrcmp(a->ns->href, reinterpret_cast<const xmlChar*>(
                                                     "http://www.w3.org/1999/xlink")) == 0;
            if (own && name != "id" && name != "class") {
                xmlChar* raw = xmlNodeListGetString(node->doc, a->children, 1);
                const std::string value = raw ? reinterpret_cast<const char*>(raw) : "";
                xmlFree(raw);
                if (has_non_ascii(value)) {
                    if (name == "style") {
                        std::string kept;
                        std::istringstream declarations(value);
                        for (std::string d; std::getline(declarations, d, ';');)
                            if (!has_non_ascii(d)) kept += d + ";";
                        xmlSetProp(node, a->name, reinterpret_cast<const xmlChar*>(kept.c_str()));
                    } else {
                        xmlRemoveProp(a);
                    }
                }
            }
            a = next;
        }
        drop_non_ascii_values(node->children);
    }
}

// A document without width and height is as large as its viewBox in pixels.
void default_size(xmlNode* root) {
    const auto box = attribute(root, "viewBox");
    if (!box) return;
    std::string spaced = *box;
    for (char& c : spaced) c = c == ',' ? ' ' : c;
    double x = 0, y = 0, w = 0, h = 0;
    if (std::sscanf(spaced.c_str(), "%lf %lf %lf %lf", &x, &y, &w, &h) != 4) return;
    const auto set = [&](const char* name, double v) {
        if (attribute(root, name)) return;
        const std::string value = std::to_string(v);
        xmlSetProp(root, reinterpret_cast<const xmlChar*>(name),
                   reinterpret_cast<const xmlChar*>(value.c_str()));
    };
    set("width", w);
    set("height", h);
}

// Entities declared in the document itself are expanded (illustration
// programs declare their namespaces so); files named by entities are never read.
// What the document asked for is noted, to be said.
thread_local std::vector<std::string>* refused_entities = nullptr;

xmlParserInputPtr no_external_entity(const char* url, const char* id, xmlParserCtxtPtr) {
    const std::string what = url ? url : id ? id : "";
    // The DTD a document names for its kind is not content: nothing is lost.
    const bool dtd = what.size() >= 4 && what.compare(what.size() - 4, 4, ".dtd") == 0;
    if (refused_entities && !what.empty() && !dtd &&
        std::find(refused_entities->begin(), refused_entities->end(), what) ==
            refused_entities->end()) {
        refused_entities->push_back(what);
    }
    return nullptr;
}

}  // namespace

void read_svg(const std::string& contents, const std::string& name, Drawing::Impl& drawing,
              std::vector<std::string>& notes) {
    if (contents.size() > static_cast<size_t>(std::numeric_limits<int>::max()))
        throw DrawingError(name + ": too large for an SVG document");
    XmlDoc xml;
    std::vector<std::string> refused;
    refused_entities = &refused;
    xmlSetExternalEntityLoader(no_external_entity);
    xml.doc = parse_xml_document(
        contents, XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    refused_entities = nullptr;
    for (const std::string& what : refused) {
        std::string shown;
        for (const char c : what) {
            shown += (c >= 0x20 && c < 0x7F) ? std::string(1, c) : "?";
        }
        notes.push_back("Not loaded: the external entity " + shown +
                        " (files and addresses an SVG document names are never read).");
    }
    if (!xml.doc) {
        const xmlError* error = xmlGetLastError();
        std::string why = error && error->message ? error->message : "not well-formed XML";
        while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
        throw DrawingError(name + ": not an SVG document: " + why +
                           (error ? " (line " + std::to_string(error->line) + ")" : ""));
    }
    xmlNode* root = xmlDocGetRootElement(xml.doc);
    if (!root || xmlStrcmp(root->name, reinterpret_cast<const xmlChar*>("svg")) != 0)
        throw DrawingError(name + ": not an SVG document (its root element is not <svg>)");
    if (!root->ns)
        adopt_namespace(root,
                        xmlNewNs(root, reinterpret_cast<const xmlChar*>(kSvgNamespace), nullptr));
    default_size(root);
    resolve_switches(root, user_language());
    try {
        cascade_styles(root);
    } catch (const std::runtime_error& e) {
        throw DrawingError(name + ": " + e.what());
    }
    drop_non_ascii_values(root);

    Shared shared(drawing);
    shared.ids = ids_of(root);
    shared.recursive = recursive_uses(root, shared.ids);
    if (ElementCounter(shared.ids, shared.recursive).count(root, 0) > kMaxElements)
        throw DrawingError(name + ": " + too_many_elements());
    // User units are CSS pixels, y down; the drawing is in millimetres, y up.
    Node top(shared, Affine::scale(kMmPerPx, -kMmPerPx));
    try {
        Traversal::load_document(root, top);
    } catch (const std::exception& e) {  // SVG++'s, and the limit above
        throw DrawingError(name + ": " + e.what());
    }
    if (!shared.refused.empty()) {
        std::string ids;
        for (const std::string& id : shared.refused) ids += (ids.empty() ? "#" : ", #") + id;
        notes.push_back("<use> of " + ids +
                        " not drawn: it holds itself (directly or through other <use>s)");
    }
    if (!shared.builder.fonts().empty()) {
        std::string families;
        for (const std::string& f : shared.builder.fonts())
            families += (families.empty() ? "" : ", ") + f;
        notes.push_back("Text in the font " + families + " is drawn with the stroke font (" +
                        StrokeFont::standard().source() + ").");
    }
}

}  // namespace tvk::host
