// Plot output to a plotter behind a serial-to-network adapter or a print
// server's raw port: "tcp:HOST:PORT". The adapter owns the line settings; the
// send buffer is kept small, so that the write deadline measures the
// plotter's progress, not the memory of this machine.
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/host_error.h"
#include "host/ports/line_port.h"
#include "host/ui/interrupt.h"

namespace tvk::host {
namespace {

constexpr const char* kPrefix = "tcp:";
constexpr int kConnectMs = 10000;
constexpr int kSendBuffer = 16384;

class NetworkOutput : public LinePort {
  public:
    NetworkOutput(int fd, const std::string& address) : LinePort(fd, address) {}

  protected:
    ssize_t put(const uint8_t* bytes, size_t count) override {
        return send(fd_, bytes, count, MSG_NOSIGNAL);
    }
    bool is_socket() const override { return true; }
};

// Waits for a non-blocking connect; an errno value, 0 when connected.
int wait_connected(int fd) {
    const auto start = std::chrono::steady_clock::now();
    while (elapsed_ms(start) < kConnectMs) {
        if (interrupt_requested()) return EINTR;
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, 100) > 0) {
            int error = 0;
            socklen_t length = sizeof error;
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
            return error;
        }
    }
    return ETIMEDOUT;
}

}  // namespace

bool is_network_address(const std::string& port) {
    return port.rfind(kPrefix, 0) == 0;
}

std::unique_ptr<PortOutput> open_network_output(const std::string& address) {
    std::string rest = address.substr(std::strlen(kPrefix));
    const size_t colon = rest.rfind(':');
    std::string host = colon == std::string::npos ? "" : rest.substr(0, colon);
    const std::string service = colon == std::string::npos ? "" : rest.substr(colon + 1);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    if (host.empty() || service.empty()) {
        throw HostError("the network port " + address +
                        " is not tcp:HOST:PORT (such as tcp:192.168.1.20:9100)");
    }
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
        throw HostError("cannot find the plotter's adapter " + address + ": " + gai_strerror(rc));
    }
    int error = ECONNREFUSED;
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const int fd =
            socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            error = errno;
            continue;
        }
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kSendBuffer, sizeof kSendBuffer);
        error = connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
        if (error == EINPROGRESS) error = wait_connected(fd);
        if (error == 0) {
            freeaddrinfo(found);
            return std::make_unique<NetworkOutput>(fd, address);
        }
        close(fd);
        if (error == EINTR) break;
    }
    freeaddrinfo(found);
    throw HostError("cannot connect to the plotter's adapter " + address + ": " +
                    (error == EINTR ? std::string("stopped") : std::strerror(error)));
}

}  // namespace tvk::host
