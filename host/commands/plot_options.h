// What `tvkplot plot` is asked to do.
#pragma once

#include <string>
#include <vector>

#include "host/link/plot_answers.h"
#include "host/plotting/pen_choices.h"
#include "host/plotting/placement.h"

namespace tvk::host {

struct PlotOptions {
    std::vector<std::string> drawings;
    std::string profile;
    std::string model;
    std::string output;       // "-" or empty: standard output; {name}: the drawing's name
    std::string port;         // a serial device
    std::string preview;      // an SVG file; {name} as for the output
    bool travel = false;      // pen-up travel in the preview
    std::optional<int> wait;  // --wait: seconds a plotter may take nothing

    // Placement, in millimetres on paper.
    std::optional<double> scale;  // millimetres on paper per drawing unit; none: fit
    double margin_mm = 5;
    bool center = false;
    Vec2 offset_mm;
    PlacementRequest::Rotate rotate = PlacementRequest::Rotate::kNo;

    std::string layout;  // a paper-space layout to plot instead of model space

    PlotAnswers answers;       // the plot-time questions
    PenChoiceTexts pen_texts;  // pens, layers, speeds and widths

    bool dry_run = false;     // everything but the output
    bool json = false;        // the summary as JSON on standard output
    bool keep_going = false;  // a drawing that fails does not stop the others

    double units_per_inch = 1016;  // of a plot file given as the drawing
    std::string plot_language;     // of a plot file: HP-GL, HP-GL/2, VTX-GL; empty: as it reads
    int page = 0;                  // of a plot file or a PDF, from 1; 0: the first

    int pen_only = 0;  // plot only the paths of this pen; 0: every pen

    // Long plots on a port.
    bool manual_pens = false;        // one pen: the plot by pen, a pause to change it
    std::optional<double> pen_wait;  // seconds a pause waits instead of asking for Enter
    double split_ink_mm = 0;         // a pause after this much pen-down line; 0: none
    bool preview_numbers = false;    // the items' numbers in the preview

    // A resumed plot (tvkplot resume): its journal, and where it goes on.
    std::string journal;
    size_t from_path = 0;      // 1-based; 0: the start
    double from_percent = -1;  // of the pen-down length
    double back_mm = 0;        // of pen-down line before from_path
    double overlap_mm = 0;     // of the line before the first path, drawn again
};

// The command line as given (after the program's name), for the journal of
// a plot that `tvkplot resume` runs again.
void remember_command_line(int argc, char** argv);
const std::vector<std::string>& remembered_command_line();

// The output of one drawing: the pattern with {name} replaced by the
// drawing's file name without its directory and extension.
// `suffix` follows the name: "-2" for a plot file's second page.
std::string output_for(const std::string& pattern, const std::string& drawing,
                       const std::string& suffix = "");

}  // namespace tvk::host
