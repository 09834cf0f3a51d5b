#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "host/drawing/drawing.h"

namespace tvk::host {

namespace {

// Bounds the work for a spacing absurdly fine for the area.
constexpr double kMaxScanlines = 200000;

struct Edge {
    double y0, y1;  // y0 < y1
    double x0, slope;
};

}  // namespace

std::vector<std::vector<Vec2>> hatch_strokes(const Fill& fill, double spacing) {
    if (!(spacing > 0) || !std::isfinite(spacing))
        throw std::invalid_argument("hatch_strokes: the spacing must be a positive number");
    std::vector<std::vector<Vec2>> strokes;
    std::vector<Edge> edges;
    Box box;
    for (const auto& ring : fill.rings) {
        if (ring.empty()) continue;
        // The outline keeps areas thinner than the spacing from vanishing.
        std::vector<Vec2> outline = ring;
        if (ring.size() > 1) outline.push_back(ring.front());
        strokes.push_back(std::move(outline));
        for (size_t i = 0; i < ring.size(); ++i) {
            Vec2 a = ring[i], b = ring[(i + 1) % ring.size()];
            box.add(a);
            if (a.y == b.y) continue;
            if (a.y > b.y) std::swap(a, b);
            edges.push_back({a.y, b.y, a.x, (b.x - a.x) / (b.y - a.y)});
        }
    }
    if (edges.empty()) return strokes;
    std::sort(edges.begin(), edges.end(), [](const Edge& l, const Edge& r) { return l.y0 < r.y0; });

    double step = std::max(spacing, (box.max_y - box.min_y) / kMaxScanlines);
    std::vector<const Edge*> active;
    std::vector<double> xs;
    size_t next = 0;
    bool backwards = false;
    for (double y = box.min_y + step / 2; y < box.max_y; y += step) {
        // Each edge spans [y0, y1): a vertex shared by two edges is crossed once.
        while (next < edges.size() && edges[next].y0 <= y) active.push_back(&edges[next++]);
        std::erase_if(active, [y](const Edge* e) { return e->y1 <= y; });
        xs.clear();
        for (const Edge* e : active) xs.push_back(e->x0 + (y - e->y0) * e->slope);
        std::sort(xs.begin(), xs.end());
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
    }
    return strokes;
}

}  // namespace tvk::host
