// True colours to pens: the pen whose colour (as the profile gives it) is nearest.
#pragma once

#include <cstdint>
#include <map>

namespace tvk::host {

// The pen whose colour is nearest to 0xRRGGBB; 0 when the map is empty.
// White stands for black, as on a screen's dark background: what is drawn
// in it is meant to show on the paper.
int nearest_pen(uint32_t rgb, const std::map<int, uint32_t>& pen_colour);

}  // namespace tvk::host
