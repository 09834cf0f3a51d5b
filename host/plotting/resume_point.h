// Where a plot that broke off goes on: how many of its paths a stream that
// reached the plotter holds in full, and the first path of a resumed plot
// as the user gives it (a path number, a share of the pen-down length, or a
// length of pen-down line to go back).
#pragma once

#include <cstddef>
#include <string_view>

#include "decoder/stream_decoder.h"
#include "host/plotting/plot_job.h"

namespace tvk::host {

// The pen-down runs the stream completes (a run ends at the next pen-up
// movement): each path of the job is one, so this counts the paths drawn
// in full. Paths that join without a pen lift count as one, which errs
// towards drawing again rather than leaving out.
size_t completed_runs(std::string_view stream, decoder::Language language);

struct ResumeRequest {
    size_t from_path = 0;      // 1-based; 0: from the start
    double from_percent = -1;  // of the pen-down length; below 0: not given
    double back = 0;           // of pen-down length, in host units, before from_path
};

// The number of items (fills first, then paths) to leave out.
size_t resume_skip(const PlotJob& job, const ResumeRequest& request);

// Leaves out the first `count` items of the job.
void drop_first_items(PlotJob& job, size_t count);

}  // namespace tvk::host
