// tvkplot configure: the driver's dialog, saved as a profile.
#include <cstdio>
#include <filesystem>
#include <memory>

#include "host/commands/commands.h"
#include "host/commands/driver_host.h"
#include "host/link/configuration.h"

namespace tvk::host {
namespace {

struct ConfigureOptions {
    std::string model;
    std::string profile;
    bool fresh = false;
};

constexpr const char* kConfigureFooter =
    "\nEach question shows its default in <...>: Enter takes it; Esc or Ctrl-D cancels\n"
    "without saving. `tvkplot plot` uses the profile saved in the default place.";

bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// The profile to start from, when one can be read; a broken one is made anew.
std::optional<Profile> earlier_profile(const std::string& path) {
    if (!exists(path)) return std::nullopt;
    try {
        return load_profile(path);
    } catch (const HostError& e) {
        std::fprintf(stderr, "tvkplot: %s\ntvkplot: configuring it anew\n", e.what());
        return std::nullopt;
    }
}

// The model to configure: the one named, else the profile's (when the
// definition file lists it), else the one the user picks from the list
// (offering the model configured last).
Model choose_model(DriverHost& host, const ConfigureOptions& options, const Profile* old) {
    if (!options.model.empty()) return host.model(options.model);
    const auto& names = host.models();
    if (old != nullptr && model_number(names, old->model) > 0) return host.model(old->model);
    const int last = model_number(names, default_model());
    if (names.size() == 1) return {1, names.front()};
    host.terminal.print("\nPlotter models:\n");
    for (size_t i = 0; i < names.size(); ++i) {
        host.terminal.print("  " + std::to_string(i + 1) + ". " + names[i] + "\n");
    }
    const auto answer = host.terminal.ask_number("Select the plotter model ", last > 0 ? last : 1,
                                                 1, static_cast<int>(names.size()));
    if (!answer) throw Cancelled("configuration cancelled; nothing was saved");
    return {*answer, names[static_cast<size_t>(*answer - 1)]};
}

int run_configure(const GlobalOptions& global, const ConfigureOptions& options) {
    DriverHost host(global, stdout, prompts_interactive(global));
    std::optional<Profile> old;
    if (!options.profile.empty()) old = earlier_profile(options.profile);
    const Model model = choose_model(host, options, old ? &*old : nullptr);
    const std::string path =
        options.profile.empty() ? default_profile_path(model.name) : options.profile;
    if (options.profile.empty()) old = earlier_profile(path);
    host.terminal.print("\nConfiguring " + model.name + " of " +
                        host.definitions.definition_file() + ".\n");
    if (host.terminal.interactive()) {
        host.terminal.print(
            "Each question shows its default in <...>: Enter takes it, Esc cancels.\n");
    }
    // The dialog starts from the answers kept for this model.
    if (!options.fresh && old && model_number({old->model}, model.name) == 1) {
        host.session.stored = profile_answers(*old);
    }
    Profile profile = configure_model(host.driver, model.number, model.name, options.fresh);
    // The colour tables, timing figures and the plotter's answering of
    // status queries are the user's: a new configuration keeps them.
    if (!options.fresh && old) {
        profile.timing = old->timing;
        profile.status_queries = old->status_queries;
        for (const std::string& note : keep_colour_tables(*old, profile)) {
            host.terminal.print(note + "\n");
        }
    }
    save_profile(profile, path);
    std::printf("\nSaved the profile of %s in %s\n", model.name.c_str(), path.c_str());
    if (options.profile.empty()) {
        set_default_model(model.name);
        std::printf("It is the default profile now: tvkplot plot DRAWING.dxf -o OUT.plt\n");
    } else {
        std::printf("Plot with it: tvkplot plot DRAWING.dxf --profile %s -o OUT.plt\n",
                    path.c_str());
    }
    return 0;
}

}  // namespace

Command add_configure_command(CLI::App& app, GlobalOptions& global) {
    auto options = std::make_shared<ConfigureOptions>();
    CLI::App* command = app.add_subcommand(
        "configure", "Configure a plotter with the driver's questions and save its profile");
    command
        ->add_option("--model", options->model,
                     "The plotter model (default: the profile's, else asked)")
        ->type_name("NAME");
    command
        ->add_option("--profile", options->profile,
                     "The profile to write (default: ~/.config/tvkplot/MODEL.toml)")
        ->type_name("FILE");
    command->add_flag("--fresh", options->fresh,
                      "Start from the model's defaults, not the profile's answers");
    command->add_flag("-y,--yes", global.yes, kYesHelp);
    command->footer(kConfigureFooter);
    return {command, [&global, options] { return run_configure(global, *options); }};
}

}  // namespace tvk::host
