// One drawing plotted through the plot entry, as a CAD host plots it: the
// profile, the plot-time questions, the placement, the requests, the
// summary and the preview.
#pragma once

#include <string>

#include "host/commands/commands.h"
#include "host/commands/plot_options.h"

namespace tvk::host {

struct PlotTarget {
    std::string drawing;
    std::string output;   // a file, "-" or empty for standard output; unused on a port
    std::string preview;  // empty: none
    int page = 0;         // of a plot file; 0: as the options say
};

// The exit code: 0, kExitFailed or kExitStopped. Throws HostError (and
// DxfError, DriverFailure) for what main() reports.
int plot_drawing(const GlobalOptions& global, const PlotOptions& options, const PlotTarget& target);

}  // namespace tvk::host
