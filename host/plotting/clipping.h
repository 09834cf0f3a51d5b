// Clipping to the plot area in host units, and rounding to the integer host
// coordinates the driver takes: nothing outside the area reaches the driver,
// so no coordinate ever wraps around its 16 bits.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "host/drawing/model/drawing.h"
#include "host/plotting/placement.h"

namespace tvk::host {

using HostPoint = std::pair<int32_t, int32_t>;
using HostPolyline = std::vector<HostPoint>;

// The length of a polyline in host units; of a closed one, with the edge
// from its last point back to its first.
double polyline_length(const HostPolyline& points, bool closed);

// The parts of a polyline inside the area, rounded, repeated points dropped.
// A polyline of one point (a dot) stays one point when it lies inside.
std::vector<HostPolyline> clip_polyline(const std::vector<Vec2>& points, HostArea area);
// The same into `pieces` (emptied first), whose room a caller clipping path
// after path keeps.
void clip_polyline(const std::vector<Vec2>& points, HostArea area,
                   std::vector<HostPolyline>& pieces);

// A closed ring cut to the area (the parts outside run along its border),
// rounded, repeated points dropped; empty when nothing is left.
HostPolyline clip_ring(const std::vector<Vec2>& ring, HostArea area);

// The length of a polyline that lies beyond the area by more than `margin`
// (host units): what clipping visibly cuts off, where a line drawn along the
// edge or a rounding error of the fit is not.
double length_cut_off(const std::vector<Vec2>& points, HostArea area, double margin);

}  // namespace tvk::host
