// SVG markers (arrowheads and the like): where a path's vertices put them
// and which way they turn, and the viewBox mapping they (and viewports)
// use.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/drawing/geometry/geometry.h"

namespace tvk::host {

// A vertex of a path with the directions of the segments into and out of it.
struct SvgVertex {
    Vec2 at;
    std::optional<Vec2> in, out;
};

struct SvgMarkerPlace {
    enum Which { kStart, kMid, kEnd } which;
    Vec2 at;
    double angle = 0;  // degrees, of the path's direction there (auto orientation)
};

// The marker places of a path's vertices in order: the first vertex takes the
// start marker, the last the end marker, all others the mid marker; the
// direction at a vertex halves the angle between the segments in and out.
std::vector<SvgMarkerPlace> marker_places(const std::vector<SvgVertex>& vertices);

// The transform that fits a viewBox (x y w h) into a viewport of width by
// height from its origin, as preserveAspectRatio says (xMidYMid meet when
// empty). Nothing when the viewBox is not four numbers with a positive size.
std::optional<Affine> viewbox_transform(const std::string& viewbox,
                                        const std::string& preserve_aspect_ratio, double width,
                                        double height);

}  // namespace tvk::host
