#include "host/drawing/dxf/dxf_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>

#include "host/drawing/dxf/dxf_check.h"
#include "host/drawing/dxf/dxf_groups.h"
#include "host/drawing/dxf/hatch_boundary.h"
#include "host/drawing/dxf/hatch_paths.h"
#include "host/drawing/dxf/hatch_pattern.h"
#include "host/drawing/dxf/layouts.h"
#include "host/drawing/dxf/mleader.h"
#include "host/drawing/dxf/mline.h"
#include "host/drawing/dxf/mtext_columns.h"
#include "host/drawing/dxf/polylines.h"
#include "host/drawing/dxf/splines.h"
#include "host/drawing/geometry/geometry.h"
#include "host/drawing/model/true_color.h"
#include "host/drawing/text/code_page.h"
#include "host/drawing/text/font_families.h"
#include "host/drawing/text/text.h"

namespace tvk::host {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegree = kPi / 180;

// The groups of one DXF entity or table entry, read once it is complete.
struct RawEntity : Groups {
    std::string_view type;
    std::string_view section;
    bool handled = false;
    // The groups after a 101 "Embedded Object" marker (the columns of an MTEXT),
    // kept apart: they reuse the codes of the entity's own groups.
    Groups embedded;
    // The object coordinate system from the extrusion direction (210, 220, 230).
    Affine ocs() const { return Affine::ocs(real(210, 0), real(220, 0), real(230, 1)); }
};

// Entity types that are structure, or definitions that are not drawn: never
// counted as unsupported.
const std::set<std::string, std::less<>> kNotDrawn = {
    "SEQEND", "VERTEX", "BLOCK", "ENDBLK", "ATTDEF", "VIEWPORT", "SECTION", "ENDSEC", "EOF"};

struct TextStyle {
    double width_factor = 1;
    double oblique = 0;  // degrees
    double height = 0;   // 0: not fixed
    const StrokeFont* font = &StrokeFont::standard();
};
constexpr double kDefaultTextHeight = 2.5;

// The true colour of group 420, 0xRRGGBB: the low 24 bits of the number
// (some programs set bits above them).
int32_t true_color(const Groups& g) {
    const double v = g.real(420, 0);
    const int64_t bits = std::fabs(v) < 9e18 ? static_cast<int64_t>(v) : 0;
    return static_cast<int32_t>(static_cast<uint64_t>(bits) & 0xFFFFFF);
}

class Reader {
  public:
    Reader(Drawing::Impl& d, const StrokeFont& font) : d_(d), font_(font) {}

    void finish() {
        next_entity({});
        close_open();
        d_.model_space_empty = model_.empty();
        d_.paper_entities = paper_;
        d_.entities = model_.empty() ? std::move(paper_) : std::move(model_);
        read_layouts(layout_objects_, viewports_, block_names_, d_);
        // The definition points of dimensions are never plotted.
        d_.layers["DEFPOINTS"].off = true;
    }

    // ---- bookkeeping -------------------------------------------------------------------
    // Each group as it is read: an entity is complete at the next group 0.
    void take(int code, std::string_view value, double number) {
        if (code == 0) {
            next_entity(value);
            return;
        }
        if (code == 2 && expect_section_name_) {
            section_ = value;
            in_header_ = value == "HEADER";
            expect_section_name_ = false;
        }
        if (in_header_) {
            if (code == 9) header_variable_ = value;
            if (code == 3 && header_variable_ == "$DWGCODEPAGE") code_page_ = value;
            if (code == 70 && header_variable_ == "$MEASUREMENT") metric_ = value == "1";
            if (code == 40 && header_variable_ == "$HPGAPTOL" && number > 0 &&
                std::isfinite(number))
                gap_tolerance_ = number;
        }
        if (code == 101 || !current_.embedded.groups.empty()) {
            current_.embedded.groups.push_back({code, value, number});
            return;
        }
        current_.groups.push_back({code, value, number});
    }

