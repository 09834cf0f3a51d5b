#include "host/drawing/dxf_reader.h"

#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#include <dxflib/dl_exception.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <optional>
#include <set>
#include <sstream>

#include "host/drawing/code_page.h"
#include "host/drawing/dxf_check.h"
#include "host/drawing/dxf_groups.h"
#include "host/drawing/font_families.h"
#include "host/drawing/geometry.h"
#include "host/drawing/hatch_boundary.h"
#include "host/drawing/hatch_pattern.h"
#include "host/drawing/layouts.h"
#include "host/drawing/mleader.h"
#include "host/drawing/mline.h"
#include "host/drawing/polylines.h"
#include "host/drawing/splines.h"
#include "host/drawing/text.h"
#include "host/drawing/true_color.h"

namespace tvk::host {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegree = kPi / 180;

// The groups of one DXF entity as they pass by, for what dxflib's callbacks
// leave out (vertex flags, extrusions, the block of a dimension, ...).
struct RawEntity : Groups {
    std::string type;
    std::string section;
    bool handled = false;
    // The groups after a 101 "Embedded Object" marker (the columns of an MTEXT),
    // kept apart: they reuse the codes of the entity's own groups.
    Groups embedded;
    // The object coordinate system from the extrusion direction (210, 220, 230).
    Affine ocs() const { return Affine::ocs(real(210, 0), real(220, 0), real(230, 1)); }
};

// Entity types that are structure, or definitions that are not drawn: never
// counted as unsupported.
const std::set<std::string> kNotDrawn = {"SEQEND",   "VERTEX",  "BLOCK",  "ENDBLK", "ATTDEF",
                                         "VIEWPORT", "SECTION", "ENDSEC", "EOF"};

struct TextStyle {
    double width_factor = 1;
    double oblique = 0;  // degrees
    double height = 0;   // 0: not fixed
    const StrokeFont* font = &StrokeFont::standard();
};
constexpr double kDefaultTextHeight = 2.5;

// The true colour of group 420, 0xRRGGBB.
int32_t true_color(const Groups& g) {
    return static_cast<int32_t>(static_cast<uint32_t>(g.integer(420, 0)) & 0xFFFFFF);
}

// An arc from a to b (radians); clockwise arcs of hatch boundaries keep their
// angles mirrored, as the DXF format stores them.
EllipseArc arc_between(Vec2 c, Vec2 u, Vec2 v, double a, double b, bool ccw) {
    if (ccw) {
        if (b <= a) b += 2 * kPi;
        return {c, u, v, a, b};
    }
    a = -a, b = -b;
    if (b >= a) b -= 2 * kPi;
    return {c, u, v, a, b};
}

class Reader : public DL_CreationAdapter {
  public:
    Reader(Drawing::Impl& d, const StrokeFont& font) : d_(d), font_(font) {}

    void finish() {
        close_open();
        settle(pending_);
        settle(current_);
        d_.model_space_empty = model_.empty();
        d_.paper_entities = paper_;
        d_.entities = model_.empty() ? std::move(paper_) : std::move(model_);
        read_layouts(layout_objects_, viewports_, block_names_, d_);
        // The definition points of dimensions are never plotted.
        d_.layers["DEFPOINTS"].off = true;
    }

    // ---- bookkeeping -------------------------------------------------------------------
    // Takes each group before dxflib does; false for groups dxflib must not see.
    bool take(int code, const std::string& value) {
        if (code == 0) {
            if (current_.type == "VERTEX") add_vertex(current_);
            // Objects name blocks by the handles of their block records.
            if (current_.type == "BLOCK_RECORD") block_names_[current_.text(5)] = current_.text(2);
            if (current_.type == "LAYOUT") layout_objects_.push_back(current_);
            if (current_.type == "VIEWPORT") viewports_.push_back(current_);
            if (current_.type == "DIMSTYLE" && current_.section == "TABLES") {
                dim_styles_[upper(current_.text(2))] = {current_.real(41, -1), current_.real(40, 1),
                                                        current_.text(341)};
            }
            // dxflib hands an entity over once the next one begins, so the one
            // before that has had its chance to be drawn.
            settle(pending_);
            pending_ = std::move(current_);
            current_ = RawEntity{};
            current_.type = value;
            current_.section = section_;
            if (value == "ENDSEC") section_.clear();
            expect_section_name_ = value == "SECTION";
            return true;
        }
        if (code == 2 && expect_section_name_) {
            section_ = value;
            expect_section_name_ = false;
        }
        if (section_ == "HEADER") {
            if (code == 9) header_variable_ = value;
            if (code == 3 && header_variable_ == "$DWGCODEPAGE") code_page_ = value;
            if (code == 70 && header_variable_ == "$MEASUREMENT") metric_ = value == "1";
        }
        if (code == 101 || !current_.embedded.groups.empty()) {
            current_.embedded.groups.emplace_back(code, value);
            return false;
        }
        current_.groups.emplace_back(code, value);
        return true;
    }

