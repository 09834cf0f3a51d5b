#include "host/ports/line_port.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "host/ui/interrupt.h"

namespace tvk::host {
namespace {

constexpr int kSliceMs = 100;             // how often a waiting write looks for Ctrl-C
constexpr int kClosingDeadlineMs = 2000;  // for the pen-up commands after a stop
constexpr uint8_t kXon = 0x11;
constexpr uint8_t kXoff = 0x13;

std::string seconds_text(int ms) {
    char text[32];
    std::snprintf(text, sizeof text, ms % 1000 == 0 ? "%.0f s" : "%.1f s", ms / 1000.0);
    return text;
}

}  // namespace

LinePort::~LinePort() {
    if (fd_ >= 0) close(fd_);
}

long LinePort::queued() const {
    int count = 0;
    return ioctl(fd_, TIOCOUTQ, &count) == 0 ? count : -1;
}

ssize_t LinePort::put(const uint8_t* bytes, size_t count) {
    return ::write(fd_, bytes, count);
}

void LinePort::stalled(int deadline_ms) {
    dead_ = true;
    failure_ = "the plotter on " + name_ + " took nothing for " + seconds_text(deadline_ms) +
               " (switched off, out of paper, or holding the line); --wait SECONDS gives it longer";
}

Written LinePort::write_all(const uint8_t* bytes, size_t count, size_t& done, int deadline_ms,
                            bool heed_stop) {
    done = 0;
    if (dead_) return Written::kFailed;
    auto progress = std::chrono::steady_clock::now();
    while (done < count) {
        if (heed_stop && interrupt_requested()) return Written::kStopped;
        pollfd p{fd_, POLLOUT, 0};
        const int ready = poll(&p, 1, kSliceMs);
        if (ready < 0 && errno != EINTR) {
            failure_ = name_ + ": " + std::strerror(errno);
            return Written::kFailed;
        }
        if (ready > 0) {
            const ssize_t n = put(bytes + done, count - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                progress = std::chrono::steady_clock::now();
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                dead_ = true;
                failure_ =
                    "the plotter's port " + name_ + " is gone (" + std::strerror(errno) + ")";
                return Written::kFailed;
            }
            // Ready but taking nothing: do not spin.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (deadline_ms > 0 && elapsed_ms(progress) >= deadline_ms) {
            stalled(deadline_ms);
            return Written::kFailed;
        }
    }
    return Written::kAll;
}

Written LinePort::write(const uint8_t* bytes, size_t count, size_t& done, int deadline_ms) {
    return write_all(bytes, count, done, deadline_ms, true);
}

std::string LinePort::read_reply(size_t max, int timeout_ms) {
    std::string reply;
    const auto start = std::chrono::steady_clock::now();
    while (reply.size() < max && !interrupt_requested()) {
        const long left = timeout_ms - elapsed_ms(start);
        if (left <= 0) break;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(std::min<long>(left, kSliceMs))) <= 0) continue;
        uint8_t c = 0;
        const ssize_t n = read(fd_, &c, 1);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break;
        // The plotter's flow control is not part of its answer.
        if (n != 1 || c == kXon || c == kXoff) continue;
        reply.push_back(static_cast<char>(c));
        if (c == '\r') return reply;
    }
    // A reply that its carriage return has not ended in time is no reply:
    // cut off, it would read as a paper the plotter does not have.
    return reply.size() < max ? std::string() : reply;
}

bool LinePort::finish(int deadline_ms) {
    return drain(deadline_ms, true);
}

bool LinePort::drain(int deadline_ms, bool heed_stop) {
    // Every byte has left this machine, or the plotter stopped taking them.
    auto progress = std::chrono::steady_clock::now();
    long last = queued();
    while (last > 0 || gone()) {
        if (gone()) return false;
        if (heed_stop && interrupt_requested()) {
            failure_ = "stopped";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const long now = queued();
        if (now < last) progress = std::chrono::steady_clock::now();
        last = now;
        if (deadline_ms > 0 && last > 0 && elapsed_ms(progress) >= deadline_ms) {
            stalled(deadline_ms);
            return false;
        }
    }
    return true;
}

bool LinePort::gone() {
    pollfd p{fd_, 0, 0};
    if (poll(&p, 1, 0) != 1 || (p.revents & (POLLHUP | POLLERR)) == 0) return false;
    dead_ = true;
    failure_ = "the plotter's port " + name_ + " is gone (hung up)";
    return true;
}

std::string LinePort::abandon(const std::string& closing) {
    const bool dropped = drop_queue();
    if (closing.empty()) return {};
    if (dead_) return "nothing more could be sent to it";
    size_t done = 0;
    const auto* bytes = reinterpret_cast<const uint8_t*>(closing.data());
    const bool written =
        write_all(bytes, closing.size(), done, kClosingDeadlineMs, false) == Written::kAll;
    if (written && !dropped) {
        // Behind what was already on its way (a network queue cannot be
        // dropped): the connection delivers it after we are gone.
        return "the commands that lift its pen and put it away follow what was already on its "
               "way";
    }
    if (!written || !drain(kClosingDeadlineMs, false)) {
        // Not left queued either: closing the port would wait for it.
        drop_queue();
        return "the commands that lift its pen could not be sent (" + failure_ + ")";
    }
    return "what was still queued was dropped, and its pen was lifted and put away";
}

}  // namespace tvk::host
