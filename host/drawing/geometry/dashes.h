// Dashed lines: a polyline cut into the dash segments a pen draws, from a
// pattern of dash and gap lengths.
#pragma once

#include <vector>

#include "host/drawing/geometry/plane.h"

namespace tvk::host {

// Lengths of dash and gap in turn (an even list; a dash of 0 is a dot), and
// how far into the pattern each line begins.
struct DashPattern {
    std::vector<double> lengths;
    double offset = 0;

    // No pattern, or one that draws nothing but solid lines (all zeros,
    // a negative length: browsers then draw the stroke solid).
    bool solid() const;
    double period() const;
    DashPattern scaled(double factor) const;
};

// The dashes of an open or closed polyline (a closed one repeats its first
// point at the end), each a polyline. Patterns whose period is below
// `min_period` are drawn solid: finer than the pen can draw.
std::vector<std::vector<Vec2>> dashed(const std::vector<Vec2>& line, const DashPattern& dashes,
                                      double min_period);

}  // namespace tvk::host
