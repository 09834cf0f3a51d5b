// VTX-GL plot files (the driver's own language), read with the stream decoder.
#pragma once

#include <string>

#include "host/drawing/model/entities.h"

namespace tvk::host::plotfile {

// The pen-down paths of a VTX-GL file, in millimetres; false when it draws nothing.
bool read_vtx_gl(const std::string& contents, double units_per_inch, std::vector<Entity>& out);

}  // namespace tvk::host::plotfile
