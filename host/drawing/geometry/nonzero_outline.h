// The outline of an area filled by the nonzero rule, as rings that give the
// same area by the even-odd rule: fills go to plotters and to the host's own
// strokes as even-odd rings, while SVG, PDF and HP-GL/2 fill by winding.
#pragma once

#include <vector>

#include "host/drawing/geometry/plane.h"

namespace tvk::host {

// The boundary of the points whose winding number about `rings` is not
// zero: the rings cut where they cross or touch, the pieces between two
// areas of like rule dropped, the rest joined into closed rings (without
// the closing point repeated). Rings that need none of this come back as
// they are; so do rings too tangled to take apart within a bounded amount
// of work (then the even-odd rule applies to them).
std::vector<std::vector<Vec2>> nonzero_outline(const std::vector<std::vector<Vec2>>& rings);

}  // namespace tvk::host
