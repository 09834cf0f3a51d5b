// tvkplot complete WHAT: the words the completion scripts offer where a
// value is asked for, from tvkplot itself: the definition file's model
// names, the driver's language codes, the plotter languages of a stream,
// and a model's papers. Hidden from --help; the scripts run it.
#include <cstdio>
#include <memory>

#include "host/commands/commands.h"
#include "host/commands/driver_host.h"
#include "host/link/configuration.h"
#include "host/link/plot_setup.h"

namespace tvk::host {
namespace {

struct CompleteOptions {
    std::string what;
    std::string model;
};

// The papers of the model's menu: the plot-time questions are run with a
// paper no menu has, which makes the dialog look through every page.
std::vector<std::string> papers_of(DriverHost& host, const std::string& name) {
    Model model{1, host.models().front()};
    if (!name.empty()) model = host.model(name);
    const Profile profile = configure_quietly(host, model, true);
    host.session.stored = profile.stored;
    host.start(EntryKind::kPlot);
    select_model(host.driver, model.number, profile.max_line_type);
    PlotAnswers answers;
    answers.paper = "\x01";
    std::vector<std::string> papers;
    try {
        set_up_plot(host.driver, kPlotToFile, answers, &papers);
    } catch (const std::exception&) {
        // Refused, as meant: the names are what was wanted.
    }
    return papers;
}

int run_complete(const GlobalOptions& global, const CompleteOptions& o) {
    std::vector<std::string> words;
    if (o.what == "languages") {
        words = {"DE", "EL", "EN", "ES", "FR", "IT", "JA", "KO", "NL", "NO", "PT", "RU", "SV"};
    } else if (o.what == "stream-languages") {
        words = {"VTX-GL", "TK-GL1", "TK-GL2", "TK-GL3"};
    } else {
        // The driver's own texts go nowhere: only the words are wanted.
        std::FILE* nowhere = std::fopen("/dev/null", "w");
        if (!nowhere) return kExitFailed;
        {
            DriverHost host(global, nowhere, false);
            if (o.what == "models") {
                words = host.models();
            } else {
                for (const std::string& p : papers_of(host, o.model)) {
                    if (!p.empty()) words.push_back(p);
                }
            }
        }
        std::fclose(nowhere);
    }
    for (const std::string& w : words) std::printf("%s\n", w.c_str());
    return 0;
}

}  // namespace

Command add_complete_command(CLI::App& app, const GlobalOptions& global) {
    auto o = std::make_shared<CompleteOptions>();
    CLI::App* command = app.add_subcommand(
        "complete", "The words completion offers: models, languages, stream-languages, papers");
    command->add_option("what", o->what, "models, languages, stream-languages or papers")
        ->required()
        ->check(CLI::IsMember({"models", "languages", "stream-languages", "papers"}));
    command->add_option("--model", o->model, "papers: of this model (default: the first)");
    return {command, [&global, o] { return run_complete(global, *o); }};
}

}  // namespace tvk::host
