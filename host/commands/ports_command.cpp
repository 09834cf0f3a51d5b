// tvkplot ports: the serial ports of this machine, with what is known of
// them (the maker and product of a USB adapter), to find the plotter's.
#include <libserialport.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "host/commands/commands.h"

namespace tvk::host {
namespace {

struct PortEntry {
    std::string device;
    std::string about;
};

std::string text_of(const char* s) {
    return s != nullptr ? s : "";
}

std::string about(sp_port* port) {
    const std::string description = text_of(sp_get_port_description(port));
    switch (sp_get_port_transport(port)) {
        case SP_TRANSPORT_USB: {
            std::string maker = text_of(sp_get_port_usb_manufacturer(port));
            const std::string product = text_of(sp_get_port_usb_product(port));
            const std::string serial = text_of(sp_get_port_usb_serial(port));
            int vendor = 0, id = 0;
            std::string text = "USB adapter";
            if (!maker.empty() || !product.empty()) {
                text += ": " + maker + (maker.empty() || product.empty() ? "" : " ") + product;
            }
            if (sp_get_port_usb_vid_pid(port, &vendor, &id) == SP_OK) {
                char ids[32];
                std::snprintf(ids, sizeof ids, " [%04x:%04x]", vendor, id);
                text += ids;
            }
            if (!serial.empty()) text += ", serial number " + serial;
            return text;
        }
        case SP_TRANSPORT_BLUETOOTH:
            return "Bluetooth: " + description;
        default: {
            // libserialport repeats the device's name where it knows nothing more.
            const std::string name = text_of(sp_get_port_name(port));
            const bool says_more =
                !description.empty() && name.find(description) == std::string::npos;
            return "serial port of this machine" + (says_more ? ": " + description : "");
        }
    }
}

int run_ports() {
    sp_port** list = nullptr;
    std::vector<PortEntry> ports;
    if (sp_list_ports(&list) == SP_OK) {
        for (sp_port** p = list; *p != nullptr; ++p) {
            ports.push_back({text_of(sp_get_port_name(*p)), about(*p)});
        }
        sp_free_port_list(list);
    }
    std::sort(ports.begin(), ports.end(),
              [](const PortEntry& a, const PortEntry& b) { return a.device < b.device; });
    if (ports.empty()) {
        std::puts(
            "No serial ports found. A USB serial adapter appears as /dev/ttyUSB0 or "
            "/dev/ttyACM0 when it is plugged in;\na plotter behind a network adapter is "
            "given as --port tcp:HOST:PORT.");
        return 0;
    }
    size_t width = 0;
    for (const PortEntry& p : ports) width = std::max(width, p.device.size());
    for (const PortEntry& p : ports) {
        std::printf("%-*s  %s\n", static_cast<int>(width), p.device.c_str(), p.about.c_str());
    }
    return 0;
}

}  // namespace

Command add_ports_command(CLI::App& app) {
    CLI::App* command = app.add_subcommand("ports", "List this machine's serial ports");
    command->footer(
        "\nA plotter on one of them: tvkplot plot DRAWING.dxf --port /dev/ttyUSB0\n"
        "Serial ports belong to the group dialout: `sudo usermod -aG dialout $USER`, then log "
        "in again.");
    return {command, [] { return run_ports(); }};
}

}  // namespace tvk::host