  private:
    // The entity collected so far is complete: it is read, and the next one
    // (of type `type`, empty at the end) begins. The two entities' group
    // lists take turns, so that their room is allocated once.
    void next_entity(std::string_view type) {
        std::swap(pending_, current_);
        current_.groups.clear();
        current_.embedded.groups.clear();
        current_.handled = false;
        current_.type = type;
        current_.section = section_;
        if (type == "ENDSEC") {
            section_ = {};
            in_header_ = false;
        }
        expect_section_name_ = type == "SECTION";
        complete(pending_, type);
    }

    void complete(const RawEntity& raw, std::string_view next) {
        const std::string_view type = raw.type;
        if (type == "VERTEX") add_vertex(raw);
        // Objects name blocks by the handles of their block records.
        if (type == "BLOCK_RECORD") block_names_[raw.text(5)] = raw.text(2);
        if (type == "LAYOUT") layout_objects_.push_back(raw);
        if (type == "VIEWPORT") viewports_.push_back(raw);
        if (type == "DIMSTYLE" && raw.section == "TABLES")
            dim_styles_[upper(raw.text(2))] = {raw.real(41, -1), raw.real(40, 1), raw.text(341)};
        if (auto read = kReaders.find(type); read != kReaders.end()) (this->*read->second)();
        // The last vertex of a polyline ends it, where no SEQEND does.
        if (type == "VERTEX" && next != "VERTEX") close_open();
        settle(raw);
    }

    // ---- tables and blocks -----------------------------------------------------------
    void add_layer() {
        std::string name = pending_.last_text(2);
        if (name.empty()) return;
        int color = pending_.integer(62, 7);
        Layer layer;
        layer.color = std::abs(color) >= 1 && std::abs(color) <= 255 ? std::abs(color) : 7;
        layer.linetype = upper(pending_.text(6, "CONTINUOUS"));
        if (pending_.has(420)) layer.true_color = true_color(pending_);
        // A layer that is off, or that is not to be plotted (group 290), is not plotted.
        layer.off = color < 0 || pending_.integer(290, 1) == 0;
        layer.frozen = (pending_.last_integer(70, 0) & 1) != 0;
        d_.layers[upper(name)] = layer;
    }

    // A style's font file goes to the stroke font of the same family; a
    // TrueType style may name its family only in its extended data.
    void add_text_style() {
        std::string name = pending_.last_text(2);
        if (name.empty()) return;
        std::string file = pending_.last_text(3);
        if (file.empty()) file = pending_.text(1000);
        double width_factor = pending_.last_real(41, 0);
        styles_[upper(name)] =
            TextStyle{width_factor > 0 ? width_factor : 1, pending_.real(50, 0),
                      pending_.last_real(40, 0), &family_font(font_family(file))};
    }

    void add_block() {
        std::string name = pending_.last_text(2);
        if (name.empty()) return;
        close_open();
        Block& block = d_.blocks[upper(name)];
        block = Block{{pending_.last_real(10, 0), pending_.last_real(20, 0)},
                      {},
                      (pending_.last_integer(70, 0) & (4 | 8)) != 0};
        block_ = &block;
    }

    void end_block() {
        close_open();
        block_ = nullptr;
    }

    // ---- simple entities ---------------------------------------------------------------
    Vec2 point(int x_code) const {
        return {pending_.last_real(x_code, 0), pending_.last_real(x_code + 10, 0)};
    }

    void add_point() {
        if (!begin()) return;
        add_shape(Segment{point(10), point(10)});
    }

    void add_line() {
        if (!begin()) return;
        add_shape(Segment{point(10), point(11)});
    }

    void add_arc() {
        if (!begin()) return;
        add_circle(point(10), pending_.last_real(40, 0), pending_.last_real(50, 0) * kDegree,
                   pending_.last_real(51, 0) * kDegree);
    }

    void add_full_circle() {
        if (!begin()) return;
        add_circle(point(10), pending_.last_real(40, 0), 0, 2 * kPi);
    }

