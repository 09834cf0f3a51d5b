// Polylines with widths, filled as CAD programs plot them: straight runs as
// quadrilaterals mitred where they meet, arcs as bands.
#pragma once

#include <vector>

#include "host/drawing/geometry/plane.h"

namespace tvk::host {

struct WideVertex {
    Vec2 p;
    double start_width = 0, end_width = 0;  // of the segment that starts here
    double bulge = 0;
};

// True when some segment of the polyline has a width.
bool has_width(const std::vector<WideVertex>& vertices);

// The areas to fill, each a closed ring of its own (they overlap where
// segments meet, so they are not to be filled together by the even-odd
// rule), and the runs of segments without width, drawn as lines.
struct WideParts {
    std::vector<std::vector<Vec2>> faces;
    std::vector<std::vector<WideVertex>> lines;  // the last vertex's bulge unused
};
WideParts wide_polyline(std::vector<WideVertex> vertices, bool closed);

}  // namespace tvk::host
