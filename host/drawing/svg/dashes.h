// SVG's stroke-dasharray: the pattern a value gives (cut into dashes by
// host/drawing/geometry/dashes.h).
#pragma once

#include <string>
#include <vector>

#include "host/drawing/geometry/dashes.h"

namespace tvk::host {

// The pattern a stroke-dasharray value gives, lengths in user units
// (percentages of `percent_of`); an empty pattern for none or an invalid one.
std::vector<double> parse_dasharray(const std::string& value, double percent_of);

}  // namespace tvk::host
