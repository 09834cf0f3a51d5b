#include "host/ports/line_port.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>

#include "host/ui/interrupt.h"

namespace tvk::host {
namespace {

constexpr int kSliceMs = 100;           // how often a waiting write looks for Ctrl-C
constexpr int kClosingBudgetMs = 1000;  // for the pen-up commands after a stop
constexpr int kHandOverMs = 120000;     // what is left of them may take this long
constexpr uint8_t kXon = 0x11;
constexpr uint8_t kXoff = 0x13;
// What a pseudo-terminal lets a writer put in before the program at its
// other end reads: some 20 KB on Linux (its buffers and the reader's line),
// with room to spare.
constexpr size_t kPseudoTerminalHold = 32 * 1024;

std::string seconds_text(int ms) {
    char text[32];
    std::snprintf(text, sizeof text, ms % 1000 == 0 ? "%.0f s" : "%.1f s", ms / 1000.0);
    return text;
}

}  // namespace

LinePort::~LinePort() {
    if (guarded_) guard_port(-1, false, false, "");
    if (fd_ >= 0) close(fd_);
}

size_t LinePort::may_still_hold() const {
    return pseudo_terminal_ ? std::min(written_, kPseudoTerminalHold) : 0;
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
    unsigned continued = continued_count();
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
                written_ += static_cast<size_t>(n);
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
        // The time the program stood stopped is not the plotter's.
        if (continued_count() != continued) {
            continued = continued_count();
            progress = std::chrono::steady_clock::now();
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
    unsigned continued = continued_count();
    long last = queued();
    while (last > 0 || gone()) {
        if (gone()) return false;
        if (heed_stop && interrupt_requested()) {
            failure_ = "stopped";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const long now = queued();
        if (now < last || continued_count() != continued) {
            continued = continued_count();
            progress = std::chrono::steady_clock::now();
        }
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

void LinePort::guard(const std::string& closing) {
    guard_port(fd_, can_drop_queue(), is_socket(), closing);
    guarded_ = true;
}

// What the plotter has not taken yet goes on without us: a child keeps the
// port open, writes the rest of `bytes` as the plotter takes them and waits
// for the queue to empty (closing the port ourselves would wait for it, or
// drop it), while the program ends at once.
void LinePort::hand_over(const uint8_t* bytes, size_t count) {
    const pid_t child = fork();
    if (child != 0) return;
    // Only what is safe after fork in a program with threads.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGTSTP}) sigaction(s, &ignore, nullptr);
    setsid();
    for (int i = 0; i < kHandOverMs / 50; ++i) {
        if (count > 0) {
            pollfd p{fd_, POLLOUT, 0};
            if (poll(&p, 1, 50) > 0) {
                const ssize_t n = is_socket() ? send(fd_, bytes, count, MSG_NOSIGNAL)
                                              : ::write(fd_, bytes, count);
                if (n < 0 && errno != EAGAIN && errno != EINTR) break;
                if (n > 0) {
                    bytes += n;
                    count -= static_cast<size_t>(n);
                }
            }
            continue;
        }
        int queued = 0;
        if (ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) break;
        poll(nullptr, 0, 50);
    }
    _exit(0);
}

std::string LinePort::abandon(const std::string& closing) {
    if (guarded_) guard_port(-1, false, false, "");
    guarded_ = false;
    const bool dropped = drop_queue();
    if (closing.empty()) return {};
    if (dead_) return "nothing more could be sent to it";
    // However many more stop requests come: at most a second in all.
    const auto start = std::chrono::steady_clock::now();
    size_t done = 0;
    const auto* bytes = reinterpret_cast<const uint8_t*>(closing.data());
    if (write_all(bytes, closing.size(), done, kClosingBudgetMs, false) != Written::kAll) {
        if (failure_.find("took nothing") == std::string::npos)
            return "the commands that lift its pen could not be sent (" + failure_ + ")";
        hand_over(bytes + done, closing.size() - done);
        return "what was still queued was dropped; the plotter is holding the line, and the "
               "commands that lift its pen and put it away go as soon as it takes bytes again";
    }
    if (!dropped) {
        // Behind what was already on its way (a network queue cannot be
        // dropped): the connection delivers it after we are gone.
        return "the commands that lift its pen and put it away follow what was already on its "
               "way";
    }
    while (queued() > 0 && elapsed_ms(start) < kClosingBudgetMs && !gone()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (queued() > 0 || dead_) {
        if (dead_) return "the commands that lift its pen could not be sent (" + failure_ + ")";
        hand_over(bytes, 0);
        return "what was still queued was dropped; the commands that lift its pen and put it "
               "away wait in the port's queue and go as soon as the plotter takes bytes again";
    }
    return "what was still queued was dropped, and its pen was lifted and put away";
}

}  // namespace tvk::host
