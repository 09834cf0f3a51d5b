// Each printer's settings: the model's configuration kept as a tvkplot
// profile (pens, colour tables, port settings, the driver's stored block)
// in the spool directory, beside PAPPL's own state, so that it survives a
// restart. A printer without one takes the model's defaults.
#pragma once

#include <pappl/pappl.h>

#include <string>

namespace tvk::printer {

// The printer's profile, written with the model's defaults when it has none.
// Throws HostError when it cannot be written.
std::string printer_profile(pappl_printer_t* printer);

}  // namespace tvk::printer
