// tvkplot: configure Tarvik pen plotters and plot DXF drawings through the
// tvkplot driver, taking the place of the CAD host that normally loads it.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "host/commands/commands.h"
#include "host/commands/driver_host.h"
#include "host/commands/plot_options.h"
#include "host/host_error.h"
#include "host/link/driver_connection.h"
#include "host/ui/interrupt.h"

using namespace tvk::host;

namespace {

constexpr const char* kFooter =
    "\nExamples:\n"
    "  tvkplot models\n"
    "  tvkplot configure --model TVK-HG700\n"
    "  tvkplot plot part.dxf -o part.plt --preview part.svg\n"
    "  tvkplot preview part.plt -o part.svg\n"
    "  tvkplot layers plan.dxf\n"
    "  tvkplot layouts plan.dxf\n"
    "\nRun `tvkplot COMMAND --help` for the options of a command.";

// The command the user was giving when the command line went wrong.
std::string command_of(const CLI::App& app) {
    for (const CLI::App* command : app.get_subcommands({})) {
        if (command->parsed()) return " " + command->get_name();
    }
    return {};
}

// What a command needs that was not given, in the user's words rather than
// the name of the argument.
std::string missing(const std::string& command, const std::string& what) {
    if (what.starts_with("drawings is required")) {
        return "give a drawing to plot (DXF, SVG or a plot file)";
    }
    if (what.starts_with("drawing is required")) return "give a drawing (DXF, SVG)";
    if (what.starts_with("stream is required")) {
        return command == " send" ? "give the plot file to send" : "give the plot file to preview";
    }
    return what;
}

// --rotate takes no value but "auto": a word after it that is no file is
// a value given by mistake, not a drawing.
void check_rotate_value(const std::string& value) {
    if (value.empty() || value.front() == '-') return;
    std::error_code ec;
    if (std::filesystem::exists(value, ec)) return;
    throw UsageError(
        "--rotate turns the drawing 90 degrees counter-clockwise and takes no value "
        "but \"auto\", not \"" +
        value + "\"");
}

// The arguments as CLI11 reads them: a flag cannot take a value, so
// "--rotate auto" and "--rotate=auto" become the hidden flag "--rotate-auto".
std::vector<std::string> arguments(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rotate=auto") {
            args.emplace_back("--rotate-auto");
        } else if (arg == "--rotate" && i + 1 < argc && std::string(argv[i + 1]) == "auto") {
            args.emplace_back("--rotate-auto");
            ++i;
        } else if (arg.starts_with("--rotate=")) {
            check_rotate_value(arg.substr(9));
            args.emplace_back(argv[i]);
        } else if (arg == "--rotate" && i + 1 < argc) {
            check_rotate_value(argv[i + 1]);
            args.emplace_back(argv[i]);
        } else {
            args.emplace_back(argv[i]);
        }
    }
    std::reverse(args.begin(), args.end());  // as CLI11 takes them
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    remember_command_line(argc, argv);
    CLI::App app{"tvkplot: configure Tarvik pen plotters and plot drawings", "tvkplot"};
    app.require_subcommand(1);
    // The program's options may stand after the command too.
    app.fallthrough();
    app.set_version_flag("--version", "tvkplot " TVK_VERSION);
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
    app.add_flag("-y,--yes", global.yes, kYesHelp);

    std::vector<Command> commands = {
        add_models_command(app, global), add_configure_command(app, global),
        add_show_command(app, global),   add_plot_command(app, global),
        add_preview_command(app),        add_layers_command(app),
        add_layouts_command(app),        add_ports_command(app),
        add_send_command(app, global),   add_probe_command(app),
        add_resume_command(app),         add_jobs_command(app)};
    // The commands a user is offered, for the message on an unknown one.
    std::string offered;
    for (size_t i = 0; i < commands.size(); ++i) {
        commands[i].app->group("Commands");
        offered += (i == 0                     ? ""
                    : i + 1 == commands.size() ? " or "
                                               : ", ") +
                   commands[i].app->get_name();
    }
    commands.push_back(add_complete_command(app, global));
    commands.back().app->group("");  // the completion scripts run it
    for (const Command& generator : add_generator_commands(app)) {
        generator.app->group("Commands");
        commands.push_back(generator);
    }
    // Set last, so that the commands do not take it over.
    std::string footer = std::string(kFooter) + "\n\nExit codes:";
    for (const ExitStatus& e : kExitStatuses) {
        footer += "\n  " + std::to_string(e.code) + "  " + e.meaning;
    }
    footer += "\n\nThe full reference: man tvkplot.";
    app.footer(footer);

    try {
        std::vector<std::string> args = arguments(argc, argv);
        app.parse(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tvkplot: %s\n", e.what());
        return kExitUsage;
    } catch (const CLI::Success& e) {  // --help, --version
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
            std::fprintf(stderr, "tvkplot: %s: give %s\nRun `tvkplot --help` for more.\n",
                         what.c_str(), offered.c_str());
            return kExitUsage;
        }
        std::fprintf(stderr, "tvkplot%s: %s\nRun `tvkplot%s --help` for the options.\n",
                     command.c_str(), missing(command, e.what()).c_str(), command.c_str());
        return kExitUsage;
    }
    try {
        for (const Command& command : commands) {
            if (command.app->parsed()) return command.run();
        }
        return kExitUsage;
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tvkplot: %s\n", e.what());
        return kExitUsage;
    } catch (const Cancelled& e) {
        std::fprintf(stderr, "tvkplot: %s\n", e.what());
        return interrupt_requested() ? stop_exit_code() : kExitCancelled;
    } catch (const DriverFailure& e) {
        // The driver has shown its own message on the screen.
        std::fprintf(stderr, "tvkplot: %s (plotter definition file %s)\n", e.what(),
                     definition_file(global).c_str());
        return interrupt_requested() ? stop_exit_code() : kExitFailed;
    } catch (const std::exception& e) {
        // Unreadable drawings, files and ports.
        std::fprintf(stderr, "tvkplot: %s\n", e.what());
        return kExitFailed;
    }
}
