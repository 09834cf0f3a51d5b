// The lines of a hatch pattern clipped to its boundary.
#pragma once

#include <optional>
#include <vector>

#include "host/drawing/drawing.h"

namespace tvk::host {

// One line family of a pattern as a HATCH stores it (already scaled and
// turned): lines through base + k * offset for every whole k, along `angle`,
// dashed from there by `dashes` (> 0 a dash, < 0 a gap, 0 a dot).
struct PatternLine {
    double angle = 0;  // radians
    Vec2 base, offset;
    std::vector<double> dashes;
};

using Stroke = std::pair<Vec2, Vec2>;

// The dashes of the pattern inside the rings (even-odd), or nothing when the
// pattern would need more than `limit` of them.
std::optional<std::vector<Stroke>> pattern_strokes(const std::vector<std::vector<Vec2>>& rings,
                                                   const std::vector<PatternLine>& pattern,
                                                   size_t limit);

}  // namespace tvk::host
