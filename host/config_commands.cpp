// tvkplot models, configure and show.
#include <cstdio>
#include <filesystem>

#include "host/commands.h"
#include "host/configuration.h"
#include "host/driver_host.h"
#include "host/plot_setup.h"

namespace tvk::host {
namespace {

constexpr int16_t kShowLineTypes = 15;
constexpr int16_t kShowConfiguration = 31;

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

}  // namespace

int run_models(const GlobalOptions& global) {
    DriverHost host(global, stdout, false);
    const auto& names = host.models();
    std::printf("Plotter models in %s:\n", host.definitions.definition_file().c_str());
    for (size_t i = 0; i < names.size(); ++i) std::printf("%4zu  %s\n", i + 1, names[i].c_str());
    return 0;
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
        host.session.stored = old->stored;
    }
    const Profile profile = configure_model(host.driver, model.number, model.name, options.fresh);
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

int run_show(const GlobalOptions& global, const std::string& profile_option) {
    std::string path = profile_option;
    if (path.empty()) {
        const std::string model = default_model();
        if (model.empty()) {
            throw HostError(
                "no profile yet: `tvkplot configure` makes one, or give --profile FILE");
        }
        path = default_profile_path(model);
    }
    const Profile profile = open_profile(path);
    DriverHost host(global, stdout, false);
    const Model model = host.model_of(profile, path);
    host.session.stored = profile.stored;
    host.start(EntryKind::kPlot);
    select_model(host.driver, model.number, profile.max_line_type);
    for (int16_t code : {kShowConfiguration, kShowLineTypes}) {
        Record r(code);
        host.driver.call(EntryKind::kPlot, r);
    }
    std::printf(
        "\n Profile : %s\n Plot area : %.2f x %.2f in (%.0f x %.0f mm), %.0f units per inch\n"
        " Pens : %d\n",
        path.c_str(), profile.area_x, profile.area_y, profile.area_x * 25.4, profile.area_y * 25.4,
        profile.resolution, profile.pens);
    std::printf(" Pens of colours 1 to 16 :");
    for (size_t colour = 1; colour <= 16; ++colour)
        std::printf(" %d", profile.pen_by_colour[colour]);
    std::printf("\n");
    return 0;
}

}  // namespace tvk::host
