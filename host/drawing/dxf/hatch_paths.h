// The boundary paths of a HATCH, read from its groups.
#pragma once

#include <vector>

#include "host/drawing/dxf/dxf_groups.h"
#include "host/drawing/model/entities.h"

namespace tvk::host {

// An arc from a to b (radians); clockwise arcs of hatch boundaries keep their
// angles mirrored, as the DXF format stores them.
EllipseArc arc_between(Vec2 c, Vec2 u, Vec2 v, double a, double b, bool ccw);

// One trace per boundary path (group 92), in object coordinates, its edges
// in file order: a polyline path as lines and bulged arcs, closed; an edge
// path as its lines, circular and elliptic arcs and splines. The seed points
// after the paths are not part of them.
std::vector<Trace> hatch_paths(const Groups& hatch);

}  // namespace tvk::host
