// tvkplot show: a profile's configuration as the driver prints it.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "host/commands/commands.h"
#include "host/commands/driver_host.h"
#include "host/link/configuration.h"
#include "host/link/plot_setup.h"

namespace tvk::host {
namespace {

constexpr int16_t kShowLineTypes = 15;
constexpr int16_t kShowConfiguration = 31;
constexpr double kMmPerInch = 25.4;

// The colours of the first pens, and every colour set otherwise, as a table;
// one line for the rest.
void print_colour_table(const Profile& p) {
    const size_t first = static_cast<size_t>(std::clamp(p.pens, 7, 255));
    std::printf("\n Colour  Pen  Line type  Speed (cm/s)  Width (mm)\n");
    bool others = false;
    for (size_t k = 0; k < 256; ++k) {
        const bool set = colour_is_set(p, k);
        if (k > first && !set) {
            others = true;
            continue;
        }
        std::printf(" %6zu  %3d  %9d  %12d  %10.3f%s\n", k, p.pen_by_colour[k],
                    p.line_type_by_colour[k], p.speed_by_colour[k],
                    p.width_by_colour[k] * kMmPerInch, set ? "  (set in the profile)" : "");
    }
    if (others) {
        const std::string pens =
            p.pens_by_hand() ? std::string("pen k (put in by hand)")
                             : "pen k mod " + std::to_string(p.pens);
        std::printf(" Other colours: colour k on %s, line type 0, %d cm/s, %.3f mm.\n",
                    pens.c_str(), p.pen_speed, p.pen_width * kMmPerInch);
    }
    for (const auto& [pen, rgb] : p.pen_colour) std::printf(" Pen %d : #%06X\n", pen, rgb);
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
    DriverHost host(global, stdout, false);
    const Profile loaded = open_profile(path);
    const Model model = host.model_of(loaded, path);
    const Profile profile = checked_profile(host, model, loaded, path);
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
    print_colour_table(profile);
    return 0;
}

}  // namespace

Command add_show_command(CLI::App& app, const GlobalOptions& global) {
    auto profile = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand("show",
                                           "Show a profile's configuration and line types as the "
                                           "driver prints them, and its colour table");
    command
        ->add_option("--profile", *profile,
                     "The profile (default: that of the model configured last)")
        ->type_name("FILE");
    return {command, [&global, profile] { return run_show(global, *profile); }};
}

}  // namespace tvk::host
