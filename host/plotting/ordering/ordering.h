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

// What the ordering weighs against pen-up travel, from the plotter's timing,
// and how long it may spend improving the route.
struct OrderCosts {
    double lift = 0;      // one pen lift, in host units of pen-up travel
    double pen_down = 0;  // one host unit drawn, in host units of pen-up travel
    // Seconds for improving the routes (2-opt and Or-opt moves); infinity:
    // until no move improves them, so that the result does not depend on timing.
    double budget_seconds = std::numeric_limits<double>::infinity();
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
