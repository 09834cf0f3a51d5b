#include "host/drawing/dxf/hatch_boundary.h"

#include <algorithm>
#include <cmath>

namespace tvk::host {

namespace {

// Ends closer than this share a point, relative to the size of the path:
// files write the ends of neighbouring edges from different calculations.
constexpr double kRelativeGap = 1e-4;
// A gap this small, relative to the path's size, is closed whatever the
// drawing's tolerance: too small to see, too large to be rounding.
constexpr double kRelativeClosingGap = 1e-3;

struct Ends {
    Vec2 start, end;
    bool valid = true;  // a spline that cannot be evaluated has no ends
};

Ends ends_of(const Element& e) {
    if (const auto* s = std::get_if<Segment>(&e)) return {s->a, s->b};
    if (const auto* arc = std::get_if<EllipseArc>(&e)) return {arc->at(arc->t0), arc->at(arc->t1)};
    if (const auto* spline = std::get_if<BSpline>(&e)) {
        if (!spline->valid()) return {{}, {}, false};
        const size_t n = spline->control.size();
        return {spline->at(spline->knots[spline->degree]), spline->at(spline->knots[n])};
    }
    const auto& points = std::holds_alternative<Polyline>(e) ? std::get<Polyline>(e).points
                                                             : std::get<FitCurve>(e).points;
    if (points.empty()) return {{}, {}, false};
    return {points.front(), points.back()};
}

// The same edge run the other way.
Element reversed(const Element& e) {
    if (const auto* s = std::get_if<Segment>(&e)) return Segment{s->b, s->a};
    if (const auto* arc = std::get_if<EllipseArc>(&e))
        return EllipseArc{arc->c, arc->u, arc->v, arc->t1, arc->t0};
    if (const auto* spline = std::get_if<BSpline>(&e)) {
        BSpline r = *spline;
        std::reverse(r.control.begin(), r.control.end());
        std::reverse(r.weights.begin(), r.weights.end());
        const double sum = spline->knots.front() + spline->knots.back();
        for (size_t i = 0; i < r.knots.size(); ++i)
            r.knots[i] = sum - spline->knots[r.knots.size() - 1 - i];
        return r;
    }
    if (const auto* line = std::get_if<Polyline>(&e)) {
        Polyline r = *line;
        std::reverse(r.points.begin(), r.points.end());
        return r;
    }
    FitCurve r = std::get<FitCurve>(e);
    std::reverse(r.points.begin(), r.points.end());
    return r;
}

double distance(Vec2 a, Vec2 b) {
    return length(a - b);
}

}  // namespace

ChainedBoundary chain_boundary(const Trace& edges, double close_gap) {
    ChainedBoundary out;
    std::vector<Ends> ends;
    std::vector<size_t> order;  // the edges that have ends, in file order
    Box box;
    for (size_t i = 0; i < edges.elements.size(); ++i) {
        ends.push_back(ends_of(edges.elements[i]));
        if (!ends.back().valid) continue;
        order.push_back(i);
        box.add(ends.back().start);
        box.add(ends.back().end);
    }
    if (order.empty()) return out;
    const double size = std::hypot(box.max_x - box.min_x, box.max_y - box.min_y);
    const double magnitude = std::max(
        {std::fabs(box.min_x), std::fabs(box.max_x), std::fabs(box.min_y), std::fabs(box.max_y)});
    const double gap = std::max(size * kRelativeGap, magnitude * 1e-12);
    const double closing = std::max({gap, close_gap, size * kRelativeClosingGap});

    std::vector<bool> used(edges.elements.size(), false);
    size_t next = 0;  // in `order`: no edge before it is unused
    auto skip_used = [&] {
        while (next < order.size() && used[order[next]]) ++next;
    };
    auto take = [&](Trace& ring, size_t i, bool flip) {
        used[i] = true;
        ring.elements.push_back(flip ? reversed(edges.elements[i]) : edges.elements[i]);
        return flip ? ends[i].start : ends[i].end;
    };
    for (skip_used(); next < order.size(); skip_used()) {
        Trace ring;
        const Vec2 first = ends[order[next]].start;
        Vec2 at = take(ring, order[next], false);
        // The next edge in the file when it begins where the ring has got
        // (files mostly keep them in order); else the edge that begins, or
        // turned round ends, nearest to it. Until the ring is back at its start.
        for (skip_used(); distance(at, first) > gap; skip_used()) {
            if (next < order.size() && distance(ends[order[next]].start, at) <= gap) {
                at = take(ring, order[next], false);
                continue;
            }
            size_t best = edges.elements.size();
            bool flip = false;
            double nearest = gap;
            for (size_t k = next; k < order.size(); ++k) {
                const size_t i = order[k];
                if (used[i]) continue;
                if (double d = distance(ends[i].start, at); d <= nearest)
                    best = i, flip = false, nearest = d;
                if (double d = distance(ends[i].end, at); d < nearest)
                    best = i, flip = true, nearest = d;
            }
            if (best == edges.elements.size()) break;
            at = take(ring, best, flip);
        }
        if (distance(at, first) > closing) {
            out.closed = false;
        } else {
            if (distance(at, first) > gap) ring.elements.push_back(Segment{at, first});
            out.rings.push_back(std::move(ring));
        }
    }
    return out;
}

}  // namespace tvk::host
