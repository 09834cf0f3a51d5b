// A plotter on the other end of a file descriptor (a serial line or a
// network connection): non-blocking writes in short slices, so that Ctrl-C
// is seen within a fifth of a second, a deadline for a plotter that takes
// nothing, and the stop that leaves the plotter with its pen up.
#pragma once

#include <chrono>
#include <string>

#include "host/ports/port_output.h"

namespace tvk::host {

class LinePort : public PortOutput {
  public:
    LinePort(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
    ~LinePort() override;
    LinePort(const LinePort&) = delete;
    LinePort& operator=(const LinePort&) = delete;

    Written write(const uint8_t* bytes, size_t count, size_t& done, int deadline_ms) override;
    std::string read_reply(size_t max, int timeout_ms) override;
    bool is_serial() const override { return true; }
    bool finish(int deadline_ms) override;
    std::string abandon(const std::string& closing) override;
    std::string failure() const override { return failure_; }
    std::string name() const override { return name_; }
    void guard(const std::string& closing) override;
    size_t still_queued() const override {
        const long q = queued();
        return q > 0 ? static_cast<size_t>(q) : 0;
    }
    size_t may_still_hold() const override;

  protected:
    // Bytes written but not yet gone from this machine (the queue of a
    // terminal or a socket); below 0 when unknown.
    virtual long queued() const;
    // Drops what is still queued for the plotter; false where the port cannot.
    virtual bool drop_queue() { return false; }
    virtual ssize_t put(const uint8_t* bytes, size_t count);
    virtual bool is_socket() const { return false; }
    virtual bool can_drop_queue() const { return false; }

    int fd_;
    bool pseudo_terminal_ = false;  // its queue tells nothing of what was read

  private:
    Written write_all(const uint8_t* bytes, size_t count, size_t& done, int deadline_ms,
                      bool heed_stop);
    bool drain(int deadline_ms, bool heed_stop);
    // The other end hung up or the connection broke: says so in failure().
    bool gone();
    void stalled(int deadline_ms);
    void hand_over(const uint8_t* bytes, size_t count);

    std::string name_;
    std::string failure_;
    bool dead_ = false;  // stalled for good or gone: nothing more can be sent
    size_t written_ = 0;
    bool guarded_ = false;
};

// Milliseconds since `start`.
inline long elapsed_ms(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
}

}  // namespace tvk::host
