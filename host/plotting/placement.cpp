#include "host/plotting/placement.h"

#include <algorithm>
#include <cmath>

namespace tvk::host {
namespace {

constexpr double kMaxHostCoordinate = 65535;

Vec2 turned(Vec2 p, bool rotate) {
    return rotate ? Vec2{-p.y, p.x} : p;
}

// The extents as they stand after the turn.
Box turned(const Box& b, bool rotate) {
    if (!rotate) return b;
    Box t;
    t.add(turned(Vec2{b.min_x, b.min_y}, true));
    t.add(turned(Vec2{b.max_x, b.max_y}, true));
    return t;
}

}  // namespace

HostArea host_area(double area_x, double area_y, double resolution) {
    const auto side = [&](double inches) {
        return std::clamp(std::floor(inches * resolution), 0.0, kMaxHostCoordinate);
    };
    return {side(area_x), side(area_y)};
}

Placement Placement::fit(const Box& extents, bool rotate, HostArea area) {
    if (extents.empty()) return Placement(rotate, 1, {0, 0});
    const Box b = turned(extents, rotate);
    const double w = b.max_x - b.min_x;
    const double h = b.max_y - b.min_y;
    double scale = 1;
    if (w > 0 && h > 0) {
        scale = std::min(area.width / w, area.height / h);
    } else if (w > 0) {
        scale = area.width / w;
    } else if (h > 0) {
        scale = area.height / h;
    }
    // Centred: the spare room is split on both sides.
    const Vec2 offset{(area.width - w * scale) / 2 - b.min_x * scale,
                      (area.height - h * scale) / 2 - b.min_y * scale};
    return Placement(rotate, scale, offset);
}

Placement Placement::scaled(const Box& extents, bool rotate, double host_units_per_unit) {
    if (extents.empty()) return Placement(rotate, host_units_per_unit, {0, 0});
    const Box b = turned(extents, rotate);
    return Placement(rotate, host_units_per_unit,
                     {-b.min_x * host_units_per_unit, -b.min_y * host_units_per_unit});
}

Placement Placement::place(const Box& extents, const PlacementRequest& r, HostArea area) {
    const double margin = std::clamp(r.margin, 0.0, std::min(area.width, area.height) / 2);
    const HostArea inner{area.width - 2 * margin, area.height - 2 * margin};
    bool rotate = r.rotate == PlacementRequest::Rotate::kYes;
    if (r.rotate == PlacementRequest::Rotate::kAuto && !extents.empty()) {
        // Turned when the turned drawing fits at a larger scale.
        const double w = extents.max_x - extents.min_x, h = extents.max_y - extents.min_y;
        const auto fits = [&](double across, double up) {
            return std::min(across > 0 ? inner.width / across : 1e300,
                            up > 0 ? inner.height / up : 1e300);
        };
        rotate = fits(h, w) > fits(w, h);
    }
    Placement p = r.scale ? scaled(extents, rotate, *r.scale) : fit(extents, rotate, inner);
    Vec2 shift{margin, margin};
    if (r.scale && r.center && !extents.empty()) {
        const Box b = turned(extents, rotate);
        shift.x += (inner.width - (b.max_x - b.min_x) * *r.scale) / 2;
        shift.y += (inner.height - (b.max_y - b.min_y) * *r.scale) / 2;
    }
    p.offset_.x += shift.x + r.offset.x;
    p.offset_.y += shift.y + r.offset.y;
    return p;
}

Vec2 Placement::apply(Vec2 p) const {
    const Vec2 t = turned(p, rotate_);
    return {t.x * scale_ + offset_.x, t.y * scale_ + offset_.y};
}

Box Placement::window(HostArea area) const {
    Box box;
    for (Vec2 corner : {Vec2{0, 0}, Vec2{area.width, area.height}}) {
        const Vec2 t{(corner.x - offset_.x) / scale_, (corner.y - offset_.y) / scale_};
        box.add(rotate_ ? Vec2{t.y, -t.x} : t);  // turned back
    }
    return box;
}

}  // namespace tvk::host
