// The plan of pen paths: the order in which a plotter draws them, and at the
// higher levels which of them are merged or trimmed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "host/drawing/model/work_progress.h"

namespace tvk::host {

// A pen-down polyline in host units, with its pen.
struct PenPath {
    int pen = 1;
    int line_type = 0;
    int speed = 0;
    std::vector<std::pair<int32_t, int32_t>> points;
};

// The route's improvement tries at most this many moves a path (see OrderCosts).
constexpr double kRouteMovesPerPath = 400;

// What the ordering weighs against pen-up travel, from the plotter's timing,
// and how much work it may spend improving the route.
struct OrderCosts {
    double lift = 0;      // one pen lift, in host units of pen-up travel
    double pen_down = 0;  // one host unit drawn, in host units of pen-up travel
    // Moves the route's improvement (2-opt and Or-opt) may try a path; a
    // budget of work, so that the plan is the same on every machine and under
    // any load. Enough on CAD drawings for the improvement to run to its end;
    // infinity: always until no move improves the route.
    double moves_per_path = kRouteMovesPerPath;
};

// Reorders (and at higher levels merges or trims) the paths as CAD hosts do for
// the optimisation level the driver reports:
//   1 endpoint swapping, 2 plus pen sorting, 3 plus limited motion
//   optimisation, 4 full pen-motion optimisation, 5 plus removal of overlapping
//   horizontal and vertical vectors, 6 plus removal of overlapping diagonal vectors.
// The set of drawn segments is unchanged except for exact overlaps that level
// 5 and 6 remove. From level 2 up, no level leaves more pen-up travel than the
// level below it; each pen's paths stay together.
void optimize_paths(std::vector<PenPath>& paths, int level, const OrderCosts& costs,
                    WorkProgress& progress);
void optimize_paths(std::vector<PenPath>& paths, int level);
// Total pen-up travel, from (0, 0) through every path in order, in host units.
double pen_up_travel(const std::vector<PenPath>& paths);

}  // namespace tvk::host