    void add_ellipse() {
        if (!begin()) return;
        // The minor axis is the major one turned about the extrusion direction.
        double nx = pending_.real(210, 0), ny = pending_.real(220, 0), nz = pending_.real(230, 1);
        double mx = pending_.last_real(11, 0), my = pending_.last_real(21, 0),
               mz = pending_.last_real(31, 0);
        double ratio = pending_.last_real(40, 1);
        Vec2 minor{ratio * (ny * mz - nz * my), ratio * (nz * mx - nx * mz)};
        double t0 = pending_.last_real(41, 0), t1 = pending_.last_real(42, 2 * kPi);
        if (t1 <= t0) t1 += 2 * kPi;
        add_shape(EllipseArc{point(10), {mx, my}, minor, t0, t1});
    }

    // In world coordinates; a direction along z draws nothing on the plan.
    void add_xline() { add_infinite(point(10), point(11), Shape::kLine); }
    void add_ray() { add_infinite(point(10), point(11), Shape::kRay); }

    void add_3d_face() {
        if (!begin()) return;
        int invisible = pending_.integer(70, 0);
        Vec2 corner[4] = {point(10), point(11), point(12), point(13)};
        int corners = corner[3] == corner[2] ? 3 : 4;
        Shape shape;
        for (int i = 0; i < corners; ++i) {
            if (invisible & (1 << i)) continue;
            shape.traces.push_back(Trace{{Segment{corner[i], corner[(i + 1) % corners]}}});
        }
        push(std::move(shape));
    }

    void add_insert() {
        std::string name = pending_.last_text(2);
        if (name.empty() || !begin()) return;
        BlockRef ref;
        ref.block = upper(name);
        ref.frame = pending_.ocs() * Affine::translate(point(10)) *
                    Affine::rotate(pending_.last_real(50, 0) * kDegree);
        ref.sx = pending_.last_real(41, 1);
        ref.sy = pending_.last_real(42, 1);
        ref.cols = std::max(pending_.last_integer(70, 1), 1);
        ref.rows = std::max(pending_.last_integer(71, 1), 1);
        ref.col_spacing = pending_.last_real(44, 0);
        ref.row_spacing = pending_.last_real(45, 0);
        push(std::move(ref));
    }

    // ---- text --------------------------------------------------------------------------
    void add_text_entity() {
        if (!begin()) return;
        add_text(text_from_groups(pending_, 73), pending_.last_real(40, 2.5));
    }

    void add_attribute() {
        if (!begin() || (pending_.integer(70, 0) & 1)) return;  // an invisible attribute
        add_text(text_from_groups(pending_, 74), pending_.last_real(40, 2.5));
    }

    void add_mtext() {
        if (!begin()) return;
        MTextEntity t;
        for (const Group& g : pending_.groups)
            if (g.code == 3) t.text += g.text;
        t.text += pending_.text(1);
        t.text = to_utf8(t.text, code_page_);
        t.insert = point(10);
        if (pending_.has(11)) {
            t.direction = {pending_.real(11, 1), pending_.real(21, 0)};
        } else {
            double rotation = pending_.real(50, 0) * kDegree;
            t.direction = {std::cos(rotation), std::sin(rotation)};
        }
        double height = pending_.last_real(40, 2.5);
        t.height = height > 0 ? height : style().height > 0 ? style().height : kDefaultTextHeight;
        t.width = pending_.real(41, 0);
        t.line_spacing = pending_.real(44, 1);
        t.attachment = pending_.last_integer(71, 1);
        t.columns = mtext_columns(pending_.embedded);
        t.width_factor = style().width_factor;
        t.oblique = style().oblique * kDegree;
        for (const std::u32string& line : mtext_lines(t.text)) count_missing(line, *style().font);
        push(mtext_shape(t, *style().font));
        d_.has_text = true;
    }

    // ---- entities with parts -----------------------------------------------------------
    void add_polyline() {
        if (!begin()) return;
        int flags = pending_.last_integer(70, 0);
        bool planar = (flags & (8 | 16 | 64)) == 0;
        open_.emplace(Open{Open::kPolyline, entity(), &container()});
        open_->polyline = {flags,
                           pending_.last_integer(71, 0),
                           pending_.last_integer(72, 0),
                           planar ? pending_.ocs() : Affine{},
                           {}};
        open_->start_width = pending_.real(40, 0);
        open_->end_width = pending_.real(41, 0);
    }

