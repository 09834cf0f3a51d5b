// Builds the entity model from the checked groups of a DXF file.
#pragma once

#include <string>

#include "host/drawing/model/entities.h"

namespace tvk::host {

// Reads the contents of a DXF file into `drawing`; text is laid out with the
// standard stroke font. Throws DxfError naming `path`; reports to `progress`
// as it goes.
void read_dxf(const std::string& contents, const std::string& path, Drawing::Impl& drawing,
              WorkProgress& progress);

}  // namespace tvk::host
