#include "host/drawing/svg/markers.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>

namespace tvk::host {

namespace {

double degrees_of(Vec2 d) {
    return std::atan2(d.y, d.x) * 180 / std::numbers::pi;
}

Vec2 unit(Vec2 v) {
    const double n = length(v);
    return n > 0 ? (1 / n) * v : v;
}

}  // namespace

std::vector<SvgMarkerPlace> marker_places(const std::vector<SvgVertex>& vertices) {
    std::vector<SvgMarkerPlace> out;
    for (size_t i = 0; i < vertices.size(); ++i) {
        const SvgVertex& v = vertices[i];
        SvgMarkerPlace place{i == 0                     ? SvgMarkerPlace::kStart
                             : i + 1 == vertices.size() ? SvgMarkerPlace::kEnd
                                                        : SvgMarkerPlace::kMid,
                             v.at, 0};
        if (v.in && v.out) {
            const Vec2 sum = unit(*v.in) + unit(*v.out);
            // Straight back: the direction in.
            place.angle = length(sum) < 1e-12 ? degrees_of(*v.in) : degrees_of(sum);
        } else if (v.in) {
            place.angle = degrees_of(*v.in);
        } else if (v.out) {
            place.angle = degrees_of(*v.out);
        }
        out.push_back(place);
    }
    return out;
}

std::optional<Affine> viewbox_transform(const std::string& viewbox,
                                        const std::string& preserve_aspect_ratio, double width,
                                        double height) {
    std::string spaced = viewbox;
    std::replace(spaced.begin(), spaced.end(), ',', ' ');
    std::istringstream in(spaced);
    double x, y, w, h;
    if (!(in >> x >> y >> w >> h) || !(w > 0) || !(h > 0)) return std::nullopt;
    std::istringstream words(preserve_aspect_ratio);
    std::string align = "xMidYMid", fit = "meet";
    words >> align;
    if (align == "defer") words >> align;
    words >> fit;
    double sx = width / w, sy = height / h;
    if (align != "none") {
        sx = sy = fit == "slice" ? std::max(sx, sy) : std::min(sx, sy);
    }
    double tx = -x * sx, ty = -y * sy;
    if (align != "none") {
        const auto shift = [&](const char* mid, const char* max, double room) {
            if (align.find(mid) != std::string::npos) return room / 2;
            if (align.find(max) != std::string::npos) return room;
            return 0.0;
        };
        tx += shift("xMid", "xMax", width - w * sx);
        ty += shift("YMid", "YMax", height - h * sy);
    }
    return Affine{sx, 0, tx, 0, sy, ty};
}

}  // namespace tvk::host
