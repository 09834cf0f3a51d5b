// A device written as it stands: a parallel or USB printer port, a pipe, or
// a device given to -o. No line settings; the write deadline and Ctrl-C as
// on a serial port.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/host_error.h"
#include "host/ports/line_port.h"

namespace tvk::host {
namespace {

class DeviceOutput : public LinePort {
  public:
    using LinePort::LinePort;
    bool is_serial() const override { return false; }

  protected:
    long queued() const override { return 0; }
};

}  // namespace

std::unique_ptr<PortOutput> open_device_output(const std::string& device) {
    // A port that is not there is not made: a mistyped device would quietly
    // become a file. Opened blocking (a pipe waits for its reader), then
    // written without blocking.
    const int fd = open(device.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw HostError("cannot open the port " + device + ": " + std::strerror(errno));
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return std::make_unique<DeviceOutput>(fd, device);
}

}  // namespace tvk::host
