#include "host/drawing/model/true_color.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tvk::host {

namespace {

struct Rgb {
    double r, g, b;
};

// The standard colours of the AutoCAD colour index: seven named ones, two
// greys, 24 hues in five shades each full and pale, and six greys.
std::array<Rgb, 256> standard_colors() {
    std::array<Rgb, 256> c{};
    const Rgb named[] = {{0, 0, 0},       {255, 0, 0},    {255, 255, 0}, {0, 255, 0},
                         {0, 255, 255},   {0, 0, 255},    {255, 0, 255}, {255, 255, 255},
                         {128, 128, 128}, {192, 192, 192}};
    std::copy(std::begin(named), std::end(named), c.begin());
    const double shades[] = {255, 165, 127, 76, 38};
    for (int hue = 0; hue < 24; ++hue) {
        // Full saturation at 15 degree steps round the colour wheel.
        double h = hue * 15 / 60.0, x = 255 * (1 - std::abs(std::fmod(h, 2) - 1));
        Rgb full = h < 1   ? Rgb{255, x, 0}
                   : h < 2 ? Rgb{x, 255, 0}
                   : h < 3 ? Rgb{0, 255, x}
                   : h < 4 ? Rgb{0, x, 255}
                   : h < 5 ? Rgb{x, 0, 255}
                           : Rgb{255, 0, x};
        for (int shade = 0; shade < 5; ++shade) {
            double v = shades[shade] / 255;
            Rgb dark{full.r * v, full.g * v, full.b * v};
            // The pale shade: halfway from the colour to the grey of its brightness.
            Rgb pale{(dark.r + shades[shade]) / 2, (dark.g + shades[shade]) / 2,
                     (dark.b + shades[shade]) / 2};
            c[10 + hue * 10 + shade * 2] = dark;
            c[11 + hue * 10 + shade * 2] = pale;
        }
    }
    const double greys[] = {51, 91, 132, 173, 214, 255};
    for (int i = 0; i < 6; ++i) c[250 + i] = {greys[i], greys[i], greys[i]};
    return c;
}

}  // namespace

int nearest_color_index(uint32_t rgb) {
    static const std::array<Rgb, 256> colors = standard_colors();
    Rgb want{double((rgb >> 16) & 0xFF), double((rgb >> 8) & 0xFF), double(rgb & 0xFF)};
    auto distance = [&](const Rgb& c) {
        return (c.r - want.r) * (c.r - want.r) + (c.g - want.g) * (c.g - want.g) +
               (c.b - want.b) * (c.b - want.b);
    };
    // Colour 7 draws black on paper: it stands for black as well as white.
    int best = 7;
    double best_distance = std::min(distance(colors[7]), distance(colors[0]));
    for (int i = 1; i < 256; ++i) {
        if (double d = distance(colors[i]); d < best_distance) best = i, best_distance = d;
    }
    return best;
}

}  // namespace tvk::host
