// Where a plot that the server's end broke off goes on: the same plot is
// made again (the same drawing, page, profile and choices give the same
// stream, byte for byte) without sending it, and the bytes that had gone
// to the plotter tell which paths it took in full. Where the stream made
// again is not the one sent (the drawing or the printer's settings changed),
// the page is plotted from the start.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "host/commands/plot_options.h"
#include "printer/interrupted_jobs.h"

namespace tvk::printer {

struct PathsDrawn {
    size_t drawn = 0;  // paths (fills first) the plotter took in full
    size_t total = 0;  // paths of the page's plot
};

// `options` as the broken-off plot had them (its page and from_path);
// `serial` as its device was. Holds the driver: the caller has its lock.
// nullopt, with the reason in `why`, when the plot made again differs.
std::optional<PathsDrawn> paths_drawn(const host::PlotOptions& options, const std::string& drawing,
                                      bool serial, const PlotProgress& progress, std::string& why);

}  // namespace tvk::printer
