// The program's commands. Each command file puts its own options on the
// command line and gives main() what runs it; failures the user must see are
// thrown as HostError (or DxfError) and reported by main().
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tvk::host {

struct GlobalOptions {
    std::string driver;           // the driver library; empty: the default
    std::string definition;       // the definition file; empty: the bundled one
    std::string language = "EN";  // host language code of the driver's texts
    bool yes = false;             // every prompt takes its default
};

// Exit codes.
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 3;  // the user cancelled at a question (Esc, Ctrl-D)
constexpr int kExitStopped = 130;  // as a shell reports a program ended by Ctrl-C

// The exit codes with what each means, for --help and the manual page.
struct ExitStatus {
    int code;
    const char* meaning;
};
inline constexpr ExitStatus kExitStatuses[] = {
    {0, "Done."},
    {kExitFailed, "Failed: the driver's and tvkplot's messages say why (a drawing that cannot be "
                  "read, a plotter that does not answer, a value the plotter does not allow)."},
    {kExitUsage, "A command line tvkplot does not understand or cannot carry out; the message "
                 "names the option and the command's --help. Nothing is plotted."},
    {kExitCancelled, "Cancelled by the user at a question (Esc, Ctrl-D); nothing is written."},
    {kExitStopped, "Stopped with Ctrl-C."},
};

// A command on the command line, and what runs it once the line is parsed.
struct Command {
    CLI::App* app;
    std::function<int()> run;
};

Command add_models_command(CLI::App& app, const GlobalOptions& global);
Command add_configure_command(CLI::App& app, GlobalOptions& global);
Command add_show_command(CLI::App& app, const GlobalOptions& global);
Command add_plot_command(CLI::App& app, GlobalOptions& global);
Command add_preview_command(CLI::App& app);
Command add_layouts_command(CLI::App& app);
Command add_layers_command(CLI::App& app);
// Hidden: the words the completion scripts offer for option values.
Command add_complete_command(CLI::App& app, const GlobalOptions& global);
// The hidden commands that write the completion scripts and the manual page.
std::vector<Command> add_generator_commands(CLI::App& app);

Command add_ports_command(CLI::App& app);
Command add_send_command(CLI::App& app, GlobalOptions& global);
Command add_probe_command(CLI::App& app);
Command add_resume_command(CLI::App& app);
Command add_jobs_command(CLI::App& app);

// Pieces the commands' options share.
// --wait SECONDS: how long a plotter may take nothing before the plot fails.
void add_wait_option(CLI::App& command, std::optional<int>& seconds);
extern const char* const kYesHelp;
// A number above zero, for the option whose meaning `what` names.
CLI::Validator above_zero(const std::string& what);
// A number from `low` to `high` (`whole`: a whole number), refused in the
// words a person writes it: "must be mm from 0 to 1000, not \"-5\"".
CLI::Validator in_range(double low, double high, const std::string& what, bool whole = false);

}  // namespace tvk::host
