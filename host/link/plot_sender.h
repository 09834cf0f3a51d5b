// Sends a plot job through the plot entry: begin plot, pens, line types,
// speeds, widths, moves and draws, polygons, end plot. Stops at the first
// request the driver fails, and on Ctrl-C. It pauses where asked, before a
// pen's first item when pens are changed by hand, and after a length of ink:
// the driver lifts the pen and takes it to the paper's corner, and after the
// pause takes it back to where it was (its own requests, so that this holds
// in every language and coordinate system).
#pragma once

#include <cstddef>
#include <functional>
#include <set>

#include "host/link/driver_connection.h"
#include "host/plotting/plot_job.h"

namespace tvk::host {

// Why a plot pauses.
struct PauseReason {
    enum Kind { kAsked, kPenChange, kInk } kind = kAsked;
    int pen = 0;            // the pen to put in (kPenChange), or the one in use
    bool mid_path = false;  // the pen lifted inside a path, which goes on afterwards
};

struct SendOptions {
    bool pen_widths = false;      // TK-GL3: pen width requests
    bool variable_speed = false;  // the plotter takes pen speeds
    // Called now and then with the requests done and their total.
    std::function<void(size_t done, size_t total)> progress;

    // True when the user asked for a pause; asked before each item, where
    // the pen is up. Null: never.
    std::function<bool()> pause_asked;
    bool manual_pens = false;  // a pause before each pen's first item
    double split_ink = 0;      // host units of pen-down line between pauses; 0: none
    double units_per_inch = 0;  // host units, for the ink of the fills the plotter draws
    // Called with the pen lifted and parked; false when the plot is to stop.
    std::function<bool(const PauseReason&)> paused;
};

struct SendResult {
    bool failed = false;   // a request failed or the port refused bytes
    bool stopped = false;  // the user pressed Ctrl-C
    size_t vectors = 0;    // pen-down vectors, polygon edges included
    std::set<int> pens;
};

SendResult send_plot(DriverConnection& driver, const PlotJob& job, const SendOptions& options);

}  // namespace tvk::host
