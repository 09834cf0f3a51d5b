#include "host/drawing/geometry/geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tvk::host {

namespace {

constexpr double kPi = std::numbers::pi;
// Bounds the work for absurdly fine tolerances: no single curve becomes more
// chords than this.
constexpr double kMaxChords = 100000;
constexpr int kMaxDepth = 18;

}  // namespace

void Box::add(Vec2 p) {
    min_x = std::min(min_x, p.x);
    min_y = std::min(min_y, p.y);
    max_x = std::max(max_x, p.x);
    max_y = std::max(max_y, p.y);
}

void Box::add(const Box& b) {
    if (b.empty()) return;
    add(Vec2{b.min_x, b.min_y});
    add(Vec2{b.max_x, b.max_y});
}

double length(Vec2 a) {
    return std::hypot(a.x, a.y);
}

double distance_to_segment(Vec2 p, Vec2 a, Vec2 b) {
    Vec2 ab = b - a;
    double len2 = ab.x * ab.x + ab.y * ab.y;
    if (len2 == 0) return length(p - a);
    double t = std::clamp(((p.x - a.x) * ab.x + (p.y - a.y) * ab.y) / len2, 0.0, 1.0);
    return length(p - (a + t * ab));
}

Affine Affine::rotate(double radians) {
    double c = std::cos(radians), s = std::sin(radians);
    return {c, -s, 0, s, c, 0};
}

Affine Affine::ocs(double nx, double ny, double nz) {
    double n = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (n == 0 || !std::isfinite(n)) return {};
    nx /= n, ny /= n, nz /= n;
    // The arbitrary axis algorithm of the DXF format.
    double ax, ay, az;
    if (std::abs(nx) < 1.0 / 64 && std::abs(ny) < 1.0 / 64) {
        ax = nz, ay = 0, az = -nx;  // world y cross N
    } else {
        ax = -ny, ay = nx, az = 0;  // world z cross N
    }
    double an = std::sqrt(ax * ax + ay * ay + az * az);
    ax /= an, ay /= an, az /= an;
    // y axis = N cross x axis; only its x and y survive the view from above.
    double bx = ny * az - nz * ay, by = nz * ax - nx * az;
    return frame({0, 0}, {ax, ay}, {bx, by});
}

double Affine::max_stretch() const {
    double s = a * a + b * b + d * d + e * e;
    double det = a * e - b * d;
    return std::sqrt((s + std::sqrt(std::max(0.0, s * s - 4 * det * det))) / 2);
}

Vec2 Affine::unapply(Vec2 p) const {
    const double det = a * e - b * d;
    if (det == 0) return p;
    p = p - Vec2{c, f};
    return {(e * p.x - b * p.y) / det, (-d * p.x + a * p.y) / det};
}

Affine operator*(const Affine& l, const Affine& r) {
    return {l.a * r.a + l.b * r.d, l.a * r.b + l.b * r.e, l.a * r.c + l.b * r.f + l.c,
            l.d * r.a + l.e * r.d, l.d * r.b + l.e * r.e, l.d * r.c + l.e * r.f + l.f};
}

// ---- elliptic arcs -------------------------------------------------------------------

Vec2 EllipseArc::at(double t) const {
    return c + std::cos(t) * u + std::sin(t) * v;
}

EllipseArc EllipseArc::transformed(const Affine& m) const {
    return {m.apply(c), m.apply_vector(u), m.apply_vector(v), t0, t1};
}

namespace {

// The parameters of an arc with its start within half a turn of zero and at
// most one whole turn long: angles of any size, and arcs round more than
// once, draw the same, and huge ones would leave no room for the steps between.
std::pair<double, double> reduced(double t0, double t1) {
    // Arcs as DXF files give them stay as they are, their ends exactly there.
    if (std::abs(t1 - t0) <= 2 * kPi && std::abs(t0) <= 64 * kPi) return {t0, t1};
    double span = std::clamp(t1 - t0, -2 * kPi, 2 * kPi);
    double start = std::remainder(t0, 2 * kPi);
    return {start, start + span};
}

}  // namespace

std::vector<Vec2> EllipseArc::flatten(double tolerance) const {
    double radius = Affine::frame({}, u, v).max_stretch();
    auto [from, to] = reduced(t0, t1);
    double span = to - from;
    // A chord over the parameter step dt strays at most radius*(1 - cos(dt/2)).
    double n = std::ceil(std::abs(span) / (kPi / 2));
    if (radius > tolerance) {
        double dt = 2 * std::acos(1 - tolerance / radius);
        n = std::max(n, std::ceil(std::abs(span) / dt));
    }
    n = std::clamp(n, 1.0, kMaxChords);
    int count = static_cast<int>(n);
    std::vector<Vec2> points;
    points.reserve(count + 1);
    for (int i = 0; i < count; ++i) points.push_back(at(from + span * i / count));
    points.push_back(at(to));
    return points;
}

