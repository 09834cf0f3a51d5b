// Documents turned into plots: every format a job may bring (PDF, SVG, DXF,
// HP-GL plot files) goes through the reading, placement, pen tables,
// ordering and driver of `tvkplot plot`, and the plotter's bytes to the
// printer's device. Documents sent as application/octet-stream are told
// apart by their content.
#pragma once

#include <pappl/pappl.h>

namespace tvk::printer {

// The formats the printers take.
void add_job_filters(pappl_system_t* system);

}  // namespace tvk::printer
