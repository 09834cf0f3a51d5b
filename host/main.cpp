// tvkplot: configure Tarvik pen plotters and plot DXF drawings through the
// tvkplot driver, taking the place of the CAD host that normally loads it.
#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>

#include "host/commands.h"
#include "host/driver_connection.h"
#include "host/driver_host.h"
#include "host/interrupt.h"

using namespace tvk::host;

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitStopped = 130;  // as a shell reports a program ended by Ctrl-C

constexpr const char* kFooter =
    "\nExamples:\n"
    "  tvkplot models\n"
    "  tvkplot configure --model TVK-HG700\n"
    "  tvkplot plot part.dxf -o part.plt --preview part.svg\n"
    "  tvkplot preview part.plt -o part.svg\n"
    "\nRun `tvkplot COMMAND --help` for the options of a command.";

constexpr const char* kConfigureFooter =
    "\nEach question shows its default in <...>: Enter takes it; Esc or Ctrl-D cancels\n"
    "without saving. `tvkplot plot` uses the profile saved in the default place.";

constexpr const char* kPlotFooter =
    "\nThe profile: --profile FILE; else the one of --model, else of the model configured\n"
    "last; without one, that model (or the first of the definition file) with its defaults.\n"
    "--scale 1 plots a drawing in millimetres full size, --scale 25.4 one in inches.\n"
    "Whatever lies outside the paper is cut off. The plot-time questions take their\n"
    "defaults with --yes or when input is not a terminal.\n"
    "\nExamples:\n"
    "  tvkplot plot part.dxf -o part.plt --preview part.svg\n"
    "  tvkplot plot plan.dxf --scale 0.02 --rotate --model TVK-HG700 -o plan.plt\n"
    "  tvkplot plot part.dxf --yes -o - > /dev/ttyUSB0";

// A number above zero, for the option whose meaning `what` names.
CLI::Validator above_zero(const std::string& what) {
    return CLI::Validator(
        [what](std::string& text) -> std::string {
            double value = 0;
            const char* end = text.data() + text.size();
            const auto [ptr, ec] = std::from_chars(text.data(), end, value);
            if (ec != std::errc() || ptr != end || !(value > 0)) {
                return "must be a number above 0 (" + what + "), not \"" + text + "\"";
            }
            return {};
        },
        "NUMBER>0");
}

