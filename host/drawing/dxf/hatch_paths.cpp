#include "host/drawing/dxf/hatch_paths.h"

#include <numbers>
#include <optional>

#include "host/drawing/dxf/polylines.h"
#include "host/drawing/dxf/splines.h"

namespace tvk::host {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegree = kPi / 180;

// The edge of an edge path being read: its type (group 72) and the groups
// that type gives a meaning.
struct Edge {
    int type = 0;  // 1 line, 2 circular arc, 3 elliptic arc, 4 spline
    Vec2 a, b;     // a line's ends; an arc's centre and (elliptic) major axis end
    double radius = 0, ratio = 1;
    double start = 0, end = 0;  // radians
    bool ccw = true;
    BSpline spline;
    std::vector<Vec2> fit;
    std::optional<Vec2> tangents[2];

    void group(const Group& g) {
        const double v = g.real();
        switch (g.code) {
            case 10:
                if (type == 4) {
                    spline.control.push_back({v, 0});
                } else {
                    a.x = v;
                }
                break;
            case 20:
                if (type != 4) {
                    a.y = v;
                } else if (!spline.control.empty()) {
                    spline.control.back().y = v;
                }
                break;
            case 11:
                if (type == 4) {
                    fit.push_back({v, 0});
                } else {
                    b.x = v;
                }
                break;
            case 21:
                if (type != 4) {
                    b.y = v;
                } else if (!fit.empty()) {
                    fit.back().y = v;
                }
                break;
            case 12:
            case 13:
                tangents[g.code - 12] = Vec2{v, 0};
                break;
            case 22:
            case 23:
                if (tangents[g.code - 22]) tangents[g.code - 22]->y = v;
                break;
            case 40:
                if (type == 4) {
                    spline.knots.push_back(v);
                } else if (type == 2) {
                    radius = v;
                } else {
                    ratio = v;
                }
                break;
            case 42:
                spline.weights.push_back(v);
                break;
            case 50:
                start = v * kDegree;
                break;
            case 51:
                end = v * kDegree;
                break;
            case 73:
                ccw = v != 0;
                break;
            case 94:
                spline.degree = g.integer();
                break;
            default:
                break;
        }
    }

    void add_to(std::vector<Element>& path) {
        switch (type) {
            case 1:
                path.push_back(Segment{a, b});
                break;
            case 2:
                path.push_back(arc_between(a, {radius, 0}, {0, radius}, start, end, ccw));
                break;
            case 3:
                path.push_back(arc_between(a, b, {-b.y * ratio, b.x * ratio}, start, end, ccw));
                break;
            case 4: {
                if (spline.weights.size() != spline.control.size()) spline.weights.clear();
                // Tangents count with fit points only, and only when given.
                auto tangent = [&](int i) -> std::optional<Vec2> {
                    if (fit.empty() || !tangents[i] || *tangents[i] == Vec2{}) return std::nullopt;
                    return tangents[i];
                };
                if (auto element = spline_element(spline, fit, false, tangent(0), tangent(1)))
                    path.push_back(std::move(*element));
                break;
            }
            default:
                break;
        }
    }
};

// Groups that follow the boundary paths: the hatch style, the pattern type,
// the pattern's line count, the seed point count, extended data.
bool after_paths(int code) {
    return code == 75 || code == 76 || code == 78 || code == 98 || code >= 1000;
}

}  // namespace

EllipseArc arc_between(Vec2 c, Vec2 u, Vec2 v, double a, double b, bool ccw) {
    if (ccw) {
        if (b <= a) b += 2 * kPi;
        return {c, u, v, a, b};
    }
    a = -a, b = -b;
    if (b >= a) b -= 2 * kPi;
    return {c, u, v, a, b};
}

std::vector<Trace> hatch_paths(const Groups& hatch) {
    std::vector<Trace> paths;
    bool polyline = false;
    std::vector<Vec2> points;
    std::vector<double> bulges;
    std::optional<Edge> edge;
    // Ends the path being read: its last edge, or its polyline.
    auto finish = [&] {
        if (paths.empty()) return;
        std::vector<Element>& path = paths.back().elements;
        if (edge) edge->add_to(path);
        edge.reset();
        if (polyline && !points.empty()) {
            for (Element& e : bulged_trace(points, bulges, true, {}).elements)
                path.push_back(std::move(e));
        }
        points.clear();
        bulges.clear();
    };
    for (const Group& g : hatch.groups) {
        if (g.code == 92) {
            finish();
            paths.emplace_back();
            polyline = (g.integer() & 2) != 0;
            continue;
        }
        if (paths.empty()) continue;
        if (after_paths(g.code)) break;
        if (polyline) {
            if (g.code == 10) {
                points.push_back({g.real(), 0});
                bulges.push_back(0);
            } else if (g.code == 20 && !points.empty()) {
                points.back().y = g.real();
            } else if (g.code == 42 && !bulges.empty()) {
                bulges.back() = g.real();
            }
        } else if (g.code == 72) {
            if (edge) edge->add_to(paths.back().elements);
            edge.emplace().type = g.integer();
        } else if (edge) {
            edge->group(g);
        }
    }
    finish();
    return paths;
}

}  // namespace tvk::host
