// A PAPPL device as the plotter's output of a plot: the bytes go to the
// device (straight to the host program's port where the device is one), a
// job cancelled stops the plot as Ctrl-C does in tvkplot, and a plot that
// breaks off leaves the plotter with its pen up.
#pragma once

#include <pappl/pappl.h>

#include <cstdint>
#include <functional>

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
    size_t still_queued() const override { return line_ != nullptr ? line_->still_queued() : 0; }
    // A serial line, whose queue a server that ends may not get out (a
    // network connection's the system still delivers).
    bool queue_may_be_lost() const { return uri_.rfind("serial:", 0) == 0; }

    // Told the bytes that have gone to the device so far, and their hash
    // (stream_hash), after every write that sent some.
    std::function<void(size_t bytes, uint64_t hash)> on_written;
    // Starts the count and the hash again (a new page's plot).
    void restart_count();

  private:
    pappl_job_t* job_;
    pappl_device_t* device_;
    std::string uri_;
    bool on_line_;            // a plotter on a line: it gets the handshake strings
    host::PortOutput* line_;  // the host program's port behind the device, if it is one
    std::string failure_;
    size_t written_ = 0;
    uint64_t hash_;
    void add_written(const uint8_t* bytes, size_t done);
};

}  // namespace tvk::printer
