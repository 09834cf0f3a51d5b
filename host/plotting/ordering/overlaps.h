// Removal of vectors that are drawn twice (optimisation levels 5 and 6).
#pragma once

#include <cstdint>
#include <vector>

#include "host/plotting/ordering/ordering.h"

namespace tvk::host {

// What is left of a segment (by its running number through the paths) that
// loses some of its length to those before it, one piece each, as positions
// along its line; a piece from and to the same place when nothing is.
struct OverlapChange {
    uint64_t segment;
    int64_t lo, hi;
};

// The parts of segments that an earlier segment with the same pen and line
// type already covers exactly: collinear and overlapping. Only horizontal
// and vertical segments unless `diagonal`. Empty when nothing overlaps.
std::vector<OverlapChange> find_overlaps(const std::vector<PenPath>& paths, bool diagonal,
                                         WorkProgress& progress);
// Removes them (found with the same `diagonal`): paths are split where a part
// is removed; nothing else changes. Returns, for each path then, whether it
// is a piece of one that changed.
std::vector<uint8_t> remove_overlaps(std::vector<PenPath>& paths,
                                     const std::vector<OverlapChange>& changes, bool diagonal);

}  // namespace tvk::host