    // Every vertex, whatever group 90 announces.
    void add_lwpolyline() {
        add_polyline();
        if (!open_) return;
        auto& vertices = open_->polyline.vertices;
        for (const Group& g : pending_.groups) {
            if (g.code == 10) vertices.push_back({.p = {g.real(), 0}});
            if (vertices.empty()) continue;
            if (g.code == 20) vertices.back().p.y = g.real();
            if (g.code == 42) vertices.back().bulge = g.real();
            if (g.code == 40) vertices.back().start_width = g.real();
            if (g.code == 41) vertices.back().end_width = g.real();
        }
        // A constant width stands for every segment's, as AutoCAD draws it.
        if (double width = pending_.real(43, 0); width != 0) {
            for (auto& v : vertices) v.start_width = v.end_width = width;
        }
        close_open();
    }

    // A vertex of the polyline being read, the faces of polyface meshes included.
    void add_vertex(const RawEntity& raw) {
        if (!open_ || open_->kind != Open::kPolyline) return;
        PolylineVertex vertex{.p = {raw.real(10, 0), raw.real(20, 0)},
                              .bulge = raw.real(42, 0),
                              .flags = raw.integer(70, 0),
                              .start_width = raw.real(40, open_->start_width),
                              .end_width = raw.real(41, open_->end_width)};
        for (int k = 0; k < 4; ++k) vertex.index[k] = raw.integer(71 + k, 0);
        open_->polyline.vertices.push_back(vertex);
    }

    // Every knot and point, whatever the counts announce.
    void add_spline() {
        if (!begin()) return;
        if (auto element = spline_from_groups(pending_)) {
            push(Shape{{Trace{{std::move(*element)}}}, false});
        } else {
            push(Unsupported{"SPLINE"});
        }
    }

    // Every vertex, whatever group 76 announces.
    void add_leader() {
        if (!begin()) return;
        open_.emplace(Open{Open::kLeader, entity(), &container()});
        open_->spline = pending_.last_integer(72, 0) == 1;
        if (pending_.last_integer(71, 1) == 1) {
            // The arrowhead of its dimension style, or of the style's overrides.
            auto overrides = dimension_overrides(pending_);
            auto style = dim_styles_.find(upper(pending_.text(3, "STANDARD")));
            DimStyle s = style == dim_styles_.end() ? DimStyle{} : style->second;
            if (s.arrow_size < 0) s.arrow_size = metric_ ? 2.5 : 0.18;
            auto value = [&](int code, double fallback) {
                auto it = overrides.find(code);
                return it == overrides.end() ? fallback : it->second.real();
            };
            double scale = value(40, s.scale);
            open_->arrow_size = value(41, s.arrow_size) * (scale > 0 ? scale : 1);
            auto block = overrides.count(341) ? std::string(overrides[341].text) : s.leader_arrow;
            if (auto name = block_names_.find(block); name != block_names_.end())
                open_->arrow_block = upper(name->second);
        }
        auto& vertices = open_->polyline.vertices;
        for (const Group& g : pending_.groups) {
            if (g.code == 10) vertices.push_back({.p = {g.real(), 0}});
            if (g.code == 20 && !vertices.empty()) vertices.back().p.y = g.real();
        }
        close_open();
    }

    void add_hatch() {
        if (!begin()) return;
        open_.emplace(Open{Open::kHatch, entity(), &container()});
        open_->solid = pending_.last_integer(70, 0) != 0;
        open_->ocs = pending_.ocs();
        open_->loops = hatch_paths(pending_);
        if (!open_->solid) {
            open_->pattern = pattern_lines(pending_);
            // Some programs name the pattern but leave out its lines.
            if (open_->pattern.empty())
                open_->pattern = standard_pattern(pending_.text(2), pending_.real(52, 0) * kDegree,
                                                  pending_.real(41, 1), metric_);
        }
        close_open();
    }

    // What each entity type and table entry is read by; entities of other
    // types are drawn from their groups where they are drawn at all.
    using Read = void (Reader::*)();
    static const std::unordered_map<std::string_view, Read> kReaders;