Box EllipseArc::bounds() const {
    auto [from, to] = reduced(t0, t1);
    Box box;
    box.add(at(from));
    box.add(at(to));
    double lo = std::min(from, to), hi = std::max(from, to);
    // x and y are extreme where their derivatives vanish, every half turn.
    for (double base : {std::atan2(v.x, u.x), std::atan2(v.y, u.y)}) {
        double t = base + std::ceil((lo - base) / kPi) * kPi;
        for (; t <= hi; t += kPi) box.add(at(t));
    }
    return box;
}

bool is_straight_bulge(double bulge) {
    return std::abs(bulge) < 1e-10;
}

EllipseArc bulge_arc(Vec2 p, Vec2 q, double bulge) {
    Vec2 chord = q - p;
    Vec2 left{-chord.y, chord.x};
    Vec2 centre = 0.5 * (p + q) + ((1 - bulge * bulge) / (4 * bulge)) * left;
    double r = length(p - centre);
    double start = std::atan2(p.y - centre.y, p.x - centre.x);
    return {centre, {r, 0}, {0, r}, start, start + 4 * std::atan(bulge)};
}

// ---- adaptive flattening ---------------------------------------------------------------

namespace {

// Squared, for speed: std::hypot is slow, and this runs for every chord.
double squared_distance_to_segment(Vec2 p, Vec2 a, Vec2 b) {
    Vec2 ab = b - a, ap = p - a;
    double len2 = ab.x * ab.x + ab.y * ab.y;
    double t = len2 == 0 ? 0 : std::clamp((ap.x * ab.x + ap.y * ab.y) / len2, 0.0, 1.0);
    Vec2 d = ap - t * ab;
    return d.x * d.x + d.y * d.y;
}

struct Subdivider {
    const std::function<Vec2(double)>& f;
    double tolerance;
    std::vector<Vec2>& out;

    bool near(Vec2 p, Vec2 a, Vec2 b) const {
        return squared_distance_to_segment(p, a, b) <= tolerance * tolerance;
    }

    void run(double t0, Vec2 p0, double t1, Vec2 p1, int depth) {
        double tm = (t0 + t1) / 2;
        Vec2 pm = f(tm);
        bool flat = depth >= kMaxDepth;
        if (!flat) {
            // The quarter points catch S bends whose middle happens to sit on the chord.
            Vec2 q1 = f((t0 + tm) / 2), q3 = f((tm + t1) / 2);
            flat = near(pm, p0, p1) && near(q1, p0, p1) && near(q3, p0, p1);
        }
        if (flat) {
            out.push_back(p1);
            return;
        }
        run(t0, p0, tm, pm, depth + 1);
        run(tm, pm, t1, p1, depth + 1);
    }
};

}  // namespace

void flatten_curve(const std::function<Vec2(double)>& f, double t0, double t1, int pieces,
                   double tolerance, std::vector<Vec2>& out) {
    Subdivider s{f, tolerance, out};
    Vec2 prev = f(t0);
    for (int i = 1; i <= pieces; ++i) {
        double a = t0 + (t1 - t0) * (i - 1) / pieces;
        double b = i == pieces ? t1 : t0 + (t1 - t0) * i / pieces;
        Vec2 next = f(b);
        s.run(a, prev, b, next, 0);
        prev = next;
    }
}

// ---- B-splines --------------------------------------------------------------------------

bool BSpline::valid() const {
    size_t n = control.size();
    if (degree < 1 || degree > kMaxDegree || n < static_cast<size_t>(degree) + 1) return false;
    if (knots.size() != n + degree + 1) return false;
    if (!weights.empty() && weights.size() != n) return false;
    for (double w : weights)
        if (!(w > 0)) return false;
    for (size_t i = 1; i < knots.size(); ++i)
        if (!(knots[i] >= knots[i - 1])) return false;
    return knots[degree] < knots[n];
}

Vec2 BSpline::at(double t) const {
    const int p = degree;
    const size_t n = control.size();
    // The knot span holding t, within the curve's domain.
    size_t k = p;
    while (k + 1 < n && t >= knots[k + 1]) ++k;
    // De Boor in homogeneous coordinates (x*w, y*w, w).
    struct H {
        double x, y, w;
    };
    std::vector<H> d(p + 1);
    for (int j = 0; j <= p; ++j) {
        size_t i = k - p + j;
        double w = weights.empty() ? 1.0 : weights[i];
        d[j] = {control[i].x * w, control[i].y * w, w};
    }
    for (int r = 1; r <= p; ++r) {
        for (int j = p; j >= r; --j) {
            size_t i = k - p + j;
            double den = knots[i + p - r + 1] - knots[i];
            double alpha = den == 0 ? 0 : (t - knots[i]) / den;
            d[j] = {(1 - alpha) * d[j - 1].x + alpha * d[j].x,
                    (1 - alpha) * d[j - 1].y + alpha * d[j].y,
                    (1 - alpha) * d[j - 1].w + alpha * d[j].w};
        }
    }
    return {d[p].x / d[p].w, d[p].y / d[p].w};
}

