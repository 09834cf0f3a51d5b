// Where the plotter's bytes go: a file, standard output, a device written as
// it stands, a serial port or a network connection to a plotter.
// A file is written as OUT.part and renamed only when the plot succeeded, so
// that a failed or interrupted plot never leaves a file that looks complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
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

// What became of a write.
enum class Written {
    kAll,      // every byte went
    kStopped,  // Ctrl-C came first; the rest was not written
    kFailed,   // the port refused the bytes; failure() says why
};

class PortOutput {
  public:
    virtual ~PortOutput() = default;
    // Writes the bytes; `done` counts those that went. A write that makes no
    // progress for deadline_ms (0: no limit) fails.
    virtual Written write(const uint8_t* bytes, size_t count, size_t& done, int deadline_ms) = 0;
    // The plotter's answer to a query, up to a carriage return or max bytes,
    // waiting at most timeout_ms for the whole of it; empty where nothing
    // answers in that time.
    virtual std::string read_reply(size_t /*max*/, int /*timeout_ms*/) { return {}; }
    // A plotter on a line (serial, or behind a network adapter): it gets the
    // handshake strings and can be asked for its paper size.
    virtual bool is_serial() const { return false; }
    // Puts the output in place (a file renamed, a port drained: every byte
    // has left); false when that failed or Ctrl-C came first, failure()
    // telling why. deadline_ms as for write().
    virtual bool finish(int deadline_ms) = 0;
    // After a stop or a failure: drops what is still queued (a file is
    // removed) and sends `closing` (pen up, pen away) where a plotter listens.
    // Says what the plotter was left with, for the user; empty for a file.
    virtual std::string abandon(const std::string& /*closing*/) {
        discard();
        return {};
    }
    // The pen-up commands that leave the plotter safe should the program
    // have to end at once (see guard_port); a file needs none.
    virtual void guard(const std::string& /*closing*/) {}
    // The plotter's buffer, where it told its size; 0 where unknown.
    virtual size_t plotter_buffer() const { return 0; }
    // Bytes written but not yet gone from this machine; 0 where unknown.
    virtual size_t still_queued() const { return 0; }
    // Bytes that may not have reached the other end though this machine's
    // queue is empty, at most: a pseudo-terminal's queue reads as empty as
    // soon as bytes are written, whatever the program at its other end has
    // read of them. 0 where the queue tells.
    virtual size_t may_still_hold() const { return 0; }
    // Told what the plotter does that the user should know (it waits with
    // its paper lever raised; it goes on).
    std::function<void(const std::string&)> notice;
    // Why the last write or finish failed.
    virtual std::string failure() const { return "unknown error"; }
    // Names the output in messages.
    virtual std::string name() const = 0;

  protected:
    virtual void discard() {}
};

// Throw HostError naming the file or device when it cannot be opened.
// An existing device (anything but a regular file) is written as it stands.
std::unique_ptr<PortOutput> open_file_output(const std::string& path);
std::unique_ptr<PortOutput> open_stdout_output();
// A device written as it stands (a parallel port): no line settings.
std::unique_ptr<PortOutput> open_device_output(const std::string& device);
std::unique_ptr<PortOutput> open_serial_output(const std::string& device,
                                               const SerialSettings& settings);
// "tcp:HOST:PORT": a plotter behind a serial-to-network adapter or a print
// server's raw port.
std::unique_ptr<PortOutput> open_network_output(const std::string& address);
bool is_network_address(const std::string& port);

// The plotter's port: a network address, else a serial device, else (for a
// profile of a port without line settings, port_kind 2) a device as it stands.
std::unique_ptr<PortOutput> open_plotter_port(const std::string& port, int port_kind,
                                              const SerialSettings& settings);

// A plotter that answers its buffer queries, paced by them (see
// status_paced_port.cpp); where it does not tell its buffer size, the port as
// it was, and `note` says so.
std::unique_ptr<PortOutput> paced_by_status(std::unique_ptr<PortOutput> port, std::string& note);

// The strings that set a plotter's serial handshake, as a plot on a serial
// port begins: XON/XOFF (0), or hardware (1).
std::string handshake_strings(int handshake);

// What leaves a plotter of the language (0 VTX-GL, 1 TK-GL1, 2 TK-GL2, 3
// TK-GL3) with its pen up and put away after a plot broke off, whatever
// command it was in: the lift and the pen-away of the driver's closing.
std::string stop_commands(int language_index);

// After a plot to a plotter's port stopped (Ctrl-C) or failed: drops what is
// still queued, lifts and puts away the pen, and says so with what went to
// the port before ("plot stopped; 1234 bytes of the plot went to ...").
std::string break_off(PortOutput& port, bool stopped, bool port_failed, size_t bytes_sent,
                      int language_index);

}  // namespace tvk::host
