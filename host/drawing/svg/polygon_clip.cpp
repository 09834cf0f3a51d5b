#include "host/drawing/svg/polygon_clip.h"

#include <boost/geometry.hpp>
#include <boost/geometry/geometries/multi_polygon.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>

#include "host/drawing/geometry/nonzero_outline.h"

namespace tvk::host {

namespace {

namespace bg = boost::geometry;
using Point = bg::model::d2::point_xy<double>;
using Polygon = bg::model::polygon<Point>;  // clockwise, closed
using Region = bg::model::multi_polygon<Polygon>;

double signed_area(const std::vector<Vec2>& ring) {
    double a = 0;
    for (size_t i = 0, n = ring.size(); i < n; ++i) {
        const Vec2 p = ring[i], q = ring[(i + 1) % n];
        a += p.x * q.y - q.x * p.y;
    }
    return a / 2;
}

// A ring as a polygon of its own, whichever way it ran; nothing when it
// crosses itself.
std::optional<Polygon> polygon_of(const std::vector<Vec2>& ring) {
    if (ring.size() < 3) return std::nullopt;
    Polygon p;
    for (Vec2 v : ring) p.outer().push_back(Point(v.x, v.y));
    bg::correct(p);
    if (!bg::is_valid(p)) return std::nullopt;
    return p;
}

Region united(const Region& a, const Region& b) {
    Region out;
    bg::union_(a, b, out);
    return out;
}

constexpr size_t kMaxFanCorners = 256;

// An area's region: each ring toggled in, by the even-odd rule; an area
// filled by the nonzero rule first becomes its outline, rings that give the
// same area by the even-odd rule (a star that crosses itself, subpaths that
// overlap going the same way).
std::optional<Region> region_of(const SvgArea& area) {
    const std::vector<std::vector<Vec2>> rings =
        area.even_odd ? area.rings : nonzero_outline(area.rings);
    Region region;
    const auto toggle = [&](const Polygon& p) {
        Region out;
        bg::sym_difference(region, Region{p}, out);
        region = std::move(out);
    };
    for (const auto& ring : rings) {
        if (auto p = polygon_of(ring)) {
            toggle(*p);
            continue;
        }
        if (ring.size() < 3 || !(std::abs(signed_area(ring)) > 0)) continue;
        // A ring that crosses itself, by the even-odd rule: the triangles
        // of a fan from its first corner, each toggled in (a point lies in
        // an odd number of them where the ring winds about it an odd number
        // of times). Too slow for long rings.
        if (!area.even_odd || ring.size() > kMaxFanCorners) return std::nullopt;
        for (size_t i = 1; i + 1 < ring.size(); ++i)
            if (auto t = polygon_of({ring[0], ring[i], ring[i + 1]})) toggle(*t);
    }
    return region;
}

}  // namespace

std::optional<std::vector<std::vector<Vec2>>> clip_area(
    const SvgArea& fill, const std::vector<std::vector<SvgArea>>& clips) {
    auto region = region_of(fill);
    if (!region) return std::nullopt;
    for (const auto& clip : clips) {
        Region inside;
        for (const SvgArea& area : clip) {
            auto r = region_of(area);
            if (!r) return std::nullopt;
            inside = united(inside, *r);
        }
        Region out;
        bg::intersection(*region, inside, out);
        region = std::move(out);
    }
    std::vector<std::vector<Vec2>> rings;
    const auto add = [&](const auto& ring) {
        std::vector<Vec2> r;
        for (const Point& p : ring) r.push_back({p.x(), p.y()});
        if (r.size() > 1 && r.front() == r.back()) r.pop_back();
        if (r.size() >= 3) rings.push_back(std::move(r));
    };
    for (const Polygon& p : *region) {
        add(p.outer());
        for (const auto& inner : p.inners()) add(inner);
    }
    return rings;
}

}  // namespace tvk::host
