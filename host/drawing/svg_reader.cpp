#include "host/drawing/svg_reader.h"

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

#include "host/drawing/stroke_font.h"
#include "host/drawing/svg_builder.h"
#include "host/drawing/text.h"

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
    int anchor = 0;  // start, middle, end
};

struct TextCursor {
    Vec2 at;
    bool fresh = true;  // no character yet: leading spaces are dropped
};

struct Shared {
    explicit Shared(Drawing::Impl& d) : builder(d) {}
    SvgBuilder builder;
    std::map<std::string, xmlNode*> ids;
    std::deque<SvgClip> clips;  // stable: drawings point at them
    int depth = 0;              // of <use> and clip-path references being followed
    long elements = 0;
    int top_groups = 0;
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
          cursor_(parent.cursor_),
          skip_(parent.skip_),
          viewport_w_(parent.use_w_.value_or(parent.viewport_w_)),
          viewport_h_(parent.use_h_.value_or(parent.viewport_h_)) {
        if (++s_.elements > kMaxElements) throw DrawingError(too_many_elements());
        const std::string_view kind = reinterpret_cast<const char*>(element->name);
        if (kind == "text") cursor_ = std::make_shared<TextCursor>();
        image_ = kind == "image";
        use_ = kind == "use";
        // A line has no inside to fill.
        if (kind == "line") style_.fill.kind = Paint::kNone;
        // SVG 2 writes href without the xlink namespace.
        if (use_) {
            const std::string href = attribute(element, "href").value_or("");
            if (href.size() > 1 && href[0] == '#') href_ = href.substr(1);
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
        if (image_ && !skip_ && !style_.hidden && !collect_)
            s_.builder.add_unsupported("IMAGE", layer_);
        if (use_ && !skip_ && !href_.empty() && s_.depth < kMaxReferenceDepth) {
            auto it = s_.ids.find(href_);
            if (it == s_.ids.end()) return;
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
    void set_viewport(double, double, double w, double h) {
        // The page's lower-left corner is the drawing's origin.
        if (root_) m_ = Affine::translate({0, h * kMmPerPx}) * m_;
        set_viewbox_size(w, h);
    }
    void set_viewbox_size(double w, double h) {
        viewport_w_ = w;
        viewport_h_ = h;
        lengths_.set_viewport_size(w, h);
    }
    void get_reference_viewport_size(double& w, double& h) const {
        w = viewport_w_;
        h = viewport_h_;
    }
    void disable_rendering() { skip_ = true; }

    // ---- path data (basic shapes arrive as paths too)
    void path_move_to(double x, double y, tag::coordinate::absolute) {
        end_subpath();
        pos_ = start_ = {x, y};
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
        end_subpath();
        pos_ = start_;
    }
    void path_exit() {
        end_subpath();
        draw(std::move(traces_));
        traces_.clear();
    }

    // ---- text
    template <class Range>
    void set_text(const Range& range) {
        if (!cursor_ || skip_ || style_.hidden || collect_) return;
        std::u32string chars;
        for (char32_t c : to_characters(text_of(range))) {
            if (c == U'\n' || c == U'\r' || c == U'\t') c = U' ';
            if (c == U' ' && (cursor_->fresh || (!chars.empty() && chars.back() == U' '))) continue;
            chars.push_back(c);
            cursor_->fresh = false;
        }
        if (chars.empty()) return;
        const StrokeFont& font = StrokeFont::standard();
        const double cap = style_.font_size * kCapHeight;
        const double width = text_width(chars, font) * cap;
        const Vec2 at = cursor_->at - (style_.anchor * 0.5 * width) * Vec2{1, 0};
        Shape shape;
        add_strokes(chars, font, m_ * Affine{cap, 0, at.x, 0, -cap, at.y}, shape);
        cursor_->at.x = at.x + width;
        s_.builder.add_font(style_.font_family);
        SvgDraw d = drawn();
        // Text is filled: its strokes take the fill's colour, else the stroke's.
        if (d.fill) d.stroke = d.fill;
        d.fill.reset();
        s_.builder.add(shape.traces, d);
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
        if (v > 0) style_.font_size = v;
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
    template <class Range>
    void set(tag::attribute::x, const Range& r) {
        if (cursor_ && !boost::empty(r)) cursor_->at.x = *boost::begin(r);
    }
    template <class Range>
    void set(tag::attribute::y, const Range& r) {
        if (cursor_ && !boost::empty(r)) cursor_->at.y = *boost::begin(r);
    }
    void set(tag::attribute::width, double v) { use_w_ = v; }
    void set(tag::attribute::height, double v) { use_h_ = v; }

    // The clip paths in force here, this element's own included.
    const std::vector<const SvgClip*>& resolved_clips();

  private:
    friend void load_reference(Node&, xmlNode*, bool);

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

    void line_to(Vec2 p) {
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
        trace_.elements.push_back(EllipseArc{centre, {rx * c, rx * s}, {-ry * s, ry * c}, t0, t1});
        pos_ = p;
    }
    void end_subpath() {
        if (!trace_.elements.empty()) traces_.push_back(std::move(trace_));
        trace_ = Trace{};
    }

    void draw(std::vector<Trace> traces) {
        if (skip_ || style_.hidden || traces.empty()) return;
        for (Trace& t : traces) t = transformed(t, m_);
        std::erase_if(traces, [](const Trace& t) { return !finite(t); });
        if (traces.empty()) return;
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
    std::shared_ptr<TextCursor> cursor_;
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
                    tag::element::text, tag::element::tspan, tag::element::image, tag::element::a,
                    tag::element::switch_>::type;
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
    tag::attribute::text_anchor>;
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
template <class Set, class More>
using Joined =
    typename boost::mpl::fold<More, Set, boost::mpl::insert<boost::mpl::_1, boost::mpl::_2>>::type;
using Attributes =
    Joined<Joined<svgpp::traits::shapes_attributes_by_element, Properties>, ViewportAttributes>;

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
    // Clips in the units of the bounding box are left out: not drawn clipped.
    if (attribute(it->second, "clipPathUnits").value_or("") == "objectBoundingBox") return clips_;
    SvgClip& clip = s_.clips.emplace_back();
    // The clip path's content is in the user space of the element it clips.
    Node collector(*this, it->second);
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

void collect_ids(xmlNode* node, std::map<std::string, xmlNode*>& ids) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        if (xmlChar* id = xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>("id"))) {
            ids.emplace(reinterpret_cast<const char*>(id), node);
            xmlFree(id);
        }
        collect_ids(node->children, ids);
    }
}

// How many elements drawing `node` instantiates, each <use> counting its
// target again; saturating at the limit.
class ElementCounter {
  public:
    explicit ElementCounter(const std::map<std::string, xmlNode*>& ids) : ids_(ids) {}

    double count(const xmlNode* node, int depth) {
        if (depth > kMaxReferenceDepth) return 0;
        if (auto known = memo_.find(node); known != memo_.end()) return known->second;
        double n = 1;
        if (xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>("use")) == 0) {
            const std::string href = attribute(node, "href").value_or("");
            if (auto it = ids_.find(href.empty() ? "" : href.substr(1)); it != ids_.end())
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
    std::map<const xmlNode*, double> memo_;
};

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return "";
    return std::string(s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1));
}

// Whether a simple selector (tag, .class, #id, tag.class) picks the element.
bool selects(const std::string& selector, const xmlNode* node) {
    const auto dot = selector.find('.');
    const std::string tag = selector.substr(0, std::min(dot, selector.find('#')));
    if (!tag.empty() && tag != "*" && tag != reinterpret_cast<const char*>(node->name))
        return false;
    if (selector.size() > tag.size() && selector[tag.size()] == '#')
        return attribute(node, "id").value_or("") == selector.substr(tag.size() + 1);
    if (dot == std::string::npos) return !tag.empty();
    std::istringstream classes(attribute(node, "class").value_or(""));
    const std::string wanted = selector.substr(dot + 1);
    for (std::string c; classes >> c;)
        if (c == wanted) return true;
    return false;
}

// Style sheets (<style>) of simple selectors, as illustration programs write
// them: the declarations of the rules that pick an element go before its own
// style attribute, later rules after earlier ones.
void apply_style_sheets(xmlNode* root) {
    std::vector<std::pair<std::string, std::string>> rules;  // selector, declarations
    std::vector<xmlNode*> elements;
    const std::function<void(xmlNode*)> walk = [&](xmlNode* node) {
        for (; node; node = node->next) {
            if (node->type != XML_ELEMENT_NODE) continue;
            elements.push_back(node);
            if (xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>("style")) == 0) {
                xmlChar* text = xmlNodeGetContent(node);
                std::string css = text ? reinterpret_cast<const char*>(text) : "";
                xmlFree(text);
                for (size_t open; (open = css.find("/*")) != std::string::npos;)
                    css.erase(open, css.find("*/", open) == std::string::npos
                                        ? std::string::npos
                                        : css.find("*/", open) + 2 - open);
                for (size_t at = 0, brace; (brace = css.find('{', at)) != std::string::npos;) {
                    const size_t end = std::min(css.find('}', brace), css.size());
                    const std::string body = css.substr(brace + 1, end - brace - 1);
                    std::istringstream selectors(css.substr(at, brace - at));
                    for (std::string selector; std::getline(selectors, selector, ',');)
                        rules.emplace_back(trimmed(selector), body);
                    at = end + 1;
                }
            }
            walk(node->children);
        }
    };
    walk(root);
    if (rules.empty()) return;
    for (xmlNode* node : elements) {
        std::string style;
        for (const auto& [selector, body] : rules)
            if (selects(selector, node)) style += body + ";";
        if (style.empty()) continue;
        style += attribute(node, "style").value_or("");
        xmlSetProp(node, reinterpret_cast<const xmlChar*>("style"),
                   reinterpret_cast<const xmlChar*>(style.c_str()));
    }
}

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
    xml.doc =
        xmlReadMemory(contents.data(), static_cast<int>(contents.size()), nullptr, nullptr,
                      XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
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
    apply_style_sheets(root);
    drop_non_ascii_values(root);

    Shared shared(drawing);
    collect_ids(root, shared.ids);
    if (ElementCounter(shared.ids).count(root, 0) > kMaxElements)
        throw DrawingError(name + ": " + too_many_elements());
    // User units are CSS pixels, y down; the drawing is in millimetres, y up.
    Node top(shared, Affine::scale(kMmPerPx, -kMmPerPx));
    try {
        Traversal::load_document(root, top);
    } catch (const std::exception& e) {  // SVG++'s, and the limit above
        throw DrawingError(name + ": " + e.what());
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
