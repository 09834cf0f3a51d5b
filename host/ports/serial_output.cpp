// Plot output to a serial port, set up with termios from the profile's line
// settings: raw bytes, its speed, data bits, parity and stop bits, and the
// plotter's flow control (XON/XOFF both ways, or RTS/CTS).
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "host/host_error.h"
#include "host/ports/line_port.h"

namespace tvk::host {
namespace {

struct Speed {
    int baud;
    speed_t code;
};

constexpr Speed kSpeeds[] = {{300, B300},     {600, B600},       {1200, B1200},
                             {1800, B1800},   {2400, B2400},     {4800, B4800},
                             {9600, B9600},   {19200, B19200},   {38400, B38400},
                             {57600, B57600}, {115200, B115200}, {230400, B230400}};

std::string why_not_opened(const std::string& device, int error) {
    std::string why = "cannot open the serial port " + device + ": " + std::strerror(error);
    if (error == EACCES) {
        why +=
            "\n  serial ports belong to the group dialout: `sudo usermod -aG dialout $USER`, "
            "then log in again";
    } else if (error == ENOENT) {
        why += "\n  `tvkplot ports` lists this machine's serial ports";
    } else if (error == EBUSY) {
        why += "\n  another program has it open";
    }
    return why;
}

// The slave side of a pseudo-terminal (Unix 98 numbering).
bool is_pseudo_terminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

class SerialOutput : public LinePort {
  public:
    SerialOutput(int fd, const std::string& device) : LinePort(fd, device) {
        pseudo_terminal_ = is_pseudo_terminal(fd);
    }

  protected:
    bool drop_queue() override { return tcflush(fd_, TCOFLUSH) == 0; }
    bool can_drop_queue() const override { return true; }
};

void set_line(int fd, const std::string& device, const SerialSettings& s) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        throw HostError("cannot set up the serial port " + device + ": " + std::strerror(errno));
    }
    speed_t speed = 0;
    for (const Speed& known : kSpeeds) {
        if (known.baud == s.baud) speed = known.code;
    }
    if (speed == 0) {
        throw HostError("the serial port " + device + " cannot run at " + std::to_string(s.baud) +
                        " baud: give the profile a rate such as 9600 or 19200");
    }
    cfmakeraw(&t);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= (s.data_bits == 7 ? CS7 : CS8) | CLOCAL | CREAD;
    if (s.parity == 1) t.c_cflag |= PARENB | PARODD;
    if (s.parity == 2) t.c_cflag |= PARENB;
    if (s.stop_bits == 2) t.c_cflag |= CSTOPB;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    if (s.handshake == 0) {
        t.c_iflag |= IXON | IXOFF;
    } else {
        t.c_cflag |= CRTSCTS;
    }
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        throw HostError("cannot set up the serial port " + device + ": " + std::strerror(errno));
    }
    // Whatever an earlier program left in the queues is not this plot's.
    tcflush(fd, TCIOFLUSH);
}

}  // namespace

std::unique_ptr<PortOutput> open_serial_output(const std::string& device,
                                               const SerialSettings& settings) {
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw HostError(why_not_opened(device, errno));
    auto port = std::make_unique<SerialOutput>(fd, device);
    if (isatty(fd) != 1) {
        throw HostError(device +
                        " is not a serial port: give the plotter's port (such as /dev/ttyUSB0; "
                        "`tvkplot ports` lists them); a port without line settings needs a "
                        "profile configured for one (answer 2 at the port question), and a file "
                        "is written with -o");
    }
    set_line(fd, device, settings);
    return port;
}

}  // namespace tvk::host
