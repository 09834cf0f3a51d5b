// The edges of a Delaunay triangulation of points on the lattice: among them
// is a shortest tree joining the points, so that a spanning tree needs only
// these few edges, not every pair.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace tvk::host {

// Coordinates must lie strictly within this of zero: the exact circle test
// works on 128-bit integers.
constexpr int32_t kDelaunayLimit = int32_t{1} << 29;

// The edges of the triangulation of `points`, which must be distinct and
// sorted by x, then y: each as its two ends (indices into `points`), one
// after the other. Exact (integer tests), so collinear and cocircular
// points are handled: collinear ones are joined in a chain, cocircular
// ones by some triangulation. About three edges a point; while it works, 72
// bytes a point.
std::vector<uint32_t> delaunay_edges(const std::vector<std::pair<int32_t, int32_t>>& points);

}  // namespace tvk::host
