// The device schemes the printers' device URIs may use beyond PAPPL's own:
// file:///path, a stream file (for tests and spooling), which PAPPL as
// Debian builds it refuses.
#pragma once

namespace tvk::printer {

void add_device_schemes();

}  // namespace tvk::printer