    void endEntity() override { close_open(); }
    void endSequence() override { close_open(); }

    // ---- tables and blocks -----------------------------------------------------------
    void addLayer(const DL_LayerData& data) override {
        int color = pending_.integer(62, 7);
        Layer layer;
        layer.color = std::abs(color) >= 1 && std::abs(color) <= 255 ? std::abs(color) : 7;
        layer.linetype = upper(pending_.text(6, "CONTINUOUS"));
        if (pending_.has(420)) layer.true_color = true_color(pending_);
        // A layer that is off, or that is not to be plotted (group 290), is not plotted.
        layer.off = data.off || color < 0 || pending_.integer(290, 1) == 0;
        layer.frozen = (data.flags & 1) != 0;
        d_.layers[upper(data.name)] = layer;
    }

    // A style's font file goes to the stroke font of the same family; a
    // TrueType style may name its family only in its extended data.
    void addTextStyle(const DL_StyleData& data) override {
        std::string file = data.primaryFontFile;
        if (file.empty()) file = pending_.text(1000);
        styles_[upper(data.name)] =
            TextStyle{data.widthFactor > 0 ? data.widthFactor : 1, pending_.real(50, 0),
                      data.fixedTextHeight, &family_font(font_family(file))};
    }

    void addBlock(const DL_BlockData& data) override {
        close_open();
        Block& block = d_.blocks[upper(data.name)];
        block = Block{{data.bpx, data.bpy}, {}, (data.flags & (4 | 8)) != 0};
        block_ = &block;
    }

    void endBlock() override {
        close_open();
        block_ = nullptr;
    }

    // ---- simple entities ---------------------------------------------------------------
    void addPoint(const DL_PointData& p) override {
        if (!begin()) return;
        add_shape(Segment{{p.x, p.y}, {p.x, p.y}});
    }

    void addLine(const DL_LineData& l) override {
        if (!begin()) return;
        add_shape(Segment{{l.x1, l.y1}, {l.x2, l.y2}});
    }

    void addArc(const DL_ArcData& a) override {
        if (!begin()) return;
        add_circle(a.cx, a.cy, a.radius, a.angle1 * kDegree, a.angle2 * kDegree);
    }

    void addCircle(const DL_CircleData& c) override {
        if (!begin()) return;
        add_circle(c.cx, c.cy, c.radius, 0, 2 * kPi);
    }

    void addEllipse(const DL_EllipseData& e) override {
        if (!begin()) return;
        // The minor axis is the major one turned about the extrusion direction.
        double nx = pending_.real(210, 0), ny = pending_.real(220, 0), nz = pending_.real(230, 1);
        Vec2 minor{e.ratio * (ny * e.mz - nz * e.my), e.ratio * (nz * e.mx - nx * e.mz)};
        double t1 = e.angle2 <= e.angle1 ? e.angle2 + 2 * kPi : e.angle2;
        add_shape(EllipseArc{{e.cx, e.cy}, {e.mx, e.my}, minor, e.angle1, t1});
    }

    // In world coordinates; a direction along z draws nothing on the plan.
    void addXLine(const DL_XLineData& l) override {
        add_infinite({l.bx, l.by}, {l.dx, l.dy}, Shape::kLine);
    }
    void addRay(const DL_RayData& r) override {
        add_infinite({r.bx, r.by}, {r.dx, r.dy}, Shape::kRay);
    }

    void addSolid(const DL_SolidData& s) override { add_quad(s); }
    void addTrace(const DL_TraceData& t) override { add_quad(t); }

