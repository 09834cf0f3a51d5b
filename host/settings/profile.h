// A plotter profile: what `tvkplot configure` learnt from the driver, kept as
// a TOML file. The 24-byte stored configuration is the driver's own and is
// kept byte for byte (as hex); the rest is the host's record of the driver's
// answers: port settings, pen tables per colour, plot area and resolution.
// Format 2 writes the per-colour tables as one entry per colour that differs
// from the model's defaults; format 1 (four lists of 256 values) is read too.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

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
    double pen_width = 0.01;  // inches, the model's width for every pen
    int max_line_type = 0;
    int port_kind = 1;  // 1 serial, 2 a port without serial line settings
    SerialSettings line;
    // The plotter answers its buffer and status queries ([port] status):
    // the host paces by them and asks why the plotter stopped.
    bool status_queries = false;

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

    // A plotter with one pen draws each colour with the pen put into it by
    // hand: its pen numbers are those pens, 1 to 255, one after another.
    bool pens_by_hand() const { return pens == 1; }
    // The pens colours can go to.
    int pens_to_choose() const { return pens_by_hand() ? 255 : std::min(pens, 255); }

    bool plotter_fills() const { return (pen_options & 0x0100) != 0; }
    bool variable_speed() const { return (pen_options & 0x04) != 0; }
    // The plotter language of the stored configuration, as the driver reads
    // its bits: 0 VTX-GL, 1 TK-GL1, 2 TK-GL2, 3 TK-GL3.
    int language_index() const {
        const int bits = stored[2];
        return (bits & 0x02) ? 1 : (bits & 0x04) ? 2 : (bits & 0x08) ? 3 : 0;
    }
};

// The driver's per-colour defaults: colour k on pen k mod pens (pen `pens`
// where that is 0, colour 0 on pen 1), a continuous line, the model's speed
// and width. On a plotter with one pen colour k goes to the pen put in by
// hand numbered k (colour 0 to 1): each colour is drawn with its own pen.
int default_pen(int colour, int pens);
int default_pen(int colour, const Profile& profile);
void set_default_colour_tables(Profile& profile);
// True when the colour's pen, line type, speed or width is not the default.
bool colour_is_set(const Profile& profile, size_t colour);

// Throw HostError naming the file (and the key or line) when it cannot be
// read or written, or does not hold a whole profile. Every value is checked
// against what the profile's model allows (its pens, line types, speeds,
// widths, serial line settings); the message names the file, the key, the
// value and what is allowed.
Profile load_profile(const std::string& path);
void save_profile(const Profile& profile, const std::string& path);

// A new configuration of a profile keeps the colours the user set in the old
// one (those that differ from the old model's defaults). Each colour taken
// over from another model, or whose pen or line type no longer fits, is told
// in one line of the result.
std::vector<std::string> keep_colour_tables(const Profile& old, Profile& fresh);

// $XDG_CONFIG_HOME/tvkplot, else ~/.config/tvkplot.
std::string profile_directory();
// The default profile of a model, in that directory.
std::string default_profile_path(const std::string& model);
// The model of the default profile: the one configured last, if any.
std::string default_model();
void set_default_model(const std::string& model);

}  // namespace tvk::host
