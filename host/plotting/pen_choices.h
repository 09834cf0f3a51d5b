// The pens, layers, speeds and widths of one plot as the command line gives
// them (--pen, --layer-pen, --layers, --exclude-layers, --speed, --width),
// over the per-colour tables of the profile.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/settings/profile.h"

namespace tvk::host {

inline constexpr double kMaxPenWidthMm = 50;  // the widest pen the driver sends

struct PenChoices {
    std::map<int, int> pen_by_colour;                       // colour 1 to 255 -> pen
    std::map<uint32_t, int> pen_by_true_colour;             // 0xRRGGBB (named or #rrggbb) -> pen
    std::vector<std::pair<std::string, int>> pen_by_layer;  // layer name or wildcard -> pen
    std::vector<std::string> layers;                        // only these (wildcards); empty: all
    std::vector<std::string> excluded_layers;               // never these
    std::map<int, int> speed_by_pen;                        // cm/s
    std::map<int, double> width_by_pen;                     // inches
    // The pen speeds a plot file asks for (cm/s, by colour; 0: every
    // colour): where slower than the profile's, they are kept.
    std::map<int, double> file_speed_by_colour;

    // Layer names match case-blind, with * and ? as wildcards.
    bool plotted(const std::string& layer) const;
    bool filters_layers() const { return !layers.empty() || !excluded_layers.empty(); }
    // The pen of the first --layer-pen that matches the layer.
    std::optional<int> layer_pen(const std::string& layer) const;
};

// The command line's texts ("COLOUR=PEN", "LAYER=PEN", "PEN=CM_S",
// "PEN=MM", names separated by commas), checked against what the profile's
// plotter allows; throws HostError naming the option and what is allowed.
struct PenChoiceTexts {
    std::vector<std::string> pens, layer_pens, layers, excluded_layers, speeds, widths;
};
PenChoices pen_choices(const PenChoiceTexts& texts, const Profile& profile);

// A finite decimal number that is the whole text, as options give them.
std::optional<double> parse_number(const std::string& text);

// The profile with the colours of --pen on their new pens.
Profile with_colour_pens(Profile profile, const PenChoices& choices);

}  // namespace tvk::host
