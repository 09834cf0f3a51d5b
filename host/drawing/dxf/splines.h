// SPLINE (and HELIX) as the DXF file gives them: control points and knots,
// or fit points.
#pragma once

#include <optional>
#include <vector>

#include "host/drawing/dxf/dxf_groups.h"
#include "host/drawing/model/entities.h"

namespace tvk::host {

// A spline from its control points and knots (a clamped uniform knot vector
// when they are missing or broken), or else through its fit points; nothing
// when it has neither.
std::optional<Element> spline_element(BSpline s, std::vector<Vec2> fit, bool closed,
                                      std::optional<Vec2> start_tangent = {},
                                      std::optional<Vec2> end_tangent = {});

// The curve of a SPLINE, or of a HELIX up to its own groups (which reuse the
// spline's codes).
std::optional<Element> spline_from_groups(const Groups& g);

}  // namespace tvk::host
