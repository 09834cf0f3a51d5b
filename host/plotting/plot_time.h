// The time a plot takes on the plotter: the pen-down vectors at the pen
// speeds and the pen-up moves at the travel speed, each speeding up from rest
// and slowing down to it at the plotter's acceleration, a time for every pen lift and
// pen change, and the bytes on the line, which run ahead of the plotter as
// far as its buffer allows. The path ordering weighs lifts and travel by it.
#pragma once

#include <cstddef>

#include "host/drawing/model/drawing.h"
#include "host/plotting/ordering/ordering.h"
#include "host/plotting/plot_job.h"
#include "host/settings/plotter_timing.h"

namespace tvk::host {

struct TimeModel {
    PlotterTiming timing;
    double mm_per_unit = 0.025;   // host units
    double bytes_per_second = 0;  // on the line; 0: the bytes take no time (a file)
    int model_speed_cm_s = 0;     // the model's pen speed; 0: none given
    bool speeds_sent = false;     // the plot sends each path's pen speed
};

struct PlotTime {
    double pen_down_s = 0;
    double pen_up_s = 0;
    double lifts_s = 0;
    double changes_s = 0;
    double line_s = 0;     // the bytes on the line
    double plotter_s = 0;  // the plotter's own work: the four above
    double total_s = 0;    // from the first byte to the last line drawn
    size_t lifts = 0;
    size_t changes = 0;   // pen selections, the first included
    double pen_down = 0;  // the length drawn, in host units
};

// The plot of `job` in its order, sent as `bytes` bytes (spread over the
// paths by their points).
PlotTime plot_time(const PlotJob& job, size_t bytes, const TimeModel& model);

// What no plan of the job's ink can beat: the fewest pen lifts (strokes),
// the least pen-up travel through its paths (taking up each pen once, as
// every plan with the fewest pen changes does), and the plotter's time at
// them.
struct PlotBounds {
    size_t lifts = 0;
    double travel = 0;    // host units
    double travel_s = 0;  // the least time of the pen-up moves
    double plotter_s = 0;
};

// The bounds of `job`, whose plan takes `planned` (its pen-down time and pen
// changes are the bound's: the ink and the pens are the plan's).
PlotBounds plot_bounds(const PlotJob& job, const PlotTime& planned, const TimeModel& model);

// What the ordering weighs against pen-up travel: a pen lift, and a unit
// drawn at the model's pen speed.
OrderCosts order_costs(const TimeModel& model);

}  // namespace tvk::host
