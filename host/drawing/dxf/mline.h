// MLINE: its element lines, read from the entity's groups.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/drawing/dxf/dxf_groups.h"
#include "host/drawing/model/entities.h"

namespace tvk::host {

// One polyline per element of the multiline style, through the points its
// vertices give it (each vertex, along its mitre by the element's offset).
// Dashes and caps of the style are not drawn.
Shape mline_shape(const std::vector<Group>& groups);

}  // namespace tvk::host
