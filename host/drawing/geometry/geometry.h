// Plane geometry of the drawing model: affine transforms and the curve
// primitives every entity reduces to, with their flattening to chords.
#pragma once

#include <cmath>
#include <functional>
#include <optional>
#include <vector>

#include "host/drawing/geometry/plane.h"

namespace tvk::host {

inline Vec2 operator+(Vec2 a, Vec2 b) {
    return {a.x + b.x, a.y + b.y};
}
inline Vec2 operator-(Vec2 a, Vec2 b) {
    return {a.x - b.x, a.y - b.y};
}
inline Vec2 operator*(double s, Vec2 a) {
    return {s * a.x, s * a.y};
}
inline bool operator==(Vec2 a, Vec2 b) {
    return a.x == b.x && a.y == b.y;
}
double length(Vec2 a);
// Distance from p to the segment a-b.
double distance_to_segment(Vec2 p, Vec2 a, Vec2 b);

// x' = a*x + b*y + c, y' = d*x + e*y + f.
struct Affine {
    double a = 1, b = 0, c = 0;
    double d = 0, e = 1, f = 0;

    static Affine translate(Vec2 t) { return {1, 0, t.x, 0, 1, t.y}; }
    static Affine scale(double sx, double sy) { return {sx, 0, 0, 0, sy, 0}; }
    static Affine rotate(double radians);
    // Maps the unit x and y vectors to u and v, the origin to o.
    static Affine frame(Vec2 o, Vec2 u, Vec2 v) { return {u.x, v.x, o.x, u.y, v.y, o.y}; }
    // The object coordinate system of an entity with this extrusion direction,
    // seen from above (the z axis is dropped).
    static Affine ocs(double nx, double ny, double nz);

    Vec2 apply(Vec2 p) const { return {a * p.x + b * p.y + c, d * p.x + e * p.y + f}; }
    Vec2 apply_vector(Vec2 v) const { return {a * v.x + b * v.y, d * v.x + e * v.y}; }
    // The point this transform maps to p; p itself where it maps the plane
    // onto a line or a point.
    Vec2 unapply(Vec2 p) const;
    // The largest factor by which this transform stretches a length.
    double max_stretch() const;
    // The factor by which it scales a stroke's width: lengths on average, the
    // square root of the factor by which it scales areas.
    double width_scale() const { return std::sqrt(std::abs(a * e - b * d)); }
    bool is_identity() const { return a == 1 && b == 0 && c == 0 && d == 0 && e == 1 && f == 0; }
};
// (lhs * rhs).apply(p) == lhs.apply(rhs.apply(p)).
Affine operator*(const Affine& lhs, const Affine& rhs);

// An elliptic arc c + u*cos(t) + v*sin(t) for t from t0 to t1 (t1 < t0 runs
// backwards). Circles, arcs, ellipses and bulges are all of this form, and it
// stays of this form under any affine transform.
struct EllipseArc {
    Vec2 c, u, v;
    double t0 = 0, t1 = 0;

    Vec2 at(double t) const;
    EllipseArc transformed(const Affine& m) const;
    // Chords within `tolerance` of the arc, both end points included.
    std::vector<Vec2> flatten(double tolerance) const;
    // The exact bounding box.
    Box bounds() const;
};

// The arc of a polyline segment from p to q with the given bulge
// (tan of a quarter of the included angle, positive counter-clockwise).
EllipseArc bulge_arc(Vec2 p, Vec2 q, double bulge);
// True when a bulge is too small to tell from a straight segment.
bool is_straight_bulge(double bulge);

// A (possibly rational) B-spline curve.
struct BSpline {
    // CAD programs stop at degree 11: far higher ones only cost time (each
    // point of the curve takes the square of the degree).
    static constexpr int kMaxDegree = 32;
    int degree = 3;
    std::vector<double> knots;
    std::vector<Vec2> control;
    std::vector<double> weights;  // empty or one per control point

    bool valid() const;
    Vec2 at(double t) const;
    BSpline transformed(const Affine& m) const;
    // Chords within `tolerance` of the curve, by subdividing each knot span.
    std::vector<Vec2> flatten(double tolerance) const;
};

// The cubic B-spline through fit points that CAD programs make of a spline
// given only by them: chord-length parameters, natural knots, and end
// tangents as given (any length) or else estimated from five points.
// Nothing for fewer than three points or points it cannot pass through.
std::optional<BSpline> interpolate_fit_points(const std::vector<Vec2>& fit,
                                              std::optional<Vec2> start_tangent = std::nullopt,
                                              std::optional<Vec2> end_tangent = std::nullopt);

// A smooth curve through fit points (a natural cubic spline over the chord
// lengths), for splines that carry only their fit points.
std::vector<Vec2> flatten_fit_points(const std::vector<Vec2>& fit, double tolerance);

// Adaptive chords for any smooth curve f over [t0, t1], split first into
// `pieces`; appends the points after f(t0).
void flatten_curve(const std::function<Vec2(double)>& f, double t0, double t1, int pieces,
                   double tolerance, std::vector<Vec2>& out);

}  // namespace tvk::host
