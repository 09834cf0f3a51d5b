// POLYLINE and LWPOLYLINE: 2D and 3D polylines with bulges and widths,
// polygon meshes and polyface meshes.
#pragma once

#include <vector>

#include "host/drawing/model/entities.h"

namespace tvk::host {

struct PolylineVertex {
    Vec2 p;
    double bulge = 0;
    int flags = 0;
    int index[4] = {0, 0, 0, 0};  // the corners of a polyface mesh face
    double start_width = 0, end_width = 0;
};

struct PolylineData {
    int flags = 0;     // group 70: 1 closed, 8 3D, 16 polygon mesh, 64 polyface mesh, ...
    int m = 0, n = 0;  // the size of a polygon mesh
    Affine ocs;        // of a 2D polyline
    std::vector<PolylineVertex> vertices;
};

// Straight segments and arcs through the points (in object coordinates), mapped by m.
Trace bulged_trace(const std::vector<Vec2>& points, const std::vector<double>& bulges, bool closed,
                   const Affine& m);

// What a polyline draws: its lines, or for a 2D polyline with widths its
// filled parts (each a shape of its own) and the lines of its segments without width.
std::vector<Shape> polyline_shapes(const PolylineData& polyline);

}  // namespace tvk::host
