// Even-odd scanlines across closed rings, for the host's own fills and for
// hatch patterns.
#pragma once

#include <functional>
#include <vector>

#include "host/drawing/geometry/plane.h"

namespace tvk::host {

// For each horizontal line y = first + k * step (k = 0, 1, ...) that crosses
// the rings, `line(y, xs)` gets the x of its crossings in increasing order:
// inside between the first and second, the third and fourth, ... (even-odd).
// A vertex shared by two edges is crossed once.
void even_odd_scanlines(const std::vector<std::vector<Vec2>>& rings, double first, double step,
                        const std::function<void(double y, const std::vector<double>& xs)>& line);

}  // namespace tvk::host
