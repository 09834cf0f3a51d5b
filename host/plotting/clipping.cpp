#include "host/plotting/clipping.h"

#include <algorithm>
#include <cmath>

namespace tvk::host {
namespace {

// How far outside the area a point may lie and still count as on its edge:
// the fit puts the outermost lines on the edge give or take a rounding
// error, and a point that rounds onto the edge is on the paper.
constexpr double kSlack = 0.25;

bool inside(Vec2 p, HostArea a, double slack = kSlack) {
    return p.x >= -slack && p.y >= -slack && p.x <= a.width + slack && p.y <= a.height + slack;
}

// Every point within the area and `slack`: then every segment lies so, and
// clip_segment keeps each whole (t0 0, t1 1). Most paths lie on the paper.
bool all_inside(const std::vector<Vec2>& points, HostArea a, double slack = kSlack) {
    return std::all_of(points.begin(), points.end(), [&](Vec2 p) { return inside(p, a, slack); });
}

// To the nearest host unit, halves up, as std::lround takes them (of a
// number from 0 to 65535, without a call for each: a plot rounds millions).
int32_t nearest_unit(double v) {
    if (!(v >= 0)) return 0;  // what lround's out-of-range answer becomes
    const auto whole = static_cast<int32_t>(v);
    return v - whole >= 0.5 ? whole + 1 : whole;  // the difference is exact
}

// To the nearest host unit, and never past the edge that the slack let through.
HostPoint rounded(Vec2 p, HostArea a) {
    return {nearest_unit(std::clamp(p.x, 0.0, a.width)),
            nearest_unit(std::clamp(p.y, 0.0, a.height))};
}

void append(HostPolyline& line, Vec2 p, HostArea area) {
    const HostPoint h = rounded(p, area);
    if (line.empty() || line.back() != h) line.push_back(h);
}

// Liang-Barsky: the part of a-b inside the area as the parameters t0 <= t1.
bool clip_segment(Vec2 a, Vec2 b, HostArea area, double& t0, double& t1, double slack = kSlack) {
    t0 = 0;
    t1 = 1;
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x + slack, area.width + slack - a.x, a.y + slack,
                         area.height + slack - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
    }
    return true;
}

Vec2 lerp(Vec2 a, Vec2 b, double t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

// One Sutherland-Hodgman pass against the half plane where keep(p) holds.
template <typename Keep, typename Cross>
std::vector<Vec2> cut(const std::vector<Vec2>& ring, Keep keep, Cross cross) {
    std::vector<Vec2> out;
    for (size_t i = 0; i < ring.size(); ++i) {
        const Vec2 a = ring[i];
        const Vec2 b = ring[(i + 1) % ring.size()];
        if (keep(a)) out.push_back(a);
        if (keep(a) != keep(b)) out.push_back(cross(a, b));
    }
    return out;
}

}  // namespace

std::vector<HostPolyline> clip_polyline(const std::vector<Vec2>& points, HostArea area) {
    std::vector<HostPolyline> pieces;
    clip_polyline(points, area, pieces);
    return pieces;
}

void clip_polyline(const std::vector<Vec2>& points, HostArea area,
                   std::vector<HostPolyline>& pieces) {
    pieces.clear();
    if (points.size() == 1) {
        if (inside(points[0], area)) pieces.push_back({rounded(points[0], area)});
        return;
    }
    // Most paths lie wholly on the paper: one piece of at most their points,
    // held at its size (the job holds every path until it is sent).
    HostPolyline current;
    current.reserve(points.size());
    const bool whole = all_inside(points, area);
    for (size_t i = 1; i < points.size(); ++i) {
        double t0 = 0, t1 = 1;
        if (!whole && !clip_segment(points[i - 1], points[i], area, t0, t1)) continue;
        const Vec2 from = lerp(points[i - 1], points[i], t0);
        const Vec2 to = lerp(points[i - 1], points[i], t1);
        // A segment that enters the area starts a new piece.
        if (t0 > 0 && !current.empty()) {
            pieces.push_back(std::move(current));
            current.clear();
        }
        append(current, from, area);
        append(current, to, area);
        if (t1 < 1) {
            pieces.push_back(std::move(current));
            current.clear();
        }
    }
    if (!current.empty()) pieces.push_back(std::move(current));
    for (HostPolyline& piece : pieces)
        if (piece.capacity() > piece.size()) piece.shrink_to_fit();
}

double length_cut_off(const std::vector<Vec2>& points, HostArea area, double margin) {
    double cut = 0;
    if (all_inside(points, area, margin)) return cut;
    for (size_t i = 1; i < points.size(); ++i) {
        const Vec2 a = points[i - 1], b = points[i];
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        double t0 = 0, t1 = 1;
        if (!clip_segment(a, b, area, t0, t1, margin)) {
            cut += length;
        } else {
            cut += length * (1 - (t1 - t0));
        }
    }
    return cut;
}

HostPolyline clip_ring(const std::vector<Vec2>& ring, HostArea area) {
    const auto at_x = [](double x) {
        return [x](Vec2 a, Vec2 b) { return lerp(a, b, (x - a.x) / (b.x - a.x)); };
    };
    const auto at_y = [](double y) {
        return [y](Vec2 a, Vec2 b) { return lerp(a, b, (y - a.y) / (b.y - a.y)); };
    };
    const double low = -kSlack, right = area.width + kSlack, top = area.height + kSlack;
    std::vector<Vec2> r = ring;
    r = cut(
        r, [&](Vec2 p) { return p.x >= low; }, at_x(low));
    r = cut(
        r, [&](Vec2 p) { return p.x <= right; }, at_x(right));
    r = cut(
        r, [&](Vec2 p) { return p.y >= low; }, at_y(low));
    r = cut(
        r, [&](Vec2 p) { return p.y <= top; }, at_y(top));
    HostPolyline out;
    for (Vec2 p : r) append(out, p, area);
    while (out.size() > 1 && out.front() == out.back()) out.pop_back();
    return out.size() >= 3 ? out : HostPolyline{};
}

double polyline_length(const HostPolyline& points, bool closed) {
    double length = 0;
    for (size_t i = 1; i < points.size(); ++i) {
        length += std::hypot(points[i].first - points[i - 1].first,
                             points[i].second - points[i - 1].second);
    }
    if (closed && points.size() > 2) {
        length += std::hypot(points.back().first - points.front().first,
                             points.back().second - points.front().second);
    }
    return length;
}

}  // namespace tvk::host
