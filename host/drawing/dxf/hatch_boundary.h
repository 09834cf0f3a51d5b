// The edges of a hatch boundary path joined into closed rings: files store
// them in any order and either direction, as CAD programs accept them.
#pragma once

#include <vector>

#include "host/drawing/model/entities.h"

namespace tvk::host {

struct ChainedBoundary {
    std::vector<Trace> rings;  // each closed, edges end to start
    bool closed = true;        // false when some edges could not be closed into a ring
};

// Chains the edges of one boundary path end to start, reversing edges as
// needed; ends count as joined within a small fraction of the path's size.
// A chain whose last end stops short of its first by no more than
// `close_gap` (the drawing's gap tolerance, in drawing units), or by a
// thousandth of the path's size, is closed with a straight edge, as CAD
// programs close it.
ChainedBoundary chain_boundary(const Trace& edges, double close_gap = 0);

}  // namespace tvk::host
