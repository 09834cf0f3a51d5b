#include "printer/device_schemes.h"

#include <fcntl.h>
#include <libserialport.h>
#include <pappl/pappl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>
#include <sstream>

#include "host/host_error.h"

namespace tvk::printer {
namespace {

struct StreamFile {
    int fd = -1;
};

bool list_none(pappl_device_cb_t, void*, pappl_deverror_cb_t, void*) {
    return false;
}

// file:///path: the file holds the stream of the last job sent to it.
bool open_stream_file(pappl_device_t* device, const char* device_uri, const char* /*name*/) {
    char scheme[32], userpass[256], host[256], resource[1024];
    int port = 0;
    if (httpSeparateURI(HTTP_URI_CODING_ALL, device_uri, scheme, sizeof scheme, userpass,
                        sizeof userpass, host, sizeof host, &port, resource,
                        sizeof resource) < HTTP_URI_STATUS_OK ||
        resource[0] != '/') {
        papplDeviceError(device, "Bad file URI \"%s\".", device_uri);
        return false;
    }
    auto* file = new StreamFile;
    file->fd = open(resource, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file->fd < 0) {
        papplDeviceError(device, "Unable to open \"%s\": %s", resource, std::strerror(errno));
        delete file;
        return false;
    }
    papplDeviceSetData(device, file);
    return true;
}

void close_stream_file(pappl_device_t* device) {
    auto* file = static_cast<StreamFile*>(papplDeviceGetData(device));
    if (file == nullptr) return;
    close(file->fd);
    delete file;
    papplDeviceSetData(device, nullptr);
}

ssize_t read_nothing(pappl_device_t*, void*, size_t) {
    return 0;
}

ssize_t write_stream_file(pappl_device_t* device, const void* buffer, size_t bytes) {
    auto* file = static_cast<StreamFile*>(papplDeviceGetData(device));
    const auto* at = static_cast<const char*>(buffer);
    size_t left = bytes;
    while (left > 0) {
        const ssize_t n = ::write(file->fd, at, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            papplDeviceError(device, "Unable to write: %s", std::strerror(errno));
            return -1;
        }
        at += n;
        left -= static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(bytes);
}

pappl_preason_t status_none(pappl_device_t*) {
    return PAPPL_PREASON_NONE;
}

// A plotter on a line: the host program's port.
struct PlotterLine {
    std::unique_ptr<host::PortOutput> port;
};

constexpr int kDeadlineMs = 120'000;  // as tvkplot waits for a plotter that takes nothing

bool open_line(pappl_device_t* device, const char* device_uri, const char* /*name*/) {
    const std::string uri = device_uri;
    try {
        auto line = std::make_unique<PlotterLine>();
        if (uri.rfind("socket://", 0) == 0) {
            std::string address = uri.substr(9);
            address = address.substr(0, address.find_first_of("/?"));
            if (address.find(':') == std::string::npos) address += ":9100";
            line->port = host::open_network_output("tcp:" + address);
        } else {
            std::string path;
            const host::SerialSettings settings = serial_settings(uri, path);
            line->port = host::open_serial_output(path, settings);
        }
        papplDeviceSetData(device, line.release());
        return true;
    } catch (const std::exception& e) {
        papplDeviceError(device, "%s", e.what());
        return false;
    }
}

void close_line(pappl_device_t* device) {
    delete static_cast<PlotterLine*>(papplDeviceGetData(device));
    papplDeviceSetData(device, nullptr);
}

ssize_t read_line(pappl_device_t* device, void* buffer, size_t bytes) {
    auto* line = static_cast<PlotterLine*>(papplDeviceGetData(device));
    const std::string reply = line->port->read_reply(bytes, 3000);
    std::memcpy(buffer, reply.data(), reply.size());
    return static_cast<ssize_t>(reply.size());
}

ssize_t write_line(pappl_device_t* device, const void* buffer, size_t bytes) {
    auto* line = static_cast<PlotterLine*>(papplDeviceGetData(device));
    size_t done = 0;
    if (line->port->write(static_cast<const uint8_t*>(buffer), bytes, done, kDeadlineMs) !=
        host::Written::kAll) {
        papplDeviceError(device, "%s", line->port->failure().c_str());
        return -1;
    }
    return static_cast<ssize_t>(done);
}

// The serial ports of this machine, as `tvkplot ports` lists them.
bool list_serial(pappl_device_cb_t cb, void* data, pappl_deverror_cb_t, void*) {
    sp_port** ports = nullptr;
    if (sp_list_ports(&ports) != SP_OK) return false;
    bool stop = false;
    for (int i = 0; ports[i] != nullptr && !stop; ++i) {
        const char* name = sp_get_port_name(ports[i]);
        const char* maker = sp_get_port_usb_manufacturer(ports[i]);
        const char* product = sp_get_port_usb_product(ports[i]);
        std::string info = std::string("Plotter on ") + name;
        if (maker != nullptr || product != nullptr) {
            info += std::string(" (") + (maker ? maker : "") + (maker && product ? " " : "") +
                    (product ? product : "") + ")";
        }
        stop = cb(info.c_str(), (std::string("serial:") + name).c_str(), "", data);
    }
    sp_free_port_list(ports);
    return stop;
}

}  // namespace

host::SerialSettings serial_settings(const std::string& uri, std::string& device) {
    host::SerialSettings settings;
    std::string rest = uri.substr(uri.find(':') + 1);
    while (rest.rfind("//", 0) == 0) rest.erase(0, 1);
    const size_t question = rest.find('?');
    device = rest.substr(0, question);
    if (question == std::string::npos) return settings;
    std::string options = rest.substr(question + 1);
    for (char& c : options) {
        if (c == '&') c = '+';
    }
    std::istringstream in(options);
    std::string option;
    while (std::getline(in, option, '+')) {
        const size_t eq = option.find('=');
        const std::string key = option.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : option.substr(eq + 1);
        if (key == "baud" && !value.empty() &&
            value.find_first_not_of("0123456789") == std::string::npos && value.size() < 8) {
            settings.baud = std::stoi(value);
        } else if (key == "flow" && (value == "soft" || value == "xonxoff")) {
            settings.handshake = 0;
        } else if (key == "flow" && (value == "hard" || value == "rtscts")) {
            settings.handshake = 1;
        } else if (key == "bits" && (value == "7" || value == "8")) {
            settings.data_bits = value[0] - '0';
        } else if (key == "parity" && (value == "none" || value == "odd" || value == "even")) {
            settings.parity = value == "none" ? 0 : value == "odd" ? 1 : 2;
        } else if (key == "stop" && (value == "1" || value == "2")) {
            settings.stop_bits = value[0] - '0';
        } else {
            throw host::HostError("the serial device URI " + uri + " has an option \"" + option +
                                  "\" it does not know (baud=N, flow=soft|hard, bits=7|8, "
                                  "parity=none|odd|even, stop=1|2)");
        }
    }
    return settings;
}

host::PortOutput* plotter_port(pappl_device_t* device, const std::string& uri) {
    if (uri.rfind("socket://", 0) != 0 && uri.rfind("serial:", 0) != 0) return nullptr;
    auto* line = static_cast<PlotterLine*>(papplDeviceGetData(device));
    return line != nullptr ? line->port.get() : nullptr;
}

}  // namespace tvk::printer

// PAPPL adds its own schemes only where none were added before it, so ours
// would leave out its USB; its function for that is exported, not declared.
extern "C" void _papplDeviceAddUSBScheme(void);

namespace tvk::printer {

void add_device_schemes() {
    papplDeviceAddScheme("file", PAPPL_DEVTYPE_FILE, list_none, open_stream_file, close_stream_file,
                         read_nothing, write_stream_file, status_none, nullptr);
    // PAPPL's own socket scheme gives way to the host program's network port.
    papplDeviceAddScheme("socket", PAPPL_DEVTYPE_SOCKET, nullptr, open_line, close_line, read_line,
                         write_line, status_none, nullptr);
    papplDeviceAddScheme("serial", PAPPL_DEVTYPE_CUSTOM_LOCAL, list_serial, open_line, close_line,
                         read_line, write_line, status_none, nullptr);
    // A plotter on USB, as PAPPL reaches it (usb://MAKE/MODEL?serial=N).
    _papplDeviceAddUSBScheme();
}

}  // namespace tvk::printer
