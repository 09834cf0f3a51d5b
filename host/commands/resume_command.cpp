// tvkplot resume JOB: plots again, from the first path that may not have
// been drawn, a plot to a port that failed or was stopped, as its journal
// recorded it: the same drawing, profile and settings, in the directory it
// ran in. The plot starts as any plot starts (the plotter initialised, the
// pen the first path needs taken). tvkplot jobs lists the journals.
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "host/commands/commands.h"
#include "host/host_error.h"
#include "host/settings/journal.h"

namespace tvk::host {
namespace {

struct ResumeOptions {
    std::string job;
    std::optional<size_t> from_path;
    std::optional<double> back_mm;
    std::optional<double> from_percent;
    std::optional<double> overlap_mm;
    std::string port;
};

// The journal's command line without the options an earlier resume added,
// on another port where one is given.
std::vector<std::string> plot_arguments(const Journal& j, const std::string& port) {
    std::vector<std::string> args;
    for (size_t i = 0; i < j.args.size(); ++i) {
        const std::string& a = j.args[i];
        if (a.rfind("--resume-", 0) == 0) {
            if (a.find('=') == std::string::npos) ++i;  // its value
            continue;
        }
        if (!port.empty() && a == "--port" && i + 1 < j.args.size()) {
            args.push_back(a);
            args.push_back(port);
            ++i;
            continue;
        }
        if (!port.empty() && a.rfind("--port=", 0) == 0) {
            args.push_back("--port=" + port);
            continue;
        }
        args.push_back(a);
    }
    return args;
}

std::string number_text(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

int run_resume(const ResumeOptions& o) {
    const Journal j = load_journal(o.job);
    std::vector<std::string> args = plot_arguments(j, o.port);
    args.insert(args.end(), {"--resume-journal", j.id});
    const size_t from = o.from_path.value_or(j.drawn + 1);
    if (!o.from_percent) args.insert(args.end(), {"--resume-from-path", std::to_string(from)});
    if (o.from_percent)
        args.insert(args.end(), {"--resume-from-percent", number_text(*o.from_percent)});
    if (o.back_mm) args.insert(args.end(), {"--resume-back", number_text(*o.back_mm)});
    if (o.overlap_mm) args.insert(args.end(), {"--resume-overlap", number_text(*o.overlap_mm)});
    if (chdir(j.directory.c_str()) != 0) {
        throw HostError("cannot go to the directory the plot ran in, " + j.directory);
    }
    std::vector<char*> argv;
    std::string program = "tvkplot";
    argv.push_back(program.data());
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::fflush(nullptr);
    execv("/proc/self/exe", argv.data());
    throw HostError("cannot run tvkplot again to resume the plot");
}

int run_jobs() {
    const std::vector<Journal> journals = all_journals();
    if (journals.empty()) {
        std::printf("No plot to resume (journals are kept in %s).\n", journal_directory().c_str());
        return 0;
    }
    for (const Journal& j : journals) {
        // Kept only where pens are changed by hand.
        const std::string pen =
            j.next_pen > 0 ? ", pen " + std::to_string(j.next_pen) + " next" : std::string();
        std::printf("%s  %s on %s, %s %s: %zu of %zu paths drawn%s\n", j.id.c_str(),
                    j.drawing.c_str(), j.port.c_str(), j.state.c_str(), j.started.c_str(), j.drawn,
                    j.total, pen.c_str());
    }
    std::printf("`tvkplot resume JOB` plots the rest of one.\n");
    return 0;
}

}  // namespace

Command add_resume_command(CLI::App& app) {
    auto o = std::make_shared<ResumeOptions>();
    CLI::App* command = app.add_subcommand(
        "resume", "Plot the rest of a plot to a port that failed or was stopped");
    command->add_option("job", o->job, "The plot, as `tvkplot jobs` lists it")
        ->required()
        ->type_name("JOB");
    auto* path = command
                     ->add_option("--from-path", o->from_path,
                                  "Start at this path (as --preview-numbers shows them; default: "
                                  "the first the plotter may not have drawn)")
                     ->type_name("N")
                     ->check(CLI::PositiveNumber);
    command->add_option("--from", o->from_percent, "Start at this share of the pen-down length")
        ->type_name("PERCENT")
        ->check(CLI::Range(0.0, 100.0))
        ->excludes(path);
    command
        ->add_option("--back", o->back_mm,
                     "Start earlier by this much pen-down line (whole paths), in mm")
        ->type_name("MM")
        ->check(CLI::Range(0.0, 1e7));
    command
        ->add_option("--overlap", o->overlap_mm,
                     "Draw this much of the line before the first path again, in mm, so that "
                     "the line joins without a gap")
        ->type_name("MM")
        ->check(CLI::Range(0.0, 1e4).description(""));
    command->add_option("--port", o->port, "Plot to another port than the plot's")
        ->type_name("DEVICE");
    command->footer(
        "\nThe drawing, profile and settings are those of the plot; every path is drawn once.\n"
        "Example:\n  tvkplot jobs\n  tvkplot resume part-20261207-203011 --back 20");
    return {command, [o] { return run_resume(*o); }};
}

Command add_jobs_command(CLI::App& app) {
    CLI::App* command = app.add_subcommand("jobs", "The plots to a port that can be resumed");
    return {command, [] { return run_jobs(); }};
}

}  // namespace tvk::host
