#include "host/drawing/dxf/polylines.h"

#include <cstdlib>

#include "host/drawing/geometry/geometry.h"
#include "host/drawing/geometry/wide_polyline.h"

namespace tvk::host {

namespace {

void add_edge(Shape& shape, Vec2 a, Vec2 b) {
    shape.traces.push_back(Trace{{Segment{a, b}}});
}

// Position vertices, then faces that index them (from 1; a negative index
// hides the edge that starts there).
Shape polyface_mesh(const std::vector<PolylineVertex>& v) {
    Shape shape;
    std::vector<Vec2> points;
    for (const auto& vertex : v)
        if (!(vertex.flags & 128) || (vertex.flags & 64)) points.push_back(vertex.p);
    for (const auto& face : v) {
        if (!(face.flags & 128) || (face.flags & 64)) continue;
        std::vector<int> corners;
        for (int index : face.index)
            if (index != 0) corners.push_back(index);
        for (size_t k = 0; k < corners.size() && corners.size() > 1; ++k) {
            int a = corners[k], b = corners[(k + 1) % corners.size()];
            size_t ia = std::abs(a) - 1, ib = std::abs(b) - 1;
            if (a > 0 && ia < points.size() && ib < points.size())
                add_edge(shape, points[ia], points[ib]);
        }
    }
    return shape;
}

// m rows of n vertices, closed in m (flag 1) or n (flag 32).
Shape polygon_mesh(const PolylineData& p) {
    Shape shape;
    const auto& v = p.vertices;
    const int m = p.m, n = p.n;
    if (m < 1 || n < 1 || v.size() < static_cast<size_t>(m) * n) return shape;
    auto at = [&](int i, int j) { return v[static_cast<size_t>(i) * n + j].p; };
    for (int i = 0; i < m; ++i) {
        std::vector<Vec2> row;
        for (int j = 0; j < n; ++j) row.push_back(at(i, j));
        shape.traces.push_back(bulged_trace(row, {}, (p.flags & 32) != 0, {}));
    }
    for (int j = 0; j < n; ++j) {
        std::vector<Vec2> column;
        for (int i = 0; i < m; ++i) column.push_back(at(i, j));
        shape.traces.push_back(bulged_trace(column, {}, (p.flags & 1) != 0, {}));
    }
    return shape;
}

// The filled parts of a 2D polyline with widths and the lines of its
// segments without; nothing when no segment has a width.
std::vector<Shape> wide_shapes(const PolylineData& p) {
    std::vector<WideVertex> vertices;
    for (const auto& v : p.vertices)
        if (!(v.flags & 16))  // not the frame of a spline-fit polyline
            vertices.push_back({v.p, v.start_width, v.end_width, v.bulge});
    if (!has_width(vertices)) return {};
    WideParts parts = wide_polyline(std::move(vertices), p.flags & 1);
    std::vector<Shape> shapes;
    for (auto& face : parts.faces)
        shapes.push_back(Shape{{transformed(Trace{{Polyline{std::move(face)}}}, p.ocs)}, true});
    for (const auto& run : parts.lines) {
        std::vector<Vec2> points;
        std::vector<double> bulges;
        for (const auto& v : run) points.push_back(v.p), bulges.push_back(v.bulge);
        shapes.push_back(Shape{{bulged_trace(points, bulges, false, p.ocs)}, false});
    }
    return shapes;
}

}  // namespace

Trace bulged_trace(const std::vector<Vec2>& points, const std::vector<double>& bulges, bool closed,
                   const Affine& m) {
    Trace trace;
    const size_t n = points.size();
    if (n == 1) trace.elements.push_back(Segment{m.apply(points[0]), m.apply(points[0])});
    Polyline straight;  // the run of straight edges up to here
    auto end_run = [&] {
        if (straight.points.size() >= 2) trace.elements.push_back(std::move(straight));
        straight.points.clear();
    };
    for (size_t i = 0; i + 1 < n || (closed && i + 1 == n && n > 1 && !(points[i] == points[0]));
         ++i) {
        Vec2 p = points[i], q = points[(i + 1) % n];
        double bulge = i < bulges.size() ? bulges[i] : 0;
        if (is_straight_bulge(bulge) || p == q) {
            if (straight.points.empty()) straight.points.push_back(m.apply(p));
            straight.points.push_back(m.apply(q));
        } else {
            end_run();
            trace.elements.push_back(bulge_arc(p, q, bulge).transformed(m));
        }
    }
    end_run();
    return trace;
}

std::vector<Shape> polyline_shapes(const PolylineData& p) {
    if (p.flags & 64) return {polyface_mesh(p.vertices)};
    if (p.flags & 16) return {polygon_mesh(p)};
    if (!(p.flags & 8)) {
        if (auto wide = wide_shapes(p); !wide.empty()) return wide;
    }
    // A 2D or 3D polyline; spline-fit polylines also carry their frame (flag 16).
    std::vector<Vec2> points;
    std::vector<double> bulges;
    for (const auto& vertex : p.vertices) {
        if (vertex.flags & 16) continue;
        points.push_back(vertex.p);
        bulges.push_back(p.flags & 8 ? 0 : vertex.bulge);
    }
    if (points.empty()) return {};
    return {Shape{{bulged_trace(points, bulges, p.flags & 1, p.ocs)}, false}};
}

}  // namespace tvk::host