    // Something read in parts: a polyline and its vertices; a leader or
    // hatch is closed as soon as it is read.
    struct Open {
        enum Kind { kPolyline, kLeader, kHatch } kind;
        Entity entity;
        std::vector<Entity>* container;
        // A polyline, and the vertices of a leader.
        PolylineData polyline{};
        double start_width = 0, end_width = 0;  // of vertices that give none
        // A hatch.
        bool solid = false;
        Affine ocs{};
        std::vector<Trace> loops{};
        std::vector<PatternLine> pattern{};
        // A leader.
        bool spline = false;
        double arrow_size = 0;      // of its arrowhead
        std::string arrow_block{};  // its block, when not closed filled
    };

    struct DimStyle {
        double arrow_size = -1;    // DIMASZ; below 0 for the default of the units
        double scale = 1;          // DIMSCALE
        std::string leader_arrow;  // DIMLDRBLK, the handle of its block record
    };

    // The dimension variables an entity overrides in its extended data
    // ("DSTYLE"), by their group codes.
    static std::map<int, Group> dimension_overrides(const Groups& g) {
        std::map<int, Group> out;
        bool in = false;
        int code = 0;
        for (const Group& group : g.groups) {
            const int c = group.code;
            if (c == 1000 && group.text == "DSTYLE") in = true;
            if (!in || c == 1000 || c == 1002) {
                if (in && c == 1002 && group.text == "}") break;
                continue;
            }
            if (code == 0 && c == 1070) {
                code = group.integer();
            } else {
                out[code] = group;
                code = 0;
            }
        }
        return out;
    }

    // Starts an entity: closes the one collected before and tells whether
    // this one is visible at all (group 60).
    bool begin() {
        close_open();
        pending_.handled = true;
        return pending_.integer(60, 0) != 1;
    }

    // Once an entity is read: a dimension becomes a reference to its
    // picture; anything else nothing drew is counted where it stands, so that
    // layers and blocks decide whether it would have been seen.
    void settle(const RawEntity& raw) {
        bool drawable_section = raw.section == "ENTITIES" || raw.section == "BLOCKS";
        bool visible =
            !raw.type.empty() && !raw.handled && drawable_section && raw.integer(60, 0) != 1;
        if (visible && raw.type == "ATTDEF") {
            add_constant_attribute();
        } else if (visible && !kNotDrawn.count(raw.type)) {
            if (raw.type == "MULTILEADER" || raw.type == "MLEADER") {
                add_multileader(raw);
            } else {
                Entity e = entity(raw);
                e.what = drawn_from_groups(raw);
                container(raw).push_back(std::move(e));
            }
        }
    }

    // A constant attribute shows in every reference of its block as its
    // definition stands: no reference carries one of its own.
    void add_constant_attribute() {
        const RawEntity& a = pending_;
        int flags = a.integer(70, 0);
        if (!(flags & 2) || (flags & 1)) return;
        add_text(text_from_groups(a, 74), a.real(40, 0));
    }

    void add_multileader(const RawEntity& raw) {
        MLeaderParts parts = multileader_parts(raw.groups);
        std::vector<Entity>& into = container(raw);
        auto add = [&](Entity::What what) {
            Entity e = entity(raw);
            e.what = std::move(what);
            into.push_back(std::move(e));
        };
        if (!parts.lines.traces.empty()) add(std::move(parts.lines));
        if (!parts.arrows.traces.empty()) add(std::move(parts.arrows));
        if (parts.text) {
            parts.text->text = to_utf8(parts.text->text, code_page_);
            for (const std::u32string& line : mtext_lines(parts.text->text))
                count_missing(line, font_);
            if (Shape text = mtext_shape(*parts.text, font_); !text.traces.empty())
                add(std::move(text));
            d_.has_text = true;
        }
        if (!parts.block_handle.empty()) {
            auto name = block_names_.find(parts.block_handle);
            if (name == block_names_.end()) {
                add(Unsupported{std::string(raw.type)});
            } else {
                parts.block.block = upper(name->second);
                add(std::move(parts.block));
            }
        }
    }

