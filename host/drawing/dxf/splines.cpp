#include "host/drawing/dxf/splines.h"

#include <algorithm>

#include "host/drawing/geometry/geometry.h"

namespace tvk::host {

// A spline from its control points and knots, or else from its fit points.
std::optional<Element> spline_element(BSpline s, std::vector<Vec2> fit, bool closed,
                                      std::optional<Vec2> start_tangent,
                                      std::optional<Vec2> end_tangent) {
    if (std::all_of(s.weights.begin(), s.weights.end(), [](double w) { return w == 1; }))
        s.weights.clear();
    const size_t n = s.control.size();
    if (s.degree >= 1 && n > static_cast<size_t>(s.degree)) {
        if (!s.valid()) {
            // Missing or broken knots: a clamped uniform knot vector.
            s.knots.assign(s.degree + 1, 0.0);
            for (size_t i = 1; i + s.degree < n; ++i) s.knots.push_back(static_cast<double>(i));
            s.knots.insert(s.knots.end(), s.degree + 1, static_cast<double>(n - s.degree));
            if (!s.valid()) s.weights.clear();
        }
        if (s.valid()) return Element{std::move(s)};
    }
    if (closed && fit.size() >= 2 && !(fit.front() == fit.back())) fit.push_back(fit.front());
    if (auto through = interpolate_fit_points(fit, start_tangent, end_tangent))
        return Element{std::move(*through)};
    if (fit.size() >= 2) return Element{FitCurve{std::move(fit)}};
    return std::nullopt;
}

// The curve of a SPLINE, or of a HELIX up to its own groups (which reuse
// the spline's codes).
std::optional<Element> spline_from_groups(const Groups& g) {
    BSpline spline;
    spline.degree = g.integer(71, 3);
    std::vector<Vec2> fit;
    std::optional<Vec2> tangents[2];
    for (const Group& group : g.groups) {
        const int code = group.code;
        if (code == 100 && group.text == "AcDbHelix") break;
        const double number = group.real();
        if (code == 40) spline.knots.push_back(number);
        if (code == 41) spline.weights.push_back(number);
        if (code == 10) spline.control.push_back({number, 0});
        if (code == 20 && !spline.control.empty()) spline.control.back().y = number;
        if (code == 11) fit.push_back({number, 0});
        if (code == 21 && !fit.empty()) fit.back().y = number;
        if (code == 12 || code == 13) tangents[code - 12] = Vec2{number, 0};
        if ((code == 22 || code == 23) && tangents[code - 22]) tangents[code - 22]->y = number;
    }
    if (spline.weights.size() != spline.control.size()) spline.weights.clear();
    return spline_element(spline, fit, (g.integer(70, 0) & 1) != 0, tangents[0], tangents[1]);
}

}  // namespace tvk::host
