// A plotter profile: what `tvkplot configure` learnt from the driver, kept as
// a TOML file. The 24-byte stored configuration is the driver's own and is
// kept byte for byte (as hex); the rest is the host's record of the driver's
// answers: port settings, pen tables per colour, plot area and resolution.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "host/link/host_services.h"
#include "host/ports/port_output.h"
#include "host/settings/plotter_timing.h"

namespace tvk::host {

struct Profile {
    std::string model;     // the model's name in the definition file
    StoredBlock stored{};  // the driver's stored configuration

    // The configure reply.
    uint16_t pen_options = 0;  // bit 0x0100: the plotter fills polygons; 0x04 variable speed
    int pens = 1;
    int pen_speed = 0;
    int max_line_type = 0;
    int port_kind = 1;  // 1 serial, 2 a port without serial line settings
    SerialSettings line;

    // The plot limits.
    double area_x = 0;  // inches
    double area_y = 0;
    double resolution = 0;  // units per inch, as the driver reports it
    int optimize = 0;

    // Per-colour tables, indexed by colour number 0 to 255.
    std::array<uint8_t, 256> line_type_by_colour{};
    std::array<uint8_t, 256> speed_by_colour{};
    std::array<uint8_t, 256> pen_by_colour{};
    std::array<double, 256> width_by_colour{};  // inches
    std::map<int, uint32_t> pen_colour;         // pen number -> 0xRRGGBB, where the user gave one

    PlotterTiming timing;  // the [timing] table

    bool plotter_fills() const { return (pen_options & 0x0100) != 0; }
    bool variable_speed() const { return (pen_options & 0x04) != 0; }
    // The plotter language of the stored configuration, as the driver reads
    // its bits: 0 VTX-GL, 1 TK-GL1, 2 TK-GL2, 3 TK-GL3.
    int language_index() const {
        const int bits = stored[2];
        return (bits & 0x02) ? 1 : (bits & 0x04) ? 2 : (bits & 0x08) ? 3 : 0;
    }
};

// Throw HostError naming the file (and the key or line) when it cannot be
// read or written, or does not hold a whole profile.
Profile load_profile(const std::string& path);
void save_profile(const Profile& profile, const std::string& path);

// $XDG_CONFIG_HOME/tvkplot, else ~/.config/tvkplot.
std::string profile_directory();
// The default profile of a model, in that directory.
std::string default_profile_path(const std::string& model);
// The model of the default profile: the one configured last, if any.
std::string default_model();
void set_default_model(const std::string& model);

}  // namespace tvk::host