// The command the user was giving when the command line went wrong.
std::string command_of(const CLI::App& app) {
    for (const CLI::App* command : app.get_subcommands({})) {
        if (command->parsed()) return " " + command->get_name();
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"tvkplot: configure Tarvik pen plotters and plot DXF drawings", "tvkplot"};
    app.require_subcommand(1);
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");
    GlobalOptions global;
    app.add_option("--driver", global.driver,
                   "The driver library (default: libtvkplot.so beside tvkplot)")
        ->type_name("PATH");
    app.add_option("--def", global.definition,
                   "The plotter definition file (default: the bundled tvkplot.def)")
        ->type_name("FILE");
    app.add_option("--lang", global.language,
                   "Language of the driver's texts (default: EN; DE, FR, JA, ...)")
        ->type_name("CODE");
    const char* yes_help = "Take every question's default (as when input is not a terminal)";
    app.add_flag("-y,--yes", global.yes, yes_help);

    auto* models = app.add_subcommand("models", "List the plotter models of the definition file");

    ConfigureOptions configure;
    auto* config_cmd = app.add_subcommand(
        "configure", "Configure a plotter with the driver's questions and save its profile");
    config_cmd
        ->add_option("--model", configure.model,
                     "The plotter model (default: the profile's, else asked)")
        ->type_name("NAME");
    config_cmd
        ->add_option("--profile", configure.profile,
                     "The profile to write (default: ~/.config/tvkplot/MODEL.toml)")
        ->type_name("FILE");
    config_cmd->add_flag("--fresh", configure.fresh,
                         "Start from the model's defaults, not the profile's answers");
    config_cmd->add_flag("-y,--yes", global.yes, yes_help);

    std::string show_profile;
    auto* show = app.add_subcommand(
        "show", "Show a profile's configuration and line types as the driver prints them");
    show->add_option("--profile", show_profile,
                     "The profile (default: that of the model configured last)")
        ->type_name("FILE");

    PlotOptions plot;
    double scale = 0;
    auto* plot_cmd = app.add_subcommand("plot", "Plot a DXF drawing");
    plot_cmd->add_option("drawing", plot.drawing, "The DXF drawing")
        ->required()
        ->type_name("DRAWING.dxf");
    plot_cmd->add_option("--profile", plot.profile, "The plotter profile (default: see below)")
        ->type_name("FILE");
    plot_cmd
        ->add_option("--model", plot.model, "The model whose profile to use (default: see below)")
        ->type_name("NAME");
    auto* out_opt = plot_cmd
                        ->add_option("-o,--output", plot.output,
                                     "The plot file; - for standard output (default when it "
                                     "is redirected)")
                        ->type_name("OUT");
    plot_cmd->add_option("--port", plot.port, "Send the plot to the plotter on this port instead")
        ->type_name("DEVICE")
        ->excludes(out_opt);
    plot_cmd->add_option("--preview", plot.preview, "Also write an SVG picture of the plot")
        ->type_name("OUT.svg");
    plot_cmd->add_flag("--travel", plot.travel, "Show the pen-up travel in the preview");
    auto* scale_opt =
        plot_cmd
            ->add_option("--scale", scale, "Millimetres on paper per drawing unit (default: --fit)")
            ->type_name("S")
            ->check(above_zero("millimetres on paper per drawing unit"));
    bool fit = false;
    plot_cmd->add_flag("--fit", fit, "Fit the drawing to the paper, centred (the default)")
        ->excludes(scale_opt);
    plot_cmd->add_flag("--rotate", plot.rotate,
                       "Turn the drawing 90 degrees counter-clockwise first");
    plot_cmd->add_flag("-y,--yes", global.yes, yes_help);

    PreviewOptionsCli preview;
    auto* preview_cmd = app.add_subcommand("preview", "Draw a plotter stream as an SVG picture");
    preview_cmd->add_option("stream", preview.stream, "The plotter stream")
        ->required()
        ->type_name("STREAM");
    preview_cmd->add_option("-o,--output", preview.output, "The SVG file to write")
        ->required()
        ->type_name("OUT.svg");
    preview_cmd
        ->add_option("--language", preview.language,
                     "VTX-GL, TK-GL1, TK-GL2 or TK-GL3 (default: as the stream looks)")
        ->type_name("L")
        ->transform(CLI::IsMember({"VTX-GL", "TK-GL1", "TK-GL2", "TK-GL3"}, CLI::ignore_case));
    preview_cmd
        ->add_option("--units-per-inch", preview.units_per_inch,
                     "Plotter units per inch (default: 1016)")
        ->type_name("N")
        ->check(above_zero("plotter units per inch"));
    preview_cmd->add_flag("--travel", preview.travel, "Show the pen-up travel");

    for (CLI::App* command : {models, config_cmd, show, plot_cmd, preview_cmd}) {
        command->group("Commands");
    }
    // Set last, so that the commands do not take it over.
    app.footer(kFooter);
    config_cmd->footer(kConfigureFooter);
    plot_cmd->footer(kPlotFooter);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        if (argc == 1) {
            std::fputs(app.help().c_str(), stderr);
            return kExitUsage;
        }
        const std::string command = command_of(app);
        if (command.empty() && dynamic_cast<const CLI::RequiredError*>(&e) != nullptr) {
            const auto rest = app.remaining();
            const std::string what =
                rest.empty() ? "no command" : "unknown command \"" + rest.front() + "\"";
            std::fprintf(stderr,
                         "tvkplot: %s: give models, configure, show, plot or preview\n"
                         "Run `tvkplot --help` for more.\n",
                         what.c_str());
            return kExitUsage;
        }
        std::fprintf(stderr, "tvkplot%s: %s\nRun `tvkplot%s --help` for the options.\n",
                     command.c_str(), e.what(), command.c_str());
        return kExitUsage;
    }
    if (scale_opt->count() > 0) plot.scale = scale;

    try {
        if (models->parsed()) return run_models(global);
        if (config_cmd->parsed()) return run_configure(global, configure);
        if (show->parsed()) return run_show(global, show_profile);
        if (plot_cmd->parsed()) return run_plot(global, plot);
        return run_preview(preview);
    } catch (const Cancelled& e) {
        std::fprintf(stderr, "tvkplot: %s\n", e.what());
        return interrupt_requested() ? kExitStopped : kExitFailed;
    } catch (const DriverFailure& e) {
        // The driver has shown its own message on the screen.
        std::fprintf(stderr, "tvkplot: %s (plotter definition file %s)\n", e.what(),
                     definition_file(global).c_str());
        return interrupt_requested() ? kExitStopped : kExitFailed;
    } catch (const std::exception& e) {
        // Unreadable drawings, files and ports.
        std::fprintf(stderr, "tvkplot: %s\n", e.what());
        return kExitFailed;
    }
}