BSpline BSpline::transformed(const Affine& m) const {
    BSpline s = *this;
    for (Vec2& c : s.control) c = m.apply(c);
    return s;
}

std::vector<Vec2> BSpline::flatten(double tolerance) const {
    std::vector<Vec2> out;
    const size_t n = control.size();
    auto f = [this](double t) { return at(t); };
    out.push_back(at(knots[degree]));
    for (size_t k = degree; k < n; ++k) {
        if (knots[k + 1] > knots[k]) flatten_curve(f, knots[k], knots[k + 1], 2, tolerance, out);
    }
    return out;
}

namespace {

double cross(Vec2 a, Vec2 b) {
    return a.x * b.y - a.y * b.x;
}

// The end tangents of a curve through the points by five-point interpolation
// (Akima), with the differences before and after the ends extrapolated.
std::pair<Vec2, Vec2> estimated_end_tangents(const std::vector<Vec2>& p) {
    const size_t n = p.size();
    // q[k + 2] = p[k] - p[k - 1], extended by two on each side.
    std::vector<Vec2> q(n + 3);
    for (size_t k = 1; k < n; ++k) q[k + 1] = p[k] - p[k - 1];
    q[1] = 2 * q[2] - q[3];
    q[0] = 2 * q[1] - q[2];
    q[n + 1] = 2 * q[n] - q[n - 1];
    q[n + 2] = 2 * q[n + 1] - q[n];
    auto tangent = [&](size_t k) {  // at p[k], from q[k] .. q[k + 3]
        double v1 = std::abs(cross(q[k], q[k + 1])), v2 = std::abs(cross(q[k + 2], q[k + 3]));
        double alpha = v1 + v2 > 0 ? v1 / (v1 + v2) : 0.5;
        return (1 - alpha) * q[k + 1] + alpha * q[k + 2];
    };
    return {tangent(0), tangent(n - 1)};
}

// The p + 1 basis functions of degree p that are not zero at u, in knot span
// k (knots[k] <= u < knots[k + 1]).
std::vector<double> basis(const std::vector<double>& knots, size_t k, int p, double u) {
    std::vector<double> n(p + 1, 0.0), left(p + 1), right(p + 1);
    n[0] = 1;
    for (int j = 1; j <= p; ++j) {
        left[j] = u - knots[k + 1 - j];
        right[j] = knots[k + j] - u;
        double saved = 0;
        for (int r = 0; r < j; ++r) {
            double den = right[r + 1] + left[j - r];
            double tmp = den == 0 ? 0 : n[r] / den;
            n[r] = saved + right[r + 1] * tmp;
            saved = left[j - r] * tmp;
        }
        n[j] = saved;
    }
    return n;
}

}  // namespace

