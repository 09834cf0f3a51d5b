// Improvement of a route through pen-down paths: 2-opt moves (plotting a run
// of paths backwards) and Or-opt moves (moving one to three paths elsewhere,
// either way round), tried between paths whose ends lie near each other.
#pragma once

#include <vector>

#include "host/drawing/drawing.h"

namespace tvk::host {

// Reorders and turns `paths` (plotted in this order from `start`) while a
// move shortens the pen-up travel, for at most `seconds` (infinity: until
// none does). Closed paths are then entered at their best vertex. Never
// lengthens the travel; keeps every path as it is but for its direction.
void improve_route(std::vector<PenPath>& paths, std::pair<int32_t, int32_t> start, double seconds,
                   WorkProgress& progress);

}  // namespace tvk::host
