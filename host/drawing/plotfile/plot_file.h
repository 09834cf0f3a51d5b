// Old plot files as drawings: HP-GL and HP-GL/2 followed instruction by
// instruction (labels in the stroke fonts), VTX-GL read with the stream
// decoder; the language chosen on evidence unless the user names it.
#pragma once

#include <string>
#include <vector>

#include "host/drawing/model/entities.h"

namespace tvk::host {

struct PlotFileOptions {
    double units_per_inch = 1016;  // the plotter units of the file's plotter
    std::string language;          // HP-GL, HP-GL/2, VTX-GL (or a TK-GL name); empty: chosen
    int page = 0;                  // the page to draw, from 1; 0: the first, noting the others
};

// Builds the entity model of a plot file: pen N draws in colour N (PC colours
// as true colours), line types by name, fills as filled shapes. `notes` gets
// what the user should know: the language it was read as, its pages, what
// was cut short. Throws DrawingError naming `name` when nothing draws.
void read_plot_file(const std::string& contents, const std::string& name,
                    const PlotFileOptions& options, Drawing::Impl& drawing,
                    std::vector<std::string>& notes);

// The pages of a plot file: those with something drawn on them, at least 1.
int plot_file_pages(const std::string& contents, const PlotFileOptions& options);

}  // namespace tvk::host
