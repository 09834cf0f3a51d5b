// A PAPPL device as the plotter's output of a plot: the bytes go to the
// device (straight to the host program's port where the device is one), a
// job cancelled stops the plot as Ctrl-C does in tvkplot, and a plot that
// breaks off leaves the plotter with its pen up.
#pragma once

#include <pappl/pappl.h>

#include "host/ports/port_output.h"

namespace tvk::printer {

class DeviceOutput final : public host::PortOutput {
  public:
    DeviceOutput(pappl_job_t* job, pappl_device_t* device, std::string uri);

    host::Written write(const uint8_t* bytes, size_t count, size_t& done, int deadline_ms) override;
    std::string read_reply(size_t max, int timeout_ms) override;
    bool is_serial() const override { return on_line_; }
    bool finish(int deadline_ms) override;
    std::string abandon(const std::string& closing) override;
    std::string failure() const override {
        return line_ != nullptr && failure_.empty() ? line_->failure() : failure_;
    }
    std::string name() const override { return uri_; }

  private:
    pappl_job_t* job_;
    pappl_device_t* device_;
    std::string uri_;
    bool on_line_;            // a plotter on a line: it gets the handshake strings
    host::PortOutput* line_;  // the host program's port behind the device, if it is one
    std::string failure_;
};

}  // namespace tvk::printer
