// Areas cut by areas, for fills inside clip paths of any shape: polygon
// clipping by Boost.Geometry (header-only, Debian's libboost-dev).
#pragma once

#include <optional>
#include <vector>

#include "host/drawing/geometry/geometry.h"

namespace tvk::host {

// An area: closed rings filled by a rule.
struct SvgArea {
    std::vector<std::vector<Vec2>> rings;
    bool even_odd = false;
};

// The part of `fill` inside every one of `clips` (a clip is the union of its
// areas), as rings that are filled even-odd: outlines and their holes, none
// overlapping. Nothing when rings cross in a way that neither the nonzero
// outline nor Boost.Geometry can take apart.
std::optional<std::vector<std::vector<Vec2>>> clip_area(
    const SvgArea& fill, const std::vector<std::vector<SvgArea>>& clips);

}  // namespace tvk::host
