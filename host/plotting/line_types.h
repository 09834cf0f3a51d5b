// DXF line-type names to the plotter's hardware line types. The plotter draws
// its patterns itself; each language numbers them its own way (VTX-GL has no
// dotted line and counts the dashed patterns from 1).
#pragma once

#include <string>

#include "host/drawing/geometry/dashes.h"

namespace tvk::host {

// The hardware line type for a line-type name, or -1 when the name is not one
// of the patterns the plotters know (CONTINUOUS and BYLAYER are 0). A pattern
// above max_line_type falls back to a similar one the language has.
int hardware_line_type(const std::string& name, bool vtx_gl, int max_line_type);

// The hardware line type that draws `dashes` (lengths in millimetres on
// paper, dash first) as they are: a pattern of the plotter's of the same
// shape (each dash and gap within 6 % of the period; a dash below 2 % is a
// dot), in any phase, and about the same size (within a factor of 1.5; the
// plotter's pattern length is a share of the diagonal of the paper,
// `diagonal_mm`), that the language has; 0 when there is none.
int matching_line_type(const DashPattern& dashes, bool vtx_gl, int max_line_type,
                       double diagonal_mm);

}  // namespace tvk::host
