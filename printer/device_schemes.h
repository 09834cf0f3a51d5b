// The device schemes of the printers' device URIs beyond PAPPL's own:
// file:///path, a stream file (for tests and spooling), which PAPPL as
// Debian builds it refuses; socket://HOST:PORT (a network plotter or a
// serial-to-network adapter) and serial:/dev/ttyUSB0?baud=9600+flow=soft
// (or hard), over the host program's port code with its deadlines and its
// stop that leaves the pen up.
#pragma once

#include <pappl/pappl.h>

#include <string>

#include "host/ports/port_output.h"

namespace tvk::printer {

void add_device_schemes();

// The plotter's port behind a device of the socket and serial schemes;
// nullptr for any other device.
host::PortOutput* plotter_port(pappl_device_t* device, const std::string& uri);

// The line settings a serial: URI asks for, over the defaults (9600 baud,
// 8 data bits, no parity, 1 stop bit, XON/XOFF); throws HostError for an
// option it does not know.
host::SerialSettings serial_settings(const std::string& uri, std::string& device);

}  // namespace tvk::printer
