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
ChainedBoundary chain_boundary(const Trace& edges);

}  // namespace tvk::host