    // Entities without a reader of their own: dimensions and tables are
    // drawn from the blocks that hold their pictures, multilines and helices
    // from their groups; anything else cannot be drawn.
    static Entity::What drawn_from_groups(const RawEntity& raw) {
        const std::string_view type = raw.type;
        if (type == "MLINE") {
            if (Shape s = mline_shape(raw.groups); !s.traces.empty()) return s;
        } else if (type == "HELIX") {
            if (auto curve = spline_from_groups(raw))
                return Shape{{Trace{{std::move(*curve)}}}, false};
        } else if (type.ends_with("DIMENSION") || type == "ACAD_TABLE") {
            if (std::string block = raw.text(2); !block.empty()) {
                BlockRef ref;
                ref.block = upper(block);
                ref.kind = std::string(type);
                // A table's block stands at its insertion point; a dimension's where it is.
                if (type == "ACAD_TABLE")
                    ref.frame = Affine::translate({raw.real(10, 0), raw.real(20, 0)});
                return ref;
            }
        }
        return Unsupported{std::string(type)};
    }

    // The layer, colour and line type of an entity.
    static Entity entity(const RawEntity& raw) {
        Entity e;
        e.layer = upper(raw.text(8, "0"));
        e.color = std::abs(raw.integer(62, kByLayer));
        // A true colour is what is shown; the index beside it, or else the
        // nearest indexed colour, chooses the pen where the pens' colours are unknown.
        if (raw.has(420)) {
            e.true_color = true_color(raw);
            if (!raw.has(62)) e.color = nearest_color_index(static_cast<uint32_t>(e.true_color));
        }
        e.linetype = upper(raw.text(6, "BYLAYER"));
        return e;
    }
    Entity entity() const { return entity(pending_); }

    // Where the entity goes: its block, model space or paper space (group 67).
    std::vector<Entity>& container(const RawEntity& raw) {
        if (block_) return block_->entities;
        return raw.integer(67, 0) == 1 ? paper_ : model_;
    }
    std::vector<Entity>& container() { return container(pending_); }

    template <typename What>
    void push(What what) {
        Entity e = entity();
        e.what = std::move(what);
        container().push_back(std::move(e));
    }

    void push(Shape shape) {
        if (shape.traces.empty()) return;
        Entity e = entity();
        e.what = std::move(shape);
        container().push_back(std::move(e));
    }

    // A segment or an arc alone is kept as it is.
    void add_shape(Element element) {
        if (auto* s = std::get_if<Segment>(&element))
            push(*s);
        else if (auto* arc = std::get_if<EllipseArc>(&element))
            push(*arc);
        else
            push(Shape{{Trace{{std::move(element)}}}, false});
    }

    void add_circle(Vec2 c, double r, double a0, double a1) {
        if (a1 <= a0) a1 += 2 * kPi;
        add_shape(EllipseArc{c, {r, 0}, {0, r}, a0, a1}.transformed(pending_.ocs()));
    }

    void add_infinite(Vec2 base, Vec2 direction, Shape::Reach reach) {
        if (!begin() || length(direction) == 0) return;
        Shape shape{{Trace{{Segment{base, base + (1 / length(direction)) * direction}}}}, false};
        shape.reach = reach;
        push(std::move(shape));
    }

    // SOLID and TRACE: corners in the order 1, 2, 4, 3; a triangle repeats the third.
    void add_quad() {
        if (!begin()) return;
        std::vector<Vec2> corners{point(10), point(11), point(13), point(12)};
        if (corners[2] == corners[3]) corners.pop_back();
        push(Shape{{bulged_trace(corners, {}, true, pending_.ocs())}, true});
    }

    const TextStyle& style() {
        static const TextStyle standard;
        auto it = styles_.find(upper(pending_.text(7, "STANDARD")));
        return it == styles_.end() ? standard : it->second;
    }

