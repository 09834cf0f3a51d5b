// SVG's stroke-dasharray and stroke-dashoffset: a stroke cut into the dash
// segments the pen draws.
#pragma once

#include <string>
#include <vector>

#include "host/drawing/geometry/geometry.h"

namespace tvk::host {

// A dash pattern: lengths of dash and gap in turn (an odd list repeated
// twice), and how far into it each subpath begins.
struct SvgDashes {
    std::vector<double> pattern;
    double offset = 0;

    // No pattern, or one that draws nothing but solid lines (all zeros,
    // a negative length: browsers then draw the stroke solid).
    bool solid() const;
    SvgDashes scaled(double factor) const;
};

// The pattern a stroke-dasharray value gives, lengths in user units
// (percentages of `percent_of`); an empty pattern for none or an invalid one.
std::vector<double> parse_dasharray(const std::string& value, double percent_of);

// The dashes of an open or closed polyline (a closed one repeats its first
// point at the end), each a polyline. Patterns whose period is below
// `min_period` are drawn solid: finer than the pen can draw.
std::vector<std::vector<Vec2>> dashed(const std::vector<Vec2>& line, const SvgDashes& dashes,
                                      double min_period);

}  // namespace tvk::host
