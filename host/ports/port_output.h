// Where the plotter's bytes go: a file, standard output or a serial port.
// A file is written as OUT.part and renamed only when the plot succeeded, so
// that a failed or interrupted plot never leaves a file that looks complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace tvk::host {

struct SerialSettings {
    int baud = 9600;
    int data_bits = 8;
    int parity = 0;  // 0 none, 1 odd, 2 even
    int stop_bits = 1;
    int handshake = 0;  // 0 XON/XOFF, 1 hardware (RTS/CTS)
};

class PortOutput {
  public:
    virtual ~PortOutput() = default;
    // False when the bytes could not be written.
    virtual bool write(const uint8_t* bytes, size_t count) = 0;
    // The plotter's answer to a query, up to a carriage return or max bytes,
    // waiting at most timeout_ms; empty where nothing can answer.
    virtual std::string read_reply(size_t /*max*/, int /*timeout_ms*/) { return {}; }
    virtual bool is_serial() const { return false; }
    // Puts the output in place; false, with errno telling why, when that failed.
    virtual bool finish() = 0;
    // Drops what was written where that is possible (a file).
    virtual void discard() {}
    // Names the output in messages.
    virtual std::string name() const = 0;
};

// Throw HostError naming the file or device when it cannot be opened.
std::unique_ptr<PortOutput> open_file_output(const std::string& path);
std::unique_ptr<PortOutput> open_stdout_output();
// A device written as it stands (a parallel port): no line settings.
std::unique_ptr<PortOutput> open_device_output(const std::string& device);
std::unique_ptr<PortOutput> open_serial_output(const std::string& device,
                                               const SerialSettings& settings);

}  // namespace tvk::host
