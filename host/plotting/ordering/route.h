// Improvement of a route through pen-down paths: 2-opt moves (plotting a run
// of paths backwards) and Or-opt moves (moving one to three paths elsewhere,
// either way round), tried between paths whose ends lie near each other.
#pragma once

#include <cstdint>
#include <vector>

#include "host/plotting/ordering/ordering.h"

namespace tvk::host {

// Reorders and turns `paths` (plotted in this order from `start`) while a
// move shortens the pen-up travel, trying at most `moves_per_path` moves a
// path (infinity: until none does): a budget of work, not of time, so that
// the route is the same on any machine under any load. Closed paths are then
// entered at their best vertex, and the route mended once more from those
// entered elsewhere (within the same budget a path). Never lengthens the
// travel; keeps every path as it is but for its direction.
void improve_route(std::vector<PenPath>& paths, std::pair<int32_t, int32_t> start,
                   double moves_per_path, WorkProgress& progress);
// The same, trying moves only from the paths marked in `from` (one flag a
// path) and from those each move touches: a route good but for a few
// changed paths is mended in work proportional to them (the budget is per
// marked path).
void improve_route(std::vector<PenPath>& paths, std::pair<int32_t, int32_t> start,
                   double moves_per_path, WorkProgress& progress, const std::vector<uint8_t>& from);

}  // namespace tvk::host
