#include "host/drawing/geometry/scanlines.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "host/drawing/geometry/hatch_strokes.h"

namespace tvk::host {

namespace {

// Bounds the work for a spacing absurdly fine for the area.
constexpr double kMaxScanlines = 200000;

struct Edge {
    double y0, y1;  // y0 < y1
    double x0, slope;
};

}  // namespace

void even_odd_scanlines(const std::vector<std::vector<Vec2>>& rings, double first, double step,
                        const std::function<void(double y, const std::vector<double>& xs)>& line) {
    std::vector<Edge> edges;
    double max_y = -1e300;
    for (const auto& ring : rings) {
        for (size_t i = 0; i < ring.size(); ++i) {
            Vec2 a = ring[i], b = ring[(i + 1) % ring.size()];
            max_y = std::max(max_y, a.y);
            if (a.y == b.y) continue;
            if (a.y > b.y) std::swap(a, b);
            edges.push_back({a.y, b.y, a.x, (b.x - a.x) / (b.y - a.y)});
        }
    }
    if (edges.empty()) return;
    std::sort(edges.begin(), edges.end(), [](const Edge& l, const Edge& r) { return l.y0 < r.y0; });
    std::vector<const Edge*> active;
    std::vector<double> xs;
    size_t next = 0;
    for (double k = 0, y = first; y < max_y; y = first + ++k * step) {
        // Each edge spans [y0, y1): a vertex shared by two edges is crossed once.
        while (next < edges.size() && edges[next].y0 <= y) active.push_back(&edges[next++]);
        std::erase_if(active, [y](const Edge* e) { return e->y1 <= y; });
        if (active.empty()) continue;
        xs.clear();
        for (const Edge* e : active) xs.push_back(e->x0 + (y - e->y0) * e->slope);
        std::sort(xs.begin(), xs.end());
        line(y, xs);
    }
}

std::vector<std::vector<Vec2>> hatch_strokes(const std::vector<std::vector<Vec2>>& rings,
                                             double spacing) {
    if (!(spacing > 0) || !std::isfinite(spacing))
        throw std::invalid_argument("hatch_strokes: the spacing must be a positive number");
    std::vector<std::vector<Vec2>> strokes;
    Box box;
    for (const auto& ring : rings) {
        if (ring.empty()) continue;
        // The outline keeps areas thinner than the spacing from vanishing.
        std::vector<Vec2> outline = ring;
        if (ring.size() > 1) outline.push_back(ring.front());
        strokes.push_back(std::move(outline));
        for (Vec2 p : ring) box.add(p);
    }
    if (box.empty()) return strokes;
    double step = std::max(spacing, (box.max_y - box.min_y) / kMaxScanlines);
    bool backwards = false;
    even_odd_scanlines(rings, box.min_y + step / 2, step, [&](double y, const auto& xs) {
        // Even-odd: inside between the first and second crossing, the third and fourth ...
        size_t first = strokes.size();
        for (size_t i = 0; i + 1 < xs.size(); i += 2) {
            if (xs[i + 1] <= xs[i]) continue;
            if (backwards) {
                strokes.push_back({{xs[i + 1], y}, {xs[i], y}});
            } else {
                strokes.push_back({{xs[i], y}, {xs[i + 1], y}});
            }
        }
        // Alternate directions so that the pen zigzags down the area.
        if (backwards)
            std::reverse(strokes.begin() + static_cast<std::ptrdiff_t>(first), strokes.end());
        backwards = !backwards;
    });
    return strokes;
}

}  // namespace tvk::host
