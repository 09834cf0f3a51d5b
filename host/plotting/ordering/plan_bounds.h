// What no plan of a plot's ink can beat, so that a plan can be shown against
// it: the fewest strokes (pen lifts) that draw the same segments, and the
// least pen-up travel through the same paths. Uses only the ordering's pen
// paths.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "host/plotting/ordering/ordering.h"

namespace tvk::host {

// The fewest strokes that draw every segment of `paths`, each stroke with one
// pen and style: per pen and style, and per connected part of the segments'
// graph (points joined by segments), half its points where an odd number of
// segments meet, and at least one (Euler). A path of one point is a dot: a
// stroke of its own unless a segment passes through it.
size_t fewest_strokes(const std::vector<PenPath>& paths);

// Where a path may be entered or left: both ends of an open path; any
// vertex of a closed one (it can be started anywhere round).
struct PathStops {
    std::vector<std::pair<int32_t, int32_t>> points;
    std::vector<uint32_t> first;  // each path's first point; one more at the end
    // A path closed when its last point is its first, or when `closed`.
    void add(const std::vector<std::pair<int32_t, int32_t>>& path, bool closed = false);
};

// The least pen-up travel from `home` through every path of `stops`, in the
// points' units: a minimum spanning tree over the paths, two paths joined by
// the distance between their nearest stops, plus the move from home to the
// nearest stop of any path. Any order of the paths travels at least this far.
double least_travel(const PathStops& stops, std::pair<int32_t, int32_t> home = {0, 0});
// Its parts: the spanning tree's length (or its edges' lengths), and the
// move from home. A tree that is shortest is shortest for any cost that grows
// with length: the least time of the moves is that of the tree's edges.
double spanning_length(const PathStops& stops);
std::vector<double> spanning_edges(const PathStops& stops);
double nearest_distance(const PathStops& stops, std::pair<int32_t, int32_t> home);

}  // namespace tvk::host
