// DXF drawings made up for the benchmarks: a CAD-like mix, and the worst case
// of path ordering.
#pragma once

#include <cstddef>
#include <string>

namespace tvk::bench {

// Parts spread over a sheet that grows with the count, each of line chains
// (meeting at corners), frames crossed by a line (T-junctions), bulged
// polylines, circles, arcs and a line of text, on pens 1 to 4, like a CAD
// drawing: `entities` entities in all.
std::string cad_mix(size_t entities, unsigned seed = 1);
// `entities` short lines that meet nowhere.
std::string short_lines(size_t entities, unsigned seed = 1);

}  // namespace tvk::bench
