#include "host/plotting/pen_choices.h"

#include <fnmatch.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>

#include "host/host_error.h"

namespace tvk::host {
namespace {

constexpr double kMmPerInch = 25.4;
constexpr int kMaxSpeed = 255;  // one byte of centimetres per second
constexpr uint16_t kVariableSpeed = 0x04;

// The standard colours by name, as CAD programs call colours 1 to 7.
constexpr std::array<std::pair<const char*, int>, 8> kColourNames = {{{"RED", 1},
                                                                      {"YELLOW", 2},
                                                                      {"GREEN", 3},
                                                                      {"CYAN", 4},
                                                                      {"BLUE", 5},
                                                                      {"MAGENTA", 6},
                                                                      {"WHITE", 7},
                                                                      {"BLACK", 7}}};

// The same names as drawings in true colours write them (SVG and CSS): a
// named colour also takes the strokes of that true colour.
struct NamedTrueColour {
    const char* name;
    uint32_t rgb;
};
constexpr NamedTrueColour kTrueColourNames[] = {
    {"RED", 0xFF0000},     {"YELLOW", 0xFFFF00}, {"GREEN", 0x008000},
    {"GREEN", 0x00FF00},   {"CYAN", 0x00FFFF},   {"BLUE", 0x0000FF},
    {"MAGENTA", 0xFF00FF}, {"WHITE", 0xFFFFFF},  {"BLACK", 0x000000},
};

// "#rrggbb" (or "#rgb"), as drawings write true colours.
std::optional<uint32_t> hex_colour(const std::string& text) {
    if (text.empty() || text[0] != '#') return std::nullopt;
    std::string digits = text.substr(1);
    if (digits.size() == 3)
        digits = {digits[0], digits[0], digits[1], digits[1], digits[2], digits[2]};
    if (digits.size() != 6) return std::nullopt;
    uint32_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + 6, value, 16);
    if (ec != std::errc() || end != digits.data() + 6) return std::nullopt;
    return value;
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::optional<int> whole(const std::string& text) {
    const auto value = parse_number(text);
    if (!value || *value != std::floor(*value) || std::abs(*value) > 1e6) return std::nullopt;
    return static_cast<int>(*value);
}

struct Pair {
    std::string key, value;
};

Pair split(const std::string& option, const std::string& text, const char* form) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) {
        throw HostError(option + " " + text + ": give " + form);
    }
    return {text.substr(0, eq), text.substr(eq + 1)};
}

int pen_number(const std::string& option, const std::string& text, const Profile& profile) {
    const auto pen = whole(text);
    if (!pen || *pen < 1 || *pen > profile.pens_to_choose()) {
        throw HostError(
            option + ": no pen \"" + text + "\": this plotter has " +
            (profile.pens_by_hand() ? "one pen, changed by hand: pens 1 to " : "pens 1 to ") +
            std::to_string(profile.pens_to_choose()));
    }
    return *pen;
}

int colour_number(const std::string& text) {
    if (const auto n = whole(text); n && *n >= 1 && *n <= 255) return *n;
    for (const auto& [name, colour] : kColourNames) {
        if (upper(text) == name) return colour;
    }
    throw HostError("--pen: no colour \"" + text +
                    "\": give a colour number 1 to 255, red, yellow, green, cyan, blue, "
                    "magenta, white or black, or a true colour as #rrggbb");
}

void add_names(const std::string& text, std::vector<std::string>& names) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        if (comma > start) names.push_back(upper(text.substr(start, comma - start)));
        start = comma + 1;
    }
}

bool matches(const std::vector<std::string>& patterns, const std::string& layer) {
    return std::any_of(patterns.begin(), patterns.end(), [&](const std::string& p) {
        return fnmatch(p.c_str(), layer.c_str(), FNM_CASEFOLD) == 0;
    });
}

}  // namespace

bool PenChoices::plotted(const std::string& layer) const {
    if (!layers.empty() && !matches(layers, layer)) return false;
    return !matches(excluded_layers, layer);
}

std::optional<int> PenChoices::layer_pen(const std::string& layer) const {
    for (const auto& [pattern, pen] : pen_by_layer) {
        if (fnmatch(pattern.c_str(), layer.c_str(), FNM_CASEFOLD) == 0) return pen;
    }
    return std::nullopt;
}

PenChoices pen_choices(const PenChoiceTexts& texts, const Profile& profile) {
    PenChoices c;
    for (const std::string& text : texts.pens) {
        const Pair p = split("--pen", text, "COLOUR=PEN, as 1=2, red=2 or #0000ff=2");
        if (const auto rgb = hex_colour(p.key)) {
            c.pen_by_true_colour[*rgb] = pen_number("--pen " + text, p.value, profile);
            continue;
        }
        const int pen = pen_number("--pen " + text, p.value, profile);
        c.pen_by_colour[colour_number(p.key)] = pen;
        for (const auto& named : kTrueColourNames) {
            if (upper(p.key) == named.name) c.pen_by_true_colour[named.rgb] = pen;
        }
    }
    for (const std::string& text : texts.layer_pens) {
        const Pair p = split("--layer-pen", text, "LAYER=PEN, as WALLS=2 or DIM*=3");
        c.pen_by_layer.emplace_back(upper(p.key),
                                    pen_number("--layer-pen " + text, p.value, profile));
    }
    for (const std::string& text : texts.layers) add_names(text, c.layers);
    for (const std::string& text : texts.excluded_layers) add_names(text, c.excluded_layers);
    for (const std::string& text : texts.speeds) {
        if ((profile.pen_options & kVariableSpeed) == 0) {
            throw HostError(
                "--speed: this plotter draws at one speed (its pens have no speeds "
                "of their own)");
        }
        const Pair p = split("--speed", text, "PEN=CM_S, as 2=30");
        const int pen = pen_number("--speed " + text, p.key, profile);
        const auto speed = whole(p.value);
        if (!speed || *speed < 1 || *speed > kMaxSpeed) {
            throw HostError("--speed " + text +
                            ": give a whole number of centimetres per "
                            "second, 1 to 255");
        }
        c.speed_by_pen[pen] = *speed;
    }
    for (const std::string& text : texts.widths) {
        const Pair p = split("--width", text, "PEN=MM, as 2=0.35");
        const int pen = pen_number("--width " + text, p.key, profile);
        const auto mm = parse_number(p.value);
        if (!mm || !(*mm > 0) || *mm > kMaxPenWidthMm) {
            throw HostError("--width " + text +
                            ": give the pen's width in millimetres, above 0 and at most 50");
        }
        c.width_by_pen[pen] = *mm / kMmPerInch;
    }
    return c;
}

std::optional<double> parse_number(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

Profile with_colour_pens(Profile profile, const PenChoices& choices) {
    for (const auto& [colour, pen] : choices.pen_by_colour) {
        profile.pen_by_colour[static_cast<size_t>(colour)] = static_cast<uint8_t>(pen);
    }
    return profile;
}

}  // namespace tvk::host