    void add3dFace(const DL_3dFaceData& f) override {
        if (!begin()) return;
        int invisible = pending_.integer(70, 0);
        int corners = f.x[3] == f.x[2] && f.y[3] == f.y[2] ? 3 : 4;
        Shape shape;
        for (int i = 0; i < corners; ++i) {
            if (invisible & (1 << i)) continue;
            int j = (i + 1) % corners;
            shape.traces.push_back(Trace{{Segment{{f.x[i], f.y[i]}, {f.x[j], f.y[j]}}}});
        }
        push(std::move(shape));
    }

    void addInsert(const DL_InsertData& i) override {
        if (!begin()) return;
        BlockRef ref;
        ref.block = upper(i.name);
        ref.frame =
            pending_.ocs() * Affine::translate({i.ipx, i.ipy}) * Affine::rotate(i.angle * kDegree);
        ref.sx = i.sx;
        ref.sy = i.sy;
        ref.cols = std::max(i.cols, 1);
        ref.rows = std::max(i.rows, 1);
        ref.col_spacing = i.colSp;
        ref.row_spacing = i.rowSp;
        push(std::move(ref));
    }

    // ---- text --------------------------------------------------------------------------
    void addText(const DL_TextData& t) override {
        if (!begin()) return;
        add_text(t);
    }

    void addAttribute(const DL_AttributeData& a) override {
        if (!begin() || (pending_.integer(70, 0) & 1)) return;  // an invisible attribute
        add_text(a);
    }

    void addMText(const DL_MTextData& m) override {
        if (!begin()) return;
        MTextEntity t;
        for (const auto& [code, value] : pending_.groups)
            if (code == 3) t.text += value;
        t.text += pending_.text(1);
        t.text = to_utf8(t.text, code_page_);
        t.insert = {m.ipx, m.ipy};
        if (pending_.has(11)) {
            t.direction = {pending_.real(11, 1), pending_.real(21, 0)};
        } else {
            double rotation = pending_.real(50, 0) * kDegree;
            t.direction = {std::cos(rotation), std::sin(rotation)};
        }
        t.height = m.height > 0         ? m.height
                   : style().height > 0 ? style().height
                                        : kDefaultTextHeight;
        t.width = pending_.real(41, 0);
        t.line_spacing = pending_.real(44, 1);
        t.attachment = m.attachmentPoint;
        t.columns = mtext_columns(pending_.embedded);
        t.width_factor = style().width_factor;
        t.oblique = style().oblique * kDegree;
        for (const std::u32string& line : mtext_lines(t.text)) count_missing(line, *style().font);
        push(mtext_shape(t, *style().font));
        d_.has_text = true;
    }

    // ---- entities with parts -----------------------------------------------------------
    void addPolyline(const DL_PolylineData& p) override {
        if (!begin()) return;
        bool planar = (p.flags & (8 | 16 | 64)) == 0;
        open_.emplace(Open{Open::kPolyline, entity(), &container()});
        open_->polyline = {p.flags,
                           static_cast<int>(p.m),
                           static_cast<int>(p.n),
                           planar ? pending_.ocs() : Affine{},
                           {}};
        open_->start_width = pending_.real(40, 0);
        open_->end_width = pending_.real(41, 0);
        auto& vertices = open_->polyline.vertices;
        if (pending_.type != "LWPOLYLINE") return;
        // dxflib keeps only as many vertices as group 90 announces: read them all.
        for (const auto& [code, value] : pending_.groups) {
            double number = std::strtod(value.c_str(), nullptr);
            if (code == 10) vertices.push_back({.p = {number, 0}});
            if (vertices.empty()) continue;
            if (code == 20) vertices.back().p.y = number;
            if (code == 42) vertices.back().bulge = number;
            if (code == 40) vertices.back().start_width = number;
            if (code == 41) vertices.back().end_width = number;
        }
        // A constant width stands for every segment's, as AutoCAD draws it.
        if (double width = pending_.real(43, 0); width != 0) {
            for (auto& v : vertices) v.start_width = v.end_width = width;
        }
    }

    // Read from its groups once complete: dxflib leaves out the faces of
    // polyface meshes.
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

