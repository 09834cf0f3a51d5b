// Strokes that fill an area for a plotter that does not fill polygons.
#pragma once

#include <vector>

#include "host/drawing/geometry/plane.h"

namespace tvk::host {

// Lines `spacing` apart (one pen width), clipped to the rings by the
// even-odd rule, after the rings' outlines.
std::vector<std::vector<Vec2>> hatch_strokes(const std::vector<std::vector<Vec2>>& rings,
                                             double spacing);

}  // namespace tvk::host
