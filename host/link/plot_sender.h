// Sends a plot job through the plot entry: begin plot, pens, line types,
// speeds, widths, moves and draws, polygons, end plot. Stops at the first
// request the driver fails, and on Ctrl-C.
#pragma once

#include <cstddef>
#include <functional>
#include <set>

#include "host/link/driver_connection.h"
#include "host/plotting/plot_job.h"

namespace tvk::host {

struct SendOptions {
    bool pen_widths = false;      // TK-GL3: pen width requests
    bool variable_speed = false;  // the plotter takes pen speeds
    // Called now and then with the requests done and their total.
    std::function<void(size_t done, size_t total)> progress;
};

struct SendResult {
    bool failed = false;   // a request failed or the port refused bytes
    bool stopped = false;  // the user pressed Ctrl-C
    size_t vectors = 0;    // pen-down vectors, polygon edges included
    std::set<int> pens;
};

SendResult send_plot(DriverConnection& driver, const PlotJob& job, const SendOptions& options);

}  // namespace tvk::host
