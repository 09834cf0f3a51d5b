// Closed paths drawn as part of a path they touch, saving their pen lifts.
#pragma once

#include <cstdint>
#include <vector>

#include "host/plotting/ordering/ordering.h"

namespace tvk::host {

// Each closed path (a loop) that shares a vertex with another path of the
// same pen and style is drawn from there as a detour of that path: out
// round the loop and back to the vertex, on along the path. Paths that meet
// only end to end or cross are left alone: no stroke can be saved there
// that joining ends does not save. The segments drawn are unchanged.
// `marks` (one a path), where given, follow the paths: a path is marked
// where any loop drawn in it was.
void splice_loops(std::vector<PenPath>& paths, std::vector<uint8_t>* marks = nullptr);

}  // namespace tvk::host
