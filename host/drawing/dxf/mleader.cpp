#include "host/drawing/dxf/mleader.h"

#include <cmath>

#include "host/drawing/geometry/geometry.h"

namespace tvk::host {

namespace {

struct Leader {
    Vec2 last_point;
    Vec2 dogleg{1, 0};
    double dogleg_length = 0;
    bool has_dogleg_vector = false;
    bool vertical = false;  // attached to the top or bottom of the content
    std::vector<std::vector<Vec2>> lines;
};

// The groups of a MULTILEADER, by the sections "CONTEXT_DATA{", "LEADER{" and
// "LEADER_LINE{" that give their codes a meaning.
struct Reading {
    enum Section { kEntity, kContext, kLeader, kLine } section = kEntity;
    std::vector<Leader> leaders;
    std::optional<MTextEntity> text;
    double char_height = 4, arrow_size = 4, scale = 1;
    bool has_block = false;
    std::string block_handle;
    Vec2 block_insert, block_scale{1, 1};
    double block_rotation = 0;
    int leader_type = 1;  // 0 none, 1 straight, 2 spline
    bool has_dogleg = true;

    void group(int code, std::string_view value, double v) {
        switch (section) {
            case kEntity:
                if (code == 300) section = kContext;
                if (code == 170) leader_type = static_cast<int>(v);
                if (code == 291) has_dogleg = v != 0;
                break;
            case kContext:
                context(code, value, v);
                break;
            case kLeader:
                leader(code, v);
                break;
            case kLine:
                if (code == 305) section = kLeader;
                if (code == 10) leaders.back().lines.back().push_back({v, 0});
                if (code == 20 && !leaders.back().lines.back().empty())
                    leaders.back().lines.back().back().y = v;
                break;
        }
    }

    void context(int code, std::string_view value, double v) {
        MTextEntity* t = text ? &*text : nullptr;
        switch (code) {
            case 301:
                section = kEntity;
                break;
            case 302:
                section = kLeader;
                leaders.emplace_back();
                break;
            case 40:
                scale = v;
                break;
            case 41:
                char_height = v;
                break;
            case 140:
                arrow_size = v;
                break;
            case 290:
                if (v != 0) text.emplace();
                break;
            case 296:
                has_block = v != 0;
                break;
            case 304:
                if (t) t->text = value;
                break;
            case 12:
                if (t) t->insert.x = v;
                break;
            case 22:
                if (t) t->insert.y = v;
                break;
            case 13:
                if (t) t->direction.x = v;
                break;
            case 23:
                if (t) t->direction.y = v;
                break;
            case 43:
                if (t) t->width = v;
                break;
            case 45:
                if (t) t->line_spacing = v;
                break;
            case 171:
                if (t) t->attachment = static_cast<int>(v);
                break;
            case 341:
                block_handle = value;
                break;
            case 15:
                block_insert.x = v;
                break;
            case 25:
                block_insert.y = v;
                break;
            case 16:
                block_scale.x = v;
                break;
            case 26:
                block_scale.y = v;
                break;
            case 46:
                block_rotation = v;
                break;
            default:
                break;
        }
    }

    void leader(int code, double v) {
        Leader& l = leaders.back();
        switch (code) {
            case 303:
                section = kContext;
                break;
            case 304:
                section = kLine;
                l.lines.emplace_back();
                break;
            case 291:
                l.has_dogleg_vector = v != 0;
                break;
            case 10:
                l.last_point.x = v;
                break;
            case 20:
                l.last_point.y = v;
                break;
            case 11:
                l.dogleg.x = v;
                break;
            case 21:
                l.dogleg.y = v;
                break;
            case 40:
                l.dogleg_length = v;
                break;
            case 271:
                l.vertical = v != 0;
                break;
            default:
                break;
        }
    }
};

// The dogleg as a vector of its length.
Vec2 dogleg(const Leader& l) {
    Vec2 d = l.has_dogleg_vector && length(l.dogleg) > 0 ? l.dogleg : Vec2{1, 0};
    return (l.dogleg_length / length(d)) * d;
}

}  // namespace

Trace closed_filled_arrow(Vec2 tip, Vec2 toward, double size) {
    // Its half width for a length of 1, as AutoCAD draws it.
    static const double kHalfWidth = std::sin(18.924644 / 2 * 3.14159265358979323846 / 180);
    Vec2 d = toward - tip;
    if (!(length(d) > 0) || !(size > 0)) return {};
    d = (1 / length(d)) * d;
    Vec2 side{-d.y * size * kHalfWidth, d.x * size * kHalfWidth};
    Vec2 back = tip + size * d;
    return Trace{{Polyline{{tip, back + side, back - side, tip}}}};
}

MLeaderParts multileader_parts(const std::vector<Group>& groups) {
    Reading r;
    for (const Group& g : groups) r.group(g.code, g.text, g.real());
    MLeaderParts parts;
    if (r.text) {
        parts.text = std::move(r.text);
        parts.text->height = r.char_height;
        parts.text->width *= r.scale;
    }
    if (r.has_block) {
        parts.block_handle = r.block_handle;
        parts.block.kind = "MULTILEADER";
        parts.block.frame = Affine::translate(r.block_insert) * Affine::rotate(r.block_rotation);
        parts.block.sx = r.block_scale.x;
        parts.block.sy = r.block_scale.y;
    }
    if (r.leader_type == 0) return parts;
    for (const Leader& l : r.leaders) {
        for (std::vector<Vec2> points : l.lines) {
            // The leader runs on to its last point, and from there along the
            // dogleg when the content is beside it.
            if (l.vertical) {
                points.push_back(l.last_point);
            } else {
                if (r.has_dogleg && r.leader_type == 1) points.push_back(l.last_point);
                points.push_back(l.last_point + dogleg(l));
            }
            if (points.size() < 2 || length(points[1] - points[0]) == 0) continue;
            // A closed filled arrowhead on the first point; the line begins at its back.
            if (Trace arrow = closed_filled_arrow(points[0], points[1], r.arrow_size);
                !arrow.elements.empty()) {
                parts.arrows.traces.push_back(std::move(arrow));
                parts.arrows.filled = true;
            }
            Vec2 dir = (1 / length(points[1] - points[0])) * (points[1] - points[0]);
            points[0] = points[0] + r.arrow_size * dir;
            // A spline leader leaves the arrowhead along it and ends along the dogleg.
            Vec2 end = l.vertical ? points.back() - points.end()[-2] : dogleg(l);
            auto curve =
                r.leader_type == 2 ? interpolate_fit_points(points, dir, end) : std::nullopt;
            if (curve)
                parts.lines.traces.push_back(Trace{{std::move(*curve)}});
            else
                parts.lines.traces.push_back(Trace{{Polyline{std::move(points)}}});
        }
    }
    return parts;
}

}  // namespace tvk::host
