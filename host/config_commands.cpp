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

// The model to configure: the one named, else the profile's, else the one the
// user picks from the list (offering the model configured last).
Model choose_model(DriverHost& host, const ConfigureOptions& options, const Profile* old) {
    if (!options.model.empty()) return host.model(options.model);
    if (old != nullptr) return host.model(old->model);
    const auto& names = host.models();
    const int last = model_number(names, default_model());
    if (names.size() == 1) return {1, names.front()};
    host.terminal.print("\nPlotter models:\n");
    for (size_t i = 0; i < names.size(); ++i) {
        host.terminal.print("  " + std::to_string(i + 1) + ". " + names[i] + "\n");
    }
    const auto answer = host.terminal.ask_number("Select the plotter model ", last > 0 ? last : 1,
                                                 1, static_cast<int>(names.size()));
    if (!answer) throw DriverFailure("configuration cancelled");
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
    if (!options.profile.empty() && exists(options.profile)) old = load_profile(options.profile);
    const Model model = choose_model(host, options, old ? &*old : nullptr);
    const std::string path =
        options.profile.empty() ? default_profile_path(model.name) : options.profile;
    if (!old && exists(path)) old = load_profile(path);
    // The dialog starts from the answers kept for this model.
    if (!options.fresh && old && model_number({old->model}, model.name) == 1) {
        host.session.stored = old->stored;
    }
    const Profile profile = configure_model(host.driver, model.number, model.name, options.fresh);
    save_profile(profile, path);
    if (options.profile.empty()) set_default_model(model.name);
    std::printf("\nSaved the profile of %s in %s\n", model.name.c_str(), path.c_str());
    return 0;
}

int run_show(const GlobalOptions& global, const std::string& profile_option) {
    std::string path = profile_option;
    if (path.empty()) {
        const std::string model = default_model();
        if (model.empty()) throw HostError("no profile yet: run `tvkplot configure` first");
        path = default_profile_path(model);
    }
    const Profile profile = load_profile(path);
    DriverHost host(global, stdout, false);
    const Model model = host.model(profile.model);
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
