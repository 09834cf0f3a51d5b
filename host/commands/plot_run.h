// One drawing plotted through the plot entry, as a CAD host plots it: the
// profile, the plot-time questions, the placement, the requests, the
// summary and the preview.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "host/commands/commands.h"
#include "host/commands/plot_options.h"
#include "host/ports/port_output.h"

namespace tvk::host {

struct PlotTarget {
    std::string drawing;
    std::string output;   // a file, "-" or empty for standard output; unused on a port
    std::string preview;  // empty: none
    int page = 0;         // of a plot file; 0: as the options say
    // A plotter's output the caller opened (a print server's device): the
    // plot goes there as to a port; nullptr: the output or port of the options.
    PortOutput* port = nullptr;
    // Bytes that reached the output, of the total the driver sends.
    std::function<void(size_t sent, size_t total)> progress;
    // Told, before the plot is sent, the paths (fills first) a resumed plot
    // leaves out, the fills it sends and the paths of the whole plot: with
    // the stream, where a plot that broke off got to.
    std::function<void(size_t skipped, size_t fills, size_t total)> planned;
    // Told the summary of a plot done, or what became of one that broke off.
    std::function<void(const std::string& text)> outcome;
    // Told, once the plot is made, each colour of the drawing (its colour
    // number, and its true colour 0xRRGGBB or -1) with the pen it went to.
    std::function<void(const std::map<std::pair<int, int32_t>, int>& pens)> colours;
    // Asked, where a plotter with one pen has a pen put in by hand and no
    // terminal plots (a print server's job), "put in pen 3 (red)" with the
    // pen up and parked; true once it is in, false to stop the plot.
    std::function<bool(const std::string& what)> pen_change;
    // The program ends after this plot: the plot's paths are left to the
    // system, which takes their memory back at once, not freed one by one.
    bool program_ends = false;
};

// The exit code: 0, kExitFailed or kExitStopped. Throws HostError (and
// DxfError, DriverFailure) for what main() reports.
int plot_drawing(const GlobalOptions& global, const PlotOptions& options, const PlotTarget& target);

}  // namespace tvk::host