    // A TEXT, ATTRIB or ATTDEF as its groups give it; the vertical
    // justification is group 73 of a TEXT, 74 of an attribute.
    static TextEntity text_from_groups(const RawEntity& raw, int vjust_code) {
        TextEntity text;
        text.text = raw.last_text(1);
        text.insert = {raw.last_real(10, 0), raw.last_real(20, 0)};
        // Without its second alignment point, a text aligns at its insertion point.
        text.align = {raw.last_real(11, text.insert.x), raw.last_real(21, text.insert.y)};
        text.rotation = raw.last_real(50, 0) * kDegree;
        text.hjust = raw.last_integer(72, 0);
        text.vjust = raw.last_integer(vjust_code, 0);
        const int flags = raw.last_integer(71, 0);
        text.backward = (flags & 2) != 0;
        text.upside_down = (flags & 4) != 0;
        return text;
    }

    // The text in its style; a height of 0 is the style's.
    void add_text(TextEntity text, double height) {
        const TextStyle& s = style();
        text.text = to_utf8(text.text, code_page_);
        text.height = height > 0 ? height : s.height > 0 ? s.height : kDefaultTextHeight;
        text.width_factor = pending_.last_real(41, s.width_factor);
        text.oblique = pending_.real(51, s.oblique) * kDegree;
        count_missing(decode_text(text.text), *s.font);
        push(Boxed<StrokedText>({std::move(text), pending_.ocs(), s.font}));
        d_.has_text = true;
    }

    // Characters the font draws as "?", for the report.
    void count_missing(const std::u32string& text, const StrokeFont& font) {
        for (char32_t c : text) {
            if (c != kUnderlineSwitch && c != kOverlineSwitch && c >= U' ' && !font.has(c))
                ++d_.missing_characters[c];
        }
    }

    void close_open() {
        if (!open_) return;
        Open o = std::move(*open_);
        open_.reset();
        Shape shape;
        switch (o.kind) {
            case Open::kPolyline:
                for (Shape& part : polyline_shapes(o.polyline)) {
                    if (part.traces.empty()) continue;
                    Entity e = o.entity;
                    e.what = std::move(part);
                    o.container->push_back(std::move(e));
                }
                return;
            case Open::kLeader: {
                std::vector<Vec2> points;
                for (const auto& v : o.polyline.vertices) points.push_back(v.p);
                if (points.size() < 2) break;
                add_leader_arrow(o, points[0], points[1]);
                auto curve = o.spline ? interpolate_fit_points(points, points[1] - points[0],
                                                               points.back() - points.end()[-2])
                                      : std::nullopt;
                if (curve)
                    shape.traces.push_back(Trace{{std::move(*curve)}});
                else
                    shape.traces.push_back(bulged_trace(points, {}, false, {}));
                break;
            }
            case Open::kHatch: {
                std::erase_if(o.loops, [](const Trace& loop) { return loop.elements.empty(); });
                // Edges end to start; a path that does not close is drawn as
                // its edges, and reported, rather than filled wrongly.
                // Where one path stays open the hatch is drawn as all its
                // edges: filling the others alone would fill its holes.
                std::vector<Trace> rings;
                bool open_path = false;
                for (const Trace& loop : o.loops) {
                    ChainedBoundary chained = chain_boundary(loop, gap_tolerance_);
                    for (Trace& ring : chained.rings) rings.push_back(std::move(ring));
                    open_path = open_path || !chained.closed;
                }
                if (open_path) {
                    Shape lines;
                    for (const Trace& loop : o.loops) {
                        for (const Element& edge : transformed(loop, o.ocs).elements)
                            lines.traces.push_back(Trace{{edge}});
                    }
                    Entity edges = o.entity;
                    edges.what = std::move(lines);
                    o.container->push_back(std::move(edges));
                    Entity report = o.entity;
                    report.what = Unsupported{"HATCH boundary that does not close"};
                    o.container->push_back(std::move(report));
                    return;
                }
                o.loops = std::move(rings);
                if (o.solid) {
                    for (const auto& loop : o.loops)
                        shape.traces.push_back(transformed(loop, o.ocs));
                    shape.filled = true;
                } else if (auto pattern =
                               pattern_shape(o.loops, o.pattern, pattern_strokes_left_)) {
                    pattern_strokes_left_ -= pattern->traces.size();
                    for (const auto& trace : pattern->traces)
                        shape.traces.push_back(transformed(trace, o.ocs));
                } else if (!o.loops.empty()) {
                    // A pattern too dense to draw, or none: the boundary, and a report.
                    for (const auto& loop : o.loops)
                        shape.traces.push_back(transformed(loop, o.ocs));
                    Entity report = o.entity;
                    report.what = Unsupported{"HATCH pattern"};
                    o.container->push_back(std::move(report));
                }
                break;
            }
        }
        if (shape.traces.empty()) return;
        o.entity.what = std::move(shape);
        o.container->push_back(std::move(o.entity));
    }