std::optional<BSpline> interpolate_fit_points(const std::vector<Vec2>& fit,
                                              std::optional<Vec2> start_tangent,
                                              std::optional<Vec2> end_tangent) {
    const size_t count = fit.size();
    if (count < 3) return std::nullopt;
    // Chord-length parameters from 0 to 1.
    std::vector<double> t(count, 0.0);
    for (size_t i = 1; i < count; ++i) t[i] = t[i - 1] + length(fit[i] - fit[i - 1]);
    const double total = t.back();
    if (!(total > 0) || !std::isfinite(total)) return std::nullopt;
    for (double& v : t) v /= total;
    t.back() = 1;
    for (size_t i = 1; i < count; ++i)
        if (!(t[i] > t[i - 1])) return std::nullopt;  // a repeated fit point

    // The tangents are first derivatives as long as the whole chord.
    auto [start, end] = estimated_end_tangents(fit);
    if (start_tangent && length(*start_tangent) > 0) start = *start_tangent;
    if (end_tangent && length(*end_tangent) > 0) end = *end_tangent;
    if (!(length(start) > 0) || !(length(end) > 0)) return std::nullopt;
    start = (total / length(start)) * start;
    end = (total / length(end)) * end;

    // Two more control points than fit points; natural knots.
    const int p = 3;
    const size_t n = count + 2;
    BSpline s;
    s.degree = p;
    s.knots.assign(p + 1, 0.0);
    s.knots.insert(s.knots.end(), t.begin() + 1, t.end() - 1);
    s.knots.insert(s.knots.end(), p + 1, 1.0);

    // Rows: the curve at each fit parameter, and after the first and before
    // the last a derivative condition. The matrix is banded, and solved
    // without pivoting: the collocation matrix of a B-spline is totally positive.
    constexpr size_t w = p + 1;  // how far from the diagonal entries may stand
    std::vector<double> band(n * (2 * w + 1), 0.0);
    bool in_band = true;
    auto at = [&](size_t r, size_t c) -> double& {
        static double outside;
        if (c + w < r || c > r + w) {
            in_band = false;
            return outside = 0;
        }
        return band[r * (2 * w + 1) + (c + w - r)];
    };
    std::vector<Vec2> rhs(n);
    size_t row = 0;
    for (size_t i = 0; i < count; ++i) {
        size_t k = p;
        while (k + 1 < n && t[i] >= s.knots[k + 1]) ++k;
        auto values = basis(s.knots, k, p, t[i]);
        for (int j = 0; j <= p; ++j) at(row, k - p + j) = values[j];
        rhs[row++] = fit[i];
        if (i == 0) {
            at(row, 0) = -1, at(row, 1) = 1;
            rhs[row++] = (s.knots[p + 1] / p) * start;
        } else if (i + 2 == count) {
            at(row, n - 2) = -1, at(row, n - 1) = 1;
            rhs[row++] = ((1 - s.knots[n - 1]) / p) * end;
        }
    }
    if (!in_band) return std::nullopt;
    for (size_t i = 0; i < n; ++i) {
        double pivot = at(i, i);
        if (!(std::abs(pivot) > 1e-12)) return std::nullopt;
        for (size_t r = i + 1; r < n && r <= i + w; ++r) {
            double f = at(r, i) / pivot;
            if (f == 0) continue;
            for (size_t c = i; c < n && c <= i + w; ++c) at(r, c) -= f * at(i, c);
            rhs[r] = rhs[r] - f * rhs[i];
        }
    }
    s.control.assign(n, {});
    for (size_t i = n; i-- > 0;) {
        Vec2 v = rhs[i];
        for (size_t c = i + 1; c < n && c <= i + w; ++c) v = v - at(i, c) * s.control[c];
        s.control[i] = (1 / at(i, i)) * v;
    }
    for (Vec2 c : s.control)
        if (!std::isfinite(c.x) || !std::isfinite(c.y)) return std::nullopt;
    if (!s.valid()) return std::nullopt;
    return s;
}

std::vector<Vec2> flatten_fit_points(const std::vector<Vec2>& fit, double tolerance) {
    const size_t n = fit.size();
    if (n < 3) return fit;
    // Chord-length parameters; coincident fit points would divide by zero.
    std::vector<double> t(n, 0.0);
    for (size_t i = 1; i < n; ++i) t[i] = t[i - 1] + std::max(length(fit[i] - fit[i - 1]), 1e-12);
    // Natural cubic spline: second derivatives m from a tridiagonal system.
    auto second_derivatives = [&](auto coord) {
        std::vector<double> m(n, 0.0), c(n, 0.0), r(n, 0.0);
        for (size_t i = 1; i + 1 < n; ++i) {
            double h0 = t[i] - t[i - 1], h1 = t[i + 1] - t[i];
            double a = h0, b = 2 * (h0 + h1), cc = h1;
            double rhs = 6 * ((coord(fit[i + 1]) - coord(fit[i])) / h1 -
                              (coord(fit[i]) - coord(fit[i - 1])) / h0);
            double den = b - a * c[i - 1];
            c[i] = cc / den;
            r[i] = (rhs - a * r[i - 1]) / den;
        }
        for (size_t i = n - 2; i >= 1; --i) m[i] = r[i] - c[i] * m[i + 1];
        return m;
    };
    auto mx = second_derivatives([](Vec2 p) { return p.x; });
    auto my = second_derivatives([](Vec2 p) { return p.y; });
    std::vector<Vec2> out{fit[0]};
    for (size_t i = 0; i + 1 < n; ++i) {
        double h = t[i + 1] - t[i];
        auto cubic = [&](double s, double y0, double y1, double m0, double m1) {
            double a = (t[i + 1] - s) / h, b = (s - t[i]) / h;
            return a * y0 + b * y1 + ((a * a * a - a) * m0 + (b * b * b - b) * m1) * h * h / 6;
        };
        auto f = [&](double s) {
            return Vec2{cubic(s, fit[i].x, fit[i + 1].x, mx[i], mx[i + 1]),
                        cubic(s, fit[i].y, fit[i + 1].y, my[i], my[i + 1])};
        };
        flatten_curve(f, t[i], t[i + 1], 2, tolerance, out);
    }
    return out;
}

}  // namespace tvk::host
