// Removal of vectors that are drawn twice (optimisation levels 5 and 6).
#pragma once

#include <vector>

#include "host/drawing/drawing.h"

namespace tvk::host {

// Removes the parts of segments that an earlier segment with the same pen
// and line type already covers exactly: collinear and overlapping. Only
// horizontal and vertical segments unless `diagonal`. Paths are split where
// a part is removed; nothing else changes. False when nothing overlaps.
bool remove_overlaps(std::vector<PenPath>& paths, bool diagonal, WorkProgress& progress);

}  // namespace tvk::host
