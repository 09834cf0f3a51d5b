// What `tvkplot plot` is asked to do.
#pragma once

#include <optional>
#include <string>

namespace tvk::host {

struct PlotOptions {
    std::string drawing;
    std::string profile;
    std::string model;
    std::string output;           // "-" or empty: standard output
    std::string port;             // a serial device
    std::string preview;          // an SVG file
    std::optional<double> scale;  // millimetres on paper per drawing unit; none: fit
    bool rotate = false;
    bool travel = false;  // pen-up travel in the preview
    std::optional<int> wait;  // --wait: seconds a plotter may take nothing
};

}  // namespace tvk::host
