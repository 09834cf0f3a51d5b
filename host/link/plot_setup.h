// The plot entry's requests before the drawing: the model and its limits
// (43), the plot set-up (48), the plot-time questions (46) and the plot
// limits (47).
#pragma once

#include <cstdint>
#include <string>

#include "host/link/driver_connection.h"
#include "host/link/plot_answers.h"

namespace tvk::host {

// Host plot flag: the plot goes to a file, not to a plotter on a serial
// line: no serial handshake strings, no paper query.
constexpr uint32_t kPlotToFile = 0x40;

struct PlotLimits {
    double area_x = 0;  // inches
    double area_y = 0;
    double resolution = 0;  // host units per inch
    int optimize = 0;       // the optimisation level the driver asks for
    std::string paper;      // the paper of the menu, when the menu showed its name
};

// Request 43: the model (1-based), with no limit on pen speeds and the
// profile's highest line type.
void select_model(DriverConnection& driver, int number, int max_line_type);

// The set-up loads the paper list first, so that the plot-time questions can
// offer its papers; the limits then report the paper chosen. The questions
// take the command line's answers. Throws DriverFailure when the driver
// refuses, HostError when an answer is not one the plotter allows.
// `papers`, when given, gets the names of the menu's papers seen, also when
// the answers are refused.
PlotLimits set_up_plot(DriverConnection& driver, uint32_t host_flags,
                       const PlotAnswers& answers = {},
                       std::vector<std::string>* papers = nullptr);

}  // namespace tvk::host
