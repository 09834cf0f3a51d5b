// MLINE: its element lines, read from the entity's groups (dxflib does not
// know the entity).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/drawing/entities.h"

namespace tvk::host {

// One polyline per element of the multiline style, through the points its
// vertices give it (each vertex, along its mitre by the element's offset).
// Dashes and caps of the style are not drawn.
Shape mline_shape(const std::vector<std::pair<int, std::string>>& groups);

}  // namespace tvk::host
