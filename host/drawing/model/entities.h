// The entity model behind Drawing: what the DXF reader builds and the block
// expansion walks. Everything is already in world (or block) coordinates:
// object coordinate systems are applied when an entity is read.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "host/drawing/geometry/geometry.h"
#include "host/drawing/model/drawing.h"

namespace tvk::host {

inline constexpr int kByBlock = 0;
inline constexpr int kByLayer = 256;
inline const SharedName kByLayerName = "BYLAYER";
inline const SharedName kByBlockName = "BYBLOCK";

struct Segment {
    Vec2 a, b;
};
// Straight segments joining the points (text strokes, runs of polyline edges).
struct Polyline {
    std::vector<Vec2> points;
};
// A smooth curve known only by the points it passes through.
struct FitCurve {
    std::vector<Vec2> points;
};
using Element = std::variant<Segment, Polyline, EllipseArc, BSpline, FitCurve>;

// One pen-down run, or one ring of a filled area.
struct Trace {
    std::vector<Element> elements;
};

// The chords of a trace under m, within `tolerance` of it.
std::vector<Vec2> flatten_trace(const Trace& trace, const Affine& m, double tolerance);
// The trace mapped by m.
Trace transformed(const Trace& trace, const Affine& m);
// The bounds of an element under m (of free-form curves, a little larger).
Box element_bounds(const Element& element, const Affine& m);

// Lines, curves, text strokes, points (a zero-length segment) or a filled area.
struct Shape {
    std::vector<Trace> traces;
    bool filled = false;
    // RAY and XLINE: one Segment from the base point one unit along the
    // direction, drawn on beyond b (a ray) or beyond both ends (a line) as
    // far as the plotted area reaches. They take no part in the extents.
    enum Reach { kBounded, kRay, kLine } reach = kBounded;
    // The stroke's width in the shape's units (an SVG stroke-width); 0: the
    // width the profile gives the pen.
    double width = 0;
    // A filled area by the nonzero rule (SVG, PDF, HP-GL/2), not the even-odd rule.
    bool nonzero = false;
};

// A block reference, possibly an array of them.
struct BlockRef {
    std::string block;            // upper case
    std::string kind = "INSERT";  // the DXF type, reported when the block is missing
    Affine frame;                 // insertion point, rotation and object coordinate system
    double sx = 1, sy = 1;
    int cols = 1, rows = 1;
    double col_spacing = 0, row_spacing = 0;
};

// An entity the host cannot draw, kept where it stands so that it is counted
// only when it would have been drawn.
struct Unsupported {
    SharedName type;
};

// A value kept on the heap, copied with its holder: what few entities have
// need not make every entity larger.
template <typename T>
class Boxed {
  public:
    Boxed(T value) : p_(std::make_unique<T>(std::move(value))) {}  // NOLINT: stands for a T
    Boxed(const Boxed& other) : p_(std::make_unique<T>(*other.p_)) {}
    Boxed(Boxed&&) noexcept = default;
    Boxed& operator=(const Boxed& other) { return *this = Boxed(other); }
    Boxed& operator=(Boxed&&) noexcept = default;
    const T& operator*() const { return *p_; }
    const T* operator->() const { return p_.get(); }

  private:
    std::unique_ptr<T> p_;
};

// A TEXT or ATTRIB as it stands in the file.
struct TextEntity {
    std::string text;
    Vec2 insert, align;
    double height = 1, width_factor = 1;
    double rotation = 0, oblique = 0;  // radians
    int hjust = 0, vjust = 0;          // groups 72 and 73
    bool backward = false, upside_down = false;
};

class StrokeFont;
// A TEXT or ATTRIB kept as text and stroked each time it is drawn: its
// strokes take twenty times the room.
struct StrokedText {
    TextEntity text;
    Affine ocs;  // its object coordinate system
    const StrokeFont* font;
};

// A drawing has millions of entities and a handful of layer and line-type
// names: each entity holds small numbers for them.
struct Entity {
    SharedName layer;                    // upper case
    SharedName linetype = kByLayerName;  // upper case
    int color = kByLayer;
    int32_t true_color = -1;  // 0xRRGGBB; -1: none
    // A segment or an arc alone (LINE, POINT, CIRCLE, ARC, ELLIPSE: most of
    // a drawing's entities) is held as it is, without a Shape around it, and
    // a TEXT as its text.
    using What =
        std::variant<Shape, Boxed<BlockRef>, Unsupported, Segment, EllipseArc, Boxed<StrokedText>>;
    What what;
};

struct Layer {
    int color = 7;
    int32_t true_color = -1;  // 0xRRGGBB; -1: none
    SharedName linetype = "CONTINUOUS";
    bool off = false;  // or not to be plotted
    bool frozen = false;
};

struct Block {
    Vec2 base;
    std::vector<Entity> entities;
    bool external = false;  // an external reference: its entities are in another file
};

// A window of a layout onto model space.
struct Viewport {
    Vec2 center;  // on the layout's paper
    double width = 0, height = 0;
    Vec2 view_center;  // of model space, relative to the target
    Vec2 target;
    double view_height = 0;  // of model space shown in the height
    double twist = 0;        // radians
};

// A paper-space layout: its paper, its own entities and its viewports.
struct Layout {
    std::string name;
    double paper_width_mm = 0, paper_height_mm = 0;
    std::string block;  // upper case; "*PAPER_SPACE": the paper space of the entities section
    std::vector<Viewport> viewports;
};

struct Drawing::Impl {
    std::map<std::string, Layer> layers;  // by upper-case name
    std::map<std::string, Block> blocks;  // by upper-case name
    std::vector<Entity> entities;         // what is plotted: model space, or paper space
                                          // when model space is empty
    bool model_space_empty = false;       // entities then holds paper space
    std::vector<Entity> paper_entities;   // the paper space of the entities section
    std::vector<Layout> layouts;          // in the drawing's order
    DashPatterns dash_patterns;           // by line-type name
    bool has_text = false;
    // Characters that no font has, drawn as "?", with how often they occur.
    std::map<char32_t, int> missing_characters;
    // A plot file's pen speeds (VS), cm/s, by the colour of the pen they were
    // asked for; colour 0: every pen.
    std::map<int, double> pen_speeds;

    const Layer& layer(const std::string& name) const;
};

}  // namespace tvk::host
