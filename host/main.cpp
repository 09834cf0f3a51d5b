// tvkplot: configure Tarvik pen plotters and plot DXF drawings through the
// tvkplot driver, taking the place of the CAD host that normally loads it.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "host/commands.h"

using namespace tvk::host;

int main(int argc, char** argv) {
    CLI::App app{"tvkplot: configure Tarvik pen plotters and plot DXF drawings"};
    app.require_subcommand(1);
    GlobalOptions global;
    app.add_option("--driver", global.driver,
                   "The driver library (default: the one beside tvkplot)");
    app.add_option("--def", global.definition,
                   "The plotter definition file (default: the bundled tvkplot.def)")
        ->check(CLI::ExistingFile);
    app.add_option("--lang", global.language,
                   "Language code of the driver's texts (EN, DE, FR, JA, ...)");
    app.add_flag("-y,--yes", global.yes, "Take the default answer of every question");

    auto* models = app.add_subcommand("models", "List the plotter models of the definition file");

    ConfigureOptions configure;
    auto* config_cmd = app.add_subcommand("configure", "Configure a plotter and save its profile");
    config_cmd->add_option("--model", configure.model, "The plotter model");
    config_cmd->add_option("--profile", configure.profile, "The profile file to write");
    config_cmd->add_flag("--fresh", configure.fresh, "Start from the model's defaults");
    config_cmd->add_flag("-y,--yes", global.yes, "Take the default answer of every question");

    std::string show_profile;
    auto* show = app.add_subcommand("show", "Show a profile's configuration as the driver sees it");
    show->add_option("--profile", show_profile, "The profile (default: the last one configured)");

    PlotOptions plot;
    double scale = 0;
    auto* plot_cmd = app.add_subcommand("plot", "Plot a DXF drawing");
    plot_cmd->add_option("drawing", plot.drawing, "The DXF drawing")->required();
    plot_cmd->add_option("--profile", plot.profile, "The plotter profile");
    plot_cmd->add_option("--model", plot.model, "The plotter model when no profile is given");
    auto* out_opt =
        plot_cmd->add_option("-o,--output", plot.output, "The plot file (- for standard output)");
    plot_cmd->add_option("--port", plot.port, "Send to the plotter on this serial port")
        ->excludes(out_opt);
    plot_cmd->add_option("--preview", plot.preview, "Also write an SVG preview of the plot");
    plot_cmd->add_flag("--travel", plot.travel, "Show the pen-up travel in the preview");
    auto* scale_opt = plot_cmd
                          ->add_option("--scale", scale,
                                       "Millimetres on paper per drawing unit (1 plots a drawing "
                                       "in millimetres full size)")
                          ->check(CLI::PositiveNumber);
    bool fit = false;
    plot_cmd->add_flag("--fit", fit, "Fit the drawing to the paper (the default)")
        ->excludes(scale_opt);
    plot_cmd->add_flag("--rotate", plot.rotate, "Turn the drawing 90 degrees counter-clockwise");
    plot_cmd->add_flag("-y,--yes", global.yes, "Take the default answer of every question");

    PreviewOptionsCli preview;
    auto* preview_cmd = app.add_subcommand("preview", "Render a plotter stream as SVG");
    preview_cmd->add_option("stream", preview.stream, "The plotter stream")->required();
    preview_cmd->add_option("-o,--output", preview.output, "The SVG file")->required();
    preview_cmd->add_option("--language", preview.language,
                            "VTX-GL, TK-GL1, TK-GL2 or TK-GL3 (default: guessed)");
    preview_cmd
        ->add_option("--units-per-inch", preview.units_per_inch,
                     "Plotter units per inch (default 1016)")
        ->check(CLI::PositiveNumber);
    preview_cmd->add_flag("--travel", preview.travel, "Show the pen-up travel");

    CLI11_PARSE(app, argc, argv);
    if (scale_opt->count() > 0) plot.scale = scale;

    try {
        if (models->parsed()) return run_models(global);
        if (config_cmd->parsed()) return run_configure(global, configure);
        if (show->parsed()) return run_show(global, show_profile);
        if (plot_cmd->parsed()) return run_plot(global, plot);
        return run_preview(preview);
    } catch (const std::exception& e) {
        // Unreadable drawings, files and ports, and refusals of the driver
        // (whose own texts the user has seen already).
        std::fprintf(stderr, "tvkplot: %s\n", e.what());
        return 1;
    }
}
