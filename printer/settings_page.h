// Each printer's settings page in the web interface (linked from PAPPL's
// page of the printer): a person changes the printer's profile there: the
// paper and copies of the model's configuration, the serial line where the
// plotter hangs on one, and the pen table (each pen's ink colour and width).
// The answers go through the driver's configuration as `tvkplot configure`
// would give them, the profile in the spool directory is written anew, and
// the next job plots with it. The form is PAPPL's, with its session check,
// and the page asks for PAPPL's authorisation as its own pages do.
#pragma once

#include <pappl/pappl.h>

namespace tvk::printer {

// PAPPL's printer-creation callback (also for printers read back at start):
// the printer's settings page and its link.
void add_settings_page(pappl_printer_t* printer, void* data);

}  // namespace tvk::printer
