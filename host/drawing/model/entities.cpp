#include "host/drawing/model/entities.h"

#include <algorithm>

namespace tvk::host {

namespace {

// Appends an element's chords under the transform m, without repeating the
// point where it joins the previous element.
void flatten_element(const Element& element, const Affine& m, double tolerance,
                     std::vector<Vec2>& out) {
    // Lines and polylines (most of a drawing, and every stroke of a text)
    // go straight to the end of `out`.
    const auto room = [&out](size_t more) {
        if (out.capacity() < out.size() + more)
            out.reserve(std::max(out.size() + more, 2 * out.capacity()));
    };
    const auto append = [&out](Vec2 p, bool first) {
        if (!first || out.empty() || !(out.back() == p)) out.push_back(p);
    };
    if (const auto* s = std::get_if<Segment>(&element)) {
        room(2);
        append(m.apply(s->a), true);
        append(m.apply(s->b), false);
        return;
    }
    if (const auto* line = std::get_if<Polyline>(&element)) {
        room(line->points.size());
        for (size_t i = 0; i < line->points.size(); ++i) append(m.apply(line->points[i]), i == 0);
        return;
    }
    std::vector<Vec2> points;
    if (const auto* arc = std::get_if<EllipseArc>(&element)) {
        points = arc->transformed(m).flatten(tolerance);
    } else if (const auto* spline = std::get_if<BSpline>(&element)) {
        points = spline->transformed(m).flatten(tolerance);
    } else {
        for (Vec2 p : std::get<FitCurve>(element).points) points.push_back(m.apply(p));
        points = flatten_fit_points(points, tolerance);
    }
    size_t first = !out.empty() && !points.empty() && out.back() == points.front() ? 1 : 0;
    out.insert(out.end(), points.begin() + static_cast<std::ptrdiff_t>(first), points.end());
}

}  // namespace

std::vector<Vec2> flatten_trace(const Trace& trace, const Affine& m, double tolerance) {
    std::vector<Vec2> points;
    for (const Element& e : trace.elements) flatten_element(e, m, tolerance, points);
    return points;
}

Trace transformed(const Trace& trace, const Affine& m) {
    Trace out;
    out.elements.reserve(trace.elements.size());
    for (const Element& e : trace.elements) {
        if (const auto* s = std::get_if<Segment>(&e)) {
            out.elements.push_back(Segment{m.apply(s->a), m.apply(s->b)});
        } else if (const auto* arc = std::get_if<EllipseArc>(&e)) {
            out.elements.push_back(arc->transformed(m));
        } else if (const auto* spline = std::get_if<BSpline>(&e)) {
            out.elements.push_back(spline->transformed(m));
        } else if (const auto* line = std::get_if<Polyline>(&e)) {
            Polyline mapped = *line;
            for (Vec2& p : mapped.points) p = m.apply(p);
            out.elements.push_back(std::move(mapped));
        } else {
            FitCurve mapped = std::get<FitCurve>(e);
            for (Vec2& p : mapped.points) p = m.apply(p);
            out.elements.push_back(std::move(mapped));
        }
    }
    return out;
}

Box element_bounds(const Element& element, const Affine& m) {
    Box box;
    if (const auto* s = std::get_if<Segment>(&element)) {
        box.add(m.apply(s->a));
        box.add(m.apply(s->b));
    } else if (const auto* line = std::get_if<Polyline>(&element)) {
        for (Vec2 p : line->points) box.add(m.apply(p));
    } else if (const auto* arc = std::get_if<EllipseArc>(&element)) {
        box = arc->transformed(m).bounds();
    } else {
        // Free-form curves: their chords at a thousandth of their size, and
        // as far again around them, where the curve between the chords may reach.
        Box rough;
        if (const auto* spline = std::get_if<BSpline>(&element)) {
            for (Vec2 c : spline->control) rough.add(m.apply(c));
        } else {
            for (Vec2 p : std::get<FitCurve>(element).points) rough.add(m.apply(p));
        }
        double size = std::max(rough.max_x - rough.min_x, rough.max_y - rough.min_y);
        double tolerance = std::max(size * 1e-3, 1e-12);
        std::vector<Vec2> points;
        flatten_element(element, m, tolerance, points);
        for (Vec2 p : points) box.add(p);
        if (!box.empty()) {
            box.add(Vec2{box.min_x - tolerance, box.min_y - tolerance});
            box.add(Vec2{box.max_x + tolerance, box.max_y + tolerance});
        }
    }
    return box;
}

}  // namespace tvk::host
