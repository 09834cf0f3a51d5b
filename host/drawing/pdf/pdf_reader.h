// PDF drawings, read through poppler's output-device interface into the
// drawing model as the SVG reader builds it: one drawing unit a millimetre,
// the page's lower-left corner the origin. Strokes with their widths, fills
// (as polygons or hatched, as DXF fills), clip paths, text in the stroke
// fonts where the PDF gives its characters; images are counted as not drawn.
// May use svg/ (its entity builder), text/, model/, geometry/ and poppler.
#pragma once

#include <string>
#include <vector>

#include "host/drawing/model/drawing.h"

namespace tvk::host {

// The pages of the PDF; throws DrawingError naming `name` when it cannot be read.
int pdf_page_count(const std::string& contents, const std::string& name);

// Page `page` (from 1) of the PDF into `drawing`; what the user should know in
// `notes`. Throws DrawingError naming `name` when the file cannot be read, has
// no such page, or draws more than the reader's limit.
void read_pdf(const std::string& contents, const std::string& name, int page,
              Drawing::Impl& drawing, std::vector<std::string>& notes);

}  // namespace tvk::host
