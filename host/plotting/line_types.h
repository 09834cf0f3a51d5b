// DXF line-type names to the plotter's hardware line types. The plotter draws
// its patterns itself; each language numbers them its own way (VTX-GL has no
// dotted line and counts the dashed patterns from 1).
#pragma once

#include <string>

namespace tvk::host {

// The hardware line type for a line-type name, or -1 when the name is not one
// of the patterns the plotters know (CONTINUOUS and BYLAYER are 0). A pattern
// above max_line_type falls back to a similar one the language has.
int hardware_line_type(const std::string& name, bool vtx_gl, int max_line_type);

}  // namespace tvk::host
