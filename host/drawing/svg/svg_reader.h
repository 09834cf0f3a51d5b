// Builds the entity model from SVG text: SVG++ over libxml2 parses the
// document; what it draws goes into the model in millimetres (y up).
#pragma once

#include <string>
#include <vector>

#include "host/drawing/model/entities.h"

namespace tvk::host {

// Reads an SVG document into `drawing`, one drawing unit a millimetre;
// `notes` gets what the user should know about how it is drawn (fonts stood
// in for). Throws DrawingError naming `name` when the text is not an SVG
// document. Also the entry point of the reader's fuzz target.
void read_svg(const std::string& contents, const std::string& name, Drawing::Impl& drawing,
              std::vector<std::string>& notes);

}  // namespace tvk::host