    // The arrowhead of a leader: its block turned to point from `next` to
    // `tip` and scaled to its size, or a closed filled one.
    static void add_leader_arrow(const Open& o, Vec2 tip, Vec2 next) {
        if (!(o.arrow_size > 0) || tip == next) return;
        Entity arrow = o.entity;
        if (o.arrow_block.empty()) {
            arrow.what = Shape{{closed_filled_arrow(tip, next, o.arrow_size)}, true};
        } else {
            BlockRef ref;
            ref.block = o.arrow_block;
            ref.kind = "LEADER";
            Vec2 d = tip - next;
            ref.frame = Affine::translate(tip) * Affine::rotate(std::atan2(d.y, d.x));
            ref.sx = ref.sy = o.arrow_size;
            arrow.what = std::move(ref);
        }
        o.container->push_back(std::move(arrow));
    }

    Drawing::Impl& d_;
    const StrokeFont& font_;
    std::map<std::string, TextStyle> styles_;
    std::map<std::string, std::string> block_names_;  // by the handle of their block record
    std::vector<Groups> layout_objects_, viewports_;  // read into layouts at the end
    std::vector<Entity> model_, paper_;
    Block* block_ = nullptr;
    std::optional<Open> open_;
    RawEntity current_, pending_;
    std::string_view section_;
    bool in_header_ = false;
    double gap_tolerance_ = 0;  // $HPGAPTOL: the gap a hatch boundary may leave
    bool expect_section_name_ = false;
    std::string_view header_variable_;
    std::string code_page_;  // of text that is not UTF-8
    // The pattern strokes all hatches together may still make: patterns far
    // too fine for their areas would fill the memory.
    size_t pattern_strokes_left_ = 2'000'000;
    bool metric_ = false;                         // $MEASUREMENT: the defaults of metric drawings
    std::map<std::string, DimStyle> dim_styles_;  // by upper-case name
};

const std::unordered_map<std::string_view, Reader::Read> Reader::kReaders = {
    {"LAYER", &Reader::add_layer},       {"STYLE", &Reader::add_text_style},
    {"BLOCK", &Reader::add_block},       {"ENDBLK", &Reader::end_block},
    {"POINT", &Reader::add_point},       {"LINE", &Reader::add_line},
    {"XLINE", &Reader::add_xline},       {"RAY", &Reader::add_ray},
    {"POLYLINE", &Reader::add_polyline}, {"LWPOLYLINE", &Reader::add_lwpolyline},
    {"SEQEND", &Reader::close_open},     {"SPLINE", &Reader::add_spline},
    {"ARC", &Reader::add_arc},           {"CIRCLE", &Reader::add_full_circle},
    {"ELLIPSE", &Reader::add_ellipse},   {"INSERT", &Reader::add_insert},
    {"TEXT", &Reader::add_text_entity},  {"ATTRIB", &Reader::add_attribute},
    {"MTEXT", &Reader::add_mtext},       {"LEADER", &Reader::add_leader},
    {"HATCH", &Reader::add_hatch},       {"IMAGE", &Reader::close_open},
    {"TRACE", &Reader::add_quad},        {"SOLID", &Reader::add_quad},
    {"3DFACE", &Reader::add_3d_face},
};

}  // namespace

void read_dxf(const std::string& contents, const std::string& path, Drawing::Impl& drawing,
              WorkProgress& progress) {
    Reader reader(drawing, StrokeFont::standard());
    read_dxf_groups(
        contents, path,
        [&](int code, std::string_view value, double number) { reader.take(code, value, number); },
        progress);
    reader.finish();
}

}  // namespace tvk::host