    // Read from its groups: dxflib keeps only as many knots and points as the
    // spline announces.
    void addSpline(const DL_SplineData&) override {
        if (!begin()) return;
        if (auto element = spline_from_groups(pending_)) {
            push(Shape{{Trace{{std::move(*element)}}}, false});
        } else {
            push(Unsupported{"SPLINE"});
        }
    }

    void addLeader(const DL_LeaderData& l) override {
        if (!begin()) return;
        open_.emplace(Open{Open::kLeader, entity(), &container()});
        open_->spline = l.leaderPathType == 1;
        if (l.arrowHeadFlag == 1) {
            // The arrowhead of its dimension style, or of the style's overrides.
            auto overrides = dimension_overrides(pending_);
            auto style = dim_styles_.find(upper(pending_.text(3, "STANDARD")));
            DimStyle s = style == dim_styles_.end() ? DimStyle{} : style->second;
            if (s.arrow_size < 0) s.arrow_size = metric_ ? 2.5 : 0.18;
            auto value = [&](int code, double fallback) {
                auto it = overrides.find(code);
                return it == overrides.end() ? fallback : std::strtod(it->second.c_str(), nullptr);
            };
            double scale = value(40, s.scale);
            open_->arrow_size = value(41, s.arrow_size) * (scale > 0 ? scale : 1);
            auto block = overrides.count(341) ? overrides[341] : s.leader_arrow;
            if (auto name = block_names_.find(block); name != block_names_.end())
                open_->arrow_block = upper(name->second);
        }
    }
    void addLeaderVertex(const DL_LeaderVertexData& v) override {
        if (open_ && open_->kind == Open::kLeader)
            open_->polyline.vertices.push_back({.p = {v.x, v.y}});
    }

    void addHatch(const DL_HatchData& h) override {
        if (!begin()) return;
        open_.emplace(Open{Open::kHatch, entity(), &container()});
        open_->solid = h.solid;
        open_->ocs = pending_.ocs();
        if (h.solid) return;
        open_->pattern = pattern_lines(pending_);
        // Some programs name the pattern but leave out its lines.
        if (open_->pattern.empty())
            open_->pattern = standard_pattern(pending_.text(2), pending_.real(52, 0) * kDegree,
                                              pending_.real(41, 1), metric_);
    }
    void addHatchLoop(const DL_HatchLoopData&) override {
        if (open_ && open_->kind == Open::kHatch) open_->loops.emplace_back();
    }
    void addHatchEdge(const DL_HatchEdgeData& e) override {
        if (!open_ || open_->kind != Open::kHatch) return;
        if (open_->loops.empty()) open_->loops.emplace_back();
        // In object coordinates: the loops are mapped once complete.
        std::vector<Element>& loop = open_->loops.back().elements;
        switch (e.type) {
            case 0: {  // a polyline boundary, vertices (x, y[, bulge])
                std::vector<Vec2> points;
                std::vector<double> bulges;
                for (const auto& v : e.vertices) {
                    if (v.size() < 2) continue;
                    points.push_back({v[0], v[1]});
                    bulges.push_back(v.size() > 2 ? v[2] : 0);
                }
                for (auto& element : bulged_trace(points, bulges, true, {}).elements)
                    loop.push_back(std::move(element));
                break;
            }
            case 1:
                loop.push_back(Segment{{e.x1, e.y1}, {e.x2, e.y2}});
                break;
            case 2:
                loop.push_back(arc_between({e.cx, e.cy}, {e.radius, 0}, {0, e.radius}, e.angle1,
                                           e.angle2, e.ccw));
                break;
            case 3:
                loop.push_back(arc_between({e.cx, e.cy}, {e.mx, e.my},
                                           {-e.my * e.ratio, e.mx * e.ratio}, e.angle1, e.angle2,
                                           e.ccw));
                break;
            case 4: {
                BSpline s;
                s.degree = static_cast<int>(e.degree);
                s.knots = e.knots;
                for (const auto& c : e.controlPoints)
                    if (c.size() >= 2) s.control.push_back({c[0], c[1]});
                s.weights = e.weights;
                std::vector<Vec2> fit;
                for (const auto& f : e.fitPoints)
                    if (f.size() >= 2) fit.push_back({f[0], f[1]});
                std::optional<Vec2> start, end;
                if (e.nFit > 0 && (e.startTangentX != 0 || e.startTangentY != 0))
                    start = Vec2{e.startTangentX, e.startTangentY};
                if (e.nFit > 0 && (e.endTangentX != 0 || e.endTangentY != 0))
                    end = Vec2{e.endTangentX, e.endTangentY};
                if (auto element = spline_element(s, fit, false, start, end))
                    loop.push_back(std::move(*element));
                break;
            }
            default:
                break;
        }
    }

