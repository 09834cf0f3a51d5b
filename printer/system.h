// The system PAPPL serves: the IPP Everywhere printers on the port and host
// names asked for (loopback only unless told otherwise), the web interface,
// the drivers, formats and device schemes, and the state kept in the spool
// directory so that printers and their jobs survive a restart.
#pragma once

#include <pappl/pappl.h>

namespace tvk::printer {

inline constexpr const char* kProgramName = "tvkplot-printer";

// PAPPL's system callback of the main loop.
pappl_system_t* create_system(int num_options, cups_option_t* options, void* data);

}  // namespace tvk::printer
