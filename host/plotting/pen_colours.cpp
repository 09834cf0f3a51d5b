#include "host/plotting/pen_colours.h"

#include <limits>

namespace tvk::host {

namespace {

double distance(uint32_t a, uint32_t b) {
    double d = 0;
    for (int shift : {16, 8, 0}) {
        const double c = double((a >> shift) & 0xFF) - double((b >> shift) & 0xFF);
        d += c * c;
    }
    return d;
}

}  // namespace

int nearest_pen(uint32_t rgb, const std::map<int, uint32_t>& pen_colour) {
    rgb &= 0xFFFFFF;
    if (rgb == 0xFFFFFF) rgb = 0;
    int best = 0;
    double best_distance = std::numeric_limits<double>::infinity();
    for (const auto& [pen, colour] : pen_colour) {
        // The first pen of equal colours: pens are taken in order.
        if (const double d = distance(rgb, colour); d < best_distance)
            best = pen, best_distance = d;
    }
    return best;
}

}  // namespace tvk::host
