// The program's commands, as main() hands them their options. Each returns
// the exit code; failures the user must see are thrown as HostError (or
// DxfError) and reported by main().
#pragma once

#include <optional>
#include <string>

namespace tvk::host {

struct GlobalOptions {
    std::string driver;           // the driver library; empty: the default
    std::string definition;       // the definition file; empty: the bundled one
    std::string language = "EN";  // host language code of the driver's texts
    bool yes = false;             // every prompt takes its default
};

struct ConfigureOptions {
    std::string model;
    std::string profile;
    bool fresh = false;
};

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
};

struct PreviewOptionsCli {
    std::string stream;
    std::string output;
    std::string language;          // empty: guessed from the stream
    double units_per_inch = 1016;  // plotter units per inch
    bool travel = false;
};

int run_models(const GlobalOptions& global);
int run_configure(const GlobalOptions& global, const ConfigureOptions& options);
int run_show(const GlobalOptions& global, const std::string& profile);
int run_plot(const GlobalOptions& global, const PlotOptions& options);
int run_preview(const PreviewOptionsCli& options);

}  // namespace tvk::host
