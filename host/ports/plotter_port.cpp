// The plotter's port as the user names it, and what a plotter is told when a
// plot breaks off.
#include <algorithm>

#include "host/ports/port_output.h"

namespace tvk::host {

std::unique_ptr<PortOutput> open_plotter_port(const std::string& port, int port_kind,
                                              const SerialSettings& settings) {
    if (is_network_address(port)) return open_network_output(port);
    return port_kind == 2 ? open_device_output(port) : open_serial_output(port, settings);
}

std::string handshake_strings(int handshake) {
    return handshake == 0 ? "\x1b.M50;0;0;13;26;0:\x1b.I81;0;17:\x1b.N10;19:\x1b.@;0:"
                          : "\x1b.M:\x1b.I:\x1b.N:\x1b.@;1:";
}

std::string stop_commands(int language_index) {
    // VTX-GL lifts with a zero relative move and homes with "H"; HP-GL ends
    // whatever command (or encoded polyline) it was in with ";".
    return language_index == 0 ? "R0,0H" : ";PU;SP;";
}

std::string break_off(PortOutput& port, bool stopped, bool port_failed, size_t bytes_sent,
                      int language_index) {
    // What still waited in this machine's queue never reached the plotter.
    bytes_sent -= std::min(port.still_queued(), bytes_sent);
    const std::string left = port.abandon(stop_commands(language_index));
    std::string text = stopped ? "plot stopped" : "the plot failed";
    if (!stopped && port_failed) text += ": " + port.failure();
    text += bytes_sent == 0 ? "; nothing reached the plotter"
                            : "; " + std::to_string(bytes_sent) + " bytes of the plot went to " +
                                  port.name() + " before it broke off";
    return left.empty() ? text : text + "; " + left;
}

}  // namespace tvk::host
