// Plot output to a serial port through libserialport, with the line settings
// of the profile.
#include <libserialport.h>

#include <algorithm>

#include "host/host_error.h"
#include "host/ui/interrupt.h"
#include "host/ports/port_output.h"

namespace tvk::host {
namespace {

constexpr unsigned kWriteSliceMs = 500;  // how often a blocked write looks for Ctrl-C

std::string last_error() {
    char* message = sp_last_error_message();
    std::string text = message ? message : "unknown error";
    sp_free_error_message(message);
    return text;
}

class SerialOutput : public PortOutput {
  public:
    SerialOutput(const std::string& device, const SerialSettings& s) : device_(device) {
        if (sp_get_port_by_name(device.c_str(), &port_) != SP_OK) {
            throw HostError("no serial port " + device +
                            ": give the plotter's port (such as /dev/ttyUSB0 or /dev/ttyS0); a "
                            "port without serial settings needs a profile configured for one "
                            "(answer 2 at the port question), and a file is written with -o");
        }
        if (sp_open(port_, SP_MODE_READ_WRITE) != SP_OK) {
            const std::string why = last_error();
            sp_free_port(port_);
            throw HostError("cannot open " + device + ": " + why);
        }
        const sp_parity parity = s.parity == 1   ? SP_PARITY_ODD
                                 : s.parity == 2 ? SP_PARITY_EVEN
                                                 : SP_PARITY_NONE;
        const sp_flowcontrol flow =
            s.handshake == 0 ? SP_FLOWCONTROL_XONXOFF : SP_FLOWCONTROL_RTSCTS;
        if (sp_set_baudrate(port_, s.baud) != SP_OK || sp_set_bits(port_, s.data_bits) != SP_OK ||
            sp_set_parity(port_, parity) != SP_OK || sp_set_stopbits(port_, s.stop_bits) != SP_OK ||
            sp_set_flowcontrol(port_, flow) != SP_OK) {
            const std::string why = last_error();
            close();
            throw HostError("cannot set up " + device + ": " + why);
        }
    }
    ~SerialOutput() override { close(); }

    bool write(const uint8_t* bytes, size_t count) override {
        // A plotter holds the line while it draws; wait for it in slices so
        // that Ctrl-C is still noticed.
        while (count > 0) {
            if (interrupt_requested()) return false;
            const int sent = sp_blocking_write(port_, bytes, count, kWriteSliceMs);
            if (sent < 0) return false;
            bytes += sent;
            count -= static_cast<size_t>(sent);
        }
        return true;
    }

    std::string read_reply(size_t max, int timeout_ms) override {
        std::string reply;
        char c = 0;
        while (reply.size() < max &&
               sp_blocking_read(port_, &c, 1, static_cast<unsigned>(std::max(timeout_ms, 1))) ==
                   1) {
            reply.push_back(c);
            if (c == '\r') break;
        }
        return reply;
    }

    bool is_serial() const override { return true; }
    bool finish() override { return sp_drain(port_) == SP_OK; }
    std::string name() const override { return device_; }

  private:
    void close() {
        if (port_ == nullptr) return;
        sp_close(port_);
        sp_free_port(port_);
        port_ = nullptr;
    }

    std::string device_;
    sp_port* port_ = nullptr;
};

}  // namespace

std::unique_ptr<PortOutput> open_serial_output(const std::string& device,
                                               const SerialSettings& settings) {
    return std::make_unique<SerialOutput>(device, settings);
}

}  // namespace tvk::host
