// The lines of a hatch pattern clipped to its boundary.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/drawing/dxf/dxf_groups.h"
#include "host/drawing/model/entities.h"

namespace tvk::host {

// One line family of a pattern as a HATCH stores it (already scaled and
// turned): lines through base + k * offset for every whole k, along `angle`,
// dashed from there by `dashes` (> 0 a dash, < 0 a gap, 0 a dot).
struct PatternLine {
    double angle = 0;  // radians
    Vec2 base, offset;
    std::vector<double> dashes;
};

// A standard pattern by name (ANSI31 to ANSI38, LINE, NET, NET3, DOTS, BRICK,
// SQUARE, CROSS), for hatches that name their pattern without its lines:
// turned by `angle` (radians) and scaled by `scale`, in millimetres when
// `metric`, else in inches. Nothing for other names.
std::vector<PatternLine> standard_pattern(const std::string& name, double angle, double scale,
                                          bool metric);

// The pattern lines of a HATCH, as its groups after group 78 give them.
std::vector<PatternLine> pattern_lines(const Groups& hatch);

using Stroke = std::pair<Vec2, Vec2>;

// The dashes of the pattern inside the rings (even-odd), or nothing when the
// pattern would need more than `limit` of them.
std::optional<std::vector<Stroke>> pattern_strokes(const std::vector<std::vector<Vec2>>& rings,
                                                   const std::vector<PatternLine>& pattern,
                                                   size_t limit);

// The strokes of a hatch pattern inside its loops, or nothing when there is
// no pattern or one that needs more than `limit` strokes.
std::optional<Shape> pattern_shape(const std::vector<Trace>& loops,
                                   const std::vector<PatternLine>& pattern, size_t limit);

}  // namespace tvk::host
