// True colours (group 420) to the AutoCAD colour index that pens are chosen by.
#pragma once

#include <cstdint>

namespace tvk::host {

// The index 1 to 255 whose standard colour is nearest to 0xRRGGBB; black
// and white are 7, the colour of the pen that draws on the paper.
int nearest_color_index(uint32_t rgb);

}  // namespace tvk::host
