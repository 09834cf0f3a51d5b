// How long a plotter takes over the parts of a plot: the figures of the time
// estimate and of the weights by which paths are ordered. Kept in the
// profile's [timing] table; every figure has a default.
#pragma once

namespace tvk::host {

struct PlotterTiming {
    double travel_mm_s = 500;   // pen-up moves, at their top speed
    double draw_mm_s = 200;     // pen-down, where neither the plot nor the model gives a speed
    double lift_s = 0.06;       // lifting the pen after a path and lowering it for the next
    double pen_change_s = 5.0;  // putting a pen away and taking up another
    int buffer_bytes = 1024;    // the plotter's input buffer: the line runs this far ahead
    // Every move (a pen-up move, each vector drawn) starts and ends at rest:
    // it speeds up and slows down at this rate, so that many short moves
    // take longer than their length at full speed. 0: no time for it.
    double acceleration_mm_s2 = 4000;
};

}  // namespace tvk::host