  private:
    // Something dxflib hands over piece by piece: a polyline, leader or hatch.
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
    static std::map<int, std::string> dimension_overrides(const Groups& g) {
        std::map<int, std::string> out;
        bool in = false;
        int code = 0;
        for (const auto& [c, v] : g.groups) {
            if (c == 1000 && v == "DSTYLE") in = true;
            if (!in || c == 1000 || c == 1002) {
                if (in && c == 1002 && v == "}") break;
                continue;
            }
            if (code == 0 && c == 1070) {
                code = static_cast<int>(std::strtol(v.c_str(), nullptr, 10));
            } else {
                out[code] = v;
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

    // Once dxflib is done with an entity: a dimension becomes a reference to
    // its picture; anything else nothing drew is counted where it stands, so
    // that layers and blocks decide whether it would have been seen.
    void settle(RawEntity& raw) {
        bool drawable_section = raw.section == "ENTITIES" || raw.section == "BLOCKS";
        bool visible =
            !raw.type.empty() && !raw.handled && drawable_section && raw.integer(60, 0) != 1;
        if (visible && raw.type == "ATTDEF" && &raw == &pending_) {
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
        raw = {};
    }

    // A constant attribute shows in every reference of its block as its
    // definition stands: no reference carries one of its own.
    void add_constant_attribute() {
        const RawEntity& a = pending_;
        int flags = a.integer(70, 0);
        if (!(flags & 2) || (flags & 1)) return;
        add_text(DL_TextData(a.real(10, 0), a.real(20, 0), 0, a.real(11, 0), a.real(21, 0), 0,
                             a.real(40, 0), a.real(41, 1), a.integer(71, 0), a.integer(72, 0),
                             a.integer(74, 0), a.text(1), a.text(7, "STANDARD"),
                             a.real(50, 0) * kDegree));
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
                add(Unsupported{raw.type});
            } else {
                parts.block.block = upper(name->second);
                add(std::move(parts.block));
            }
        }
    }

    // What dxflib left undrawn: dimensions and tables are drawn from the
    // blocks that hold their pictures, multilines from their groups;
    // anything else cannot be drawn.
    static Entity::What drawn_from_groups(const RawEntity& raw) {
        const std::string& type = raw.type;
        if (type == "MLINE") {
            if (Shape s = mline_shape(raw.groups); !s.traces.empty()) return s;
        } else if (type == "HELIX") {
            if (auto curve = spline_from_groups(raw))
                return Shape{{Trace{{std::move(*curve)}}}, false};
        } else if (type.ends_with("DIMENSION") || type == "ACAD_TABLE") {
            if (std::string block = raw.text(2); !block.empty()) {
                BlockRef ref;
                ref.block = upper(block);
                ref.kind = type;
                // A table's block stands at its insertion point; a dimension's where it is.
                if (type == "ACAD_TABLE")
                    ref.frame = Affine::translate({raw.real(10, 0), raw.real(20, 0)});
                return ref;
            }
        }
        return Unsupported{type};
    }

    // The layer, colour and line type of the entity that dxflib is handing over.
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

    void add_shape(Element element) { push(Shape{{Trace{{std::move(element)}}}, false}); }

    void add_circle(double cx, double cy, double r, double a0, double a1) {
        if (a1 <= a0) a1 += 2 * kPi;
        add_shape(EllipseArc{{cx, cy}, {r, 0}, {0, r}, a0, a1}.transformed(pending_.ocs()));
    }

    void add_infinite(Vec2 base, Vec2 direction, Shape::Reach reach) {
        if (!begin() || length(direction) == 0) return;
        Shape shape{{Trace{{Segment{base, base + (1 / length(direction)) * direction}}}}, false};
        shape.reach = reach;
        push(std::move(shape));
    }

    // SOLID and TRACE: corners in the order 1, 2, 4, 3; a triangle repeats the third.
    void add_quad(const DL_TraceData& q) {
        if (!begin()) return;
        std::vector<Vec2> corners{
            {q.x[0], q.y[0]}, {q.x[1], q.y[1]}, {q.x[3], q.y[3]}, {q.x[2], q.y[2]}};
        if (corners[2] == corners[3]) corners.pop_back();
        push(Shape{{bulged_trace(corners, {}, true, pending_.ocs())}, true});
    }

    const TextStyle& style() {
        static const TextStyle standard;
        auto it = styles_.find(upper(pending_.text(7, "STANDARD")));
        return it == styles_.end() ? standard : it->second;
    }

    void add_text(const DL_TextData& t) {
        const TextStyle& s = style();
        TextEntity text;
        text.text = to_utf8(t.text, code_page_);
        text.insert = {t.ipx, t.ipy};
        text.align = {t.apx, t.apy};
        text.height = t.height > 0 ? t.height : s.height > 0 ? s.height : kDefaultTextHeight;
        text.width_factor = pending_.has(41) ? t.xScaleFactor : s.width_factor;
        text.rotation = t.angle;
        text.oblique = pending_.real(51, s.oblique) * kDegree;
        text.hjust = t.hJustification;
        text.vjust = t.vJustification;
        text.backward = (t.textGenerationFlags & 2) != 0;
        text.upside_down = (t.textGenerationFlags & 4) != 0;
        count_missing(decode_text(text.text), *s.font);
        push(text_shape(text, pending_.ocs(), *s.font));
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
                std::vector<Trace> rings;
                for (const Trace& loop : o.loops) {
                    ChainedBoundary chained = chain_boundary(loop);
                    for (Trace& ring : chained.rings) rings.push_back(std::move(ring));
                    if (chained.closed) continue;
                    Shape lines;
                    for (const Element& edge : transformed(loop, o.ocs).elements)
                        lines.traces.push_back(Trace{{edge}});
                    Entity edges = o.entity;
                    edges.what = std::move(lines);
                    o.container->push_back(std::move(edges));
                    Entity report = o.entity;
                    report.what = Unsupported{"HATCH boundary that does not close"};
                    o.container->push_back(std::move(report));
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
    std::string section_;
    bool expect_section_name_ = false;
    std::string header_variable_;
    std::string code_page_;  // of text that is not UTF-8
    // The pattern strokes all hatches together may still make: patterns far
    // too fine for their areas would fill the memory.
    size_t pattern_strokes_left_ = 2'000'000;
    bool metric_ = false;                         // $MEASUREMENT: the defaults of metric drawings
    std::map<std::string, DimStyle> dim_styles_;  // by upper-case name
};

}  // namespace

namespace {

// What dxflib reads each group from: the group's lines where they stand in
// the file, without a copy.
class GroupBuffer : public std::streambuf {
  public:
    void set(std::string_view text) {
        char* at = const_cast<char*>(text.data());
        setg(at, at, at + text.size());
    }
};

}  // namespace

void read_dxf(const std::string& contents, const std::string& path, Drawing::Impl& drawing,
              WorkProgress& progress) {
    Reader reader(drawing, StrokeFont::standard());
    DL_Dxf parser;
    // dxflib's parse state is set up by in(); its handlers read the group
    // from its own stream reader, so each checked group is passed through it:
    // as it stands in the file, or (trimmed or cut short) written out anew.
    std::istringstream nothing;
    parser.in(nothing, &reader);
    GroupBuffer buffer;
    std::istream group(&buffer);
    std::string written;
    try {
        read_dxf_groups(
            contents, path,
            [&](int code, const std::string& value, std::string_view raw) {
                if (!reader.take(code, value)) return;
                if (raw.empty()) {
                    written.assign(std::to_string(code))
                        .append(1, '\n')
                        .append(value)
                        .append(1, '\n');
                    raw = written;
                }
                buffer.set(raw);
                group.clear();
                parser.readDxfGroups(group, &reader);
            },
            progress);
    } catch (const DL_Exception&) {
        throw DxfError(path + ": dxflib could not read the drawing");
    }
    reader.finish();
}

}  // namespace tvk::host
