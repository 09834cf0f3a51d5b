// The edges of a Delaunay triangulation of points on the lattice: among them
// is a shortest tree joining the points, so that a spanning tree needs only
// these few edges, not every pair.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace tvk::host {

// Coordinates must lie strictly within this of zero: the exact circle test
// works on 128-bit integers.
constexpr int32_t kDelaunayLimit = int32_t{1} << 29;

// Calls `edge(a, b)` once for each edge of the triangulation of `points`
// (indices into it), which must be distinct and sorted by x, then y. Exact
// (integer tests), so collinear and cocircular points are handled: collinear
// points are joined in a chain, cocircular ones by some triangulation.
void delaunay_edges(const std::vector<std::pair<int32_t, int32_t>>& points,
                    const std::function<void(uint32_t, uint32_t)>& edge);

}  // namespace tvk::host
