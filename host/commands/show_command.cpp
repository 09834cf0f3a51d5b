// tvkplot show: a profile's configuration as the driver prints it.
#include <cstdio>
#include <memory>

#include "host/commands/commands.h"
#include "host/commands/driver_host.h"
#include "host/link/configuration.h"
#include "host/link/plot_setup.h"

namespace tvk::host {
namespace {

constexpr int16_t kShowLineTypes = 15;
constexpr int16_t kShowConfiguration = 31;

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

}  // namespace

Command add_show_command(CLI::App& app, const GlobalOptions& global) {
    auto profile = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "show", "Show a profile's configuration and line types as the driver prints them");
    command
        ->add_option("--profile", *profile,
                     "The profile (default: that of the model configured last)")
        ->type_name("FILE");
    return {command, [&global, profile] { return run_show(global, *profile); }};
}

}  // namespace tvk::host
