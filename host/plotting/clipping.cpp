#include "host/plotting/clipping.h"

#include <cmath>

namespace tvk::host {
namespace {

bool inside(Vec2 p, HostArea a) {
    return p.x >= 0 && p.y >= 0 && p.x <= a.width && p.y <= a.height;
}

HostPoint rounded(Vec2 p) {
    return {static_cast<int32_t>(std::lround(p.x)), static_cast<int32_t>(std::lround(p.y))};
}

void append(HostPolyline& line, Vec2 p) {
    const HostPoint h = rounded(p);
    if (line.empty() || line.back() != h) line.push_back(h);
}

// Liang-Barsky: the part of a-b inside the area as the parameters t0 <= t1.
bool clip_segment(Vec2 a, Vec2 b, HostArea area, double& t0, double& t1) {
    t0 = 0;
    t1 = 1;
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x, area.width - a.x, a.y, area.height - a.y};
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
    if (points.size() == 1) {
        if (inside(points[0], area)) pieces.push_back({rounded(points[0])});
        return pieces;
    }
    HostPolyline current;
    for (size_t i = 1; i < points.size(); ++i) {
        double t0 = 0, t1 = 1;
        if (!clip_segment(points[i - 1], points[i], area, t0, t1)) continue;
        const Vec2 from = lerp(points[i - 1], points[i], t0);
        const Vec2 to = lerp(points[i - 1], points[i], t1);
        // A segment that enters the area starts a new piece.
        if (t0 > 0 && !current.empty()) {
            pieces.push_back(std::move(current));
            current.clear();
        }
        append(current, from);
        append(current, to);
        if (t1 < 1) {
            pieces.push_back(std::move(current));
            current.clear();
        }
    }
    if (!current.empty()) pieces.push_back(std::move(current));
    return pieces;
}

HostPolyline clip_ring(const std::vector<Vec2>& ring, HostArea area) {
    const auto at_x = [](double x) {
        return [x](Vec2 a, Vec2 b) { return lerp(a, b, (x - a.x) / (b.x - a.x)); };
    };
    const auto at_y = [](double y) {
        return [y](Vec2 a, Vec2 b) { return lerp(a, b, (y - a.y) / (b.y - a.y)); };
    };
    std::vector<Vec2> r = ring;
    r = cut(
        r, [](Vec2 p) { return p.x >= 0; }, at_x(0));
    r = cut(
        r, [&](Vec2 p) { return p.x <= area.width; }, at_x(area.width));
    r = cut(
        r, [](Vec2 p) { return p.y >= 0; }, at_y(0));
    r = cut(
        r, [&](Vec2 p) { return p.y <= area.height; }, at_y(area.height));
    HostPolyline out;
    for (Vec2 p : r) append(out, p);
    while (out.size() > 1 && out.front() == out.back()) out.pop_back();
    return out.size() >= 3 ? out : HostPolyline{};
}

}  // namespace tvk::host
