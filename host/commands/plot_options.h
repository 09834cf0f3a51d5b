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

    double units_per_inch = 1016;  // of a plot file given as the drawing
};

}  // namespace tvk::host
