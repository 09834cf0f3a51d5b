// Documents turned into plots: every format a job may bring (PDF, SVG, DXF,
// HP-GL plot files) goes through the reading, placement, pen tables,
// ordering and driver of `tvkplot plot`, and the plotter's bytes to the
// printer's device. Documents sent as application/octet-stream are told
// apart by their content.
#pragma once

#include <pappl/pappl.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/commands/plot_options.h"

namespace tvk::printer {

// What a job (or the page to plot from) asks of a plot beyond the printer's profile.
struct PlotChoices {
    int copies = 1;            // drawn by the plotter (TK-GL3) or plotted again
    std::string paper;         // the number of a paper of the model's menu; empty: the profile's
    bool actual_size = false;  // one millimetre a millimetre; else fitted to the paper
    bool turned = false;       // landscape: the drawing turned a quarter
    std::vector<std::string> pens;  // "COLOUR=PEN", as tvkplot plot --pen takes them
};
host::PlotOptions plot_options(const std::string& profile, const PlotChoices& choices);

// The plot of the drawing on the printer, made but not sent: its preview
// written to `svg` (the picture of the exact bytes), its summary and the
// drawing's colours with their pens returned. Throws (HostError,
// DrawingError...) with the reason when it cannot be made.
struct PlotPreview {
    std::string summary;
    std::map<std::pair<int, int32_t>, int> colours;  // colour number, true colour or -1 -> pen
    int pens = 1;  // the plotter's; pens put in by hand on a plotter with one
};
PlotPreview preview_plot(pappl_printer_t* printer, const std::string& drawing,
                         const PlotChoices& choices, const std::string& svg);

// The kind of a drawing by its first bytes: its MIME type, or nullptr.
const char* drawing_format(const std::string& head);

// The formats the printers take.
void add_job_filters(pappl_system_t* system);

}  // namespace tvk::printer
