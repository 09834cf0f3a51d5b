// The driver's timed pause as the user sees it. After a failure (or a notice)
// the driver shows its message and waits some seconds, ended early by a key
// waiting on the console, without calling the host in between. A driver call
// that has stayed silent for a while after a text is that pause: the texts
// held back until then are shown, a terminal is told that Enter continues
// (the driver's key test sees a line once Enter is pressed), and Ctrl-C ends
// the program at once.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "host/link/host_services.h"

namespace tvk::host {

class PauseWatch {
  public:
    explicit PauseWatch(HostSession& session);
    ~PauseWatch();
    PauseWatch(const PauseWatch&) = delete;
    PauseWatch& operator=(const PauseWatch&) = delete;

    // Around each call of a driver entry.
    void enter();
    void leave();

    // Told by the host services, from the thread that calls the driver: a
    // service was called; the driver's text was shown. Each waits while the
    // watch shows its own texts, so that the terminal has one writer at a time.
    void service_called();
    void driver_printed();

  private:
    void run();

    // Waits while the watch shows its texts, where it has begun to.
    void wait_for_watch();

    HostSession& session_;
    const bool console_;  // standard input is a terminal: keys reach the driver
    // Held by the watch while it looks and while it shows its texts. A plot
    // calls the driver millions of times: the driver's thread only sets the
    // flags, and takes the lock only where the watch has claimed a pause.
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::atomic<bool> in_driver_{false};
    std::atomic<bool> after_print_{false};  // the driver's last service call was a text
    std::atomic<bool> pausing_{false};
    std::atomic<std::chrono::steady_clock::rep> printed_at_{0};
    std::chrono::steady_clock::time_point flushed_at_;  // of the terminal's input
    std::thread thread_;
};

// The watch of the connection in use; null when none.
PauseWatch* pause_watch();
void set_pause_watch(PauseWatch* watch);

}  // namespace tvk::host
