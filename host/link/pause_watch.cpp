#include "host/link/pause_watch.h"

#include <termios.h>
#include <unistd.h>

#include "host/ui/interrupt.h"

namespace tvk::host {
namespace {

// Longer than the driver ever takes between a text and its next request to
// the host, short enough to be at once for the user.
constexpr auto kSilence = std::chrono::milliseconds(300);
constexpr auto kPoll = std::chrono::milliseconds(50);
constexpr auto kFlushEvery = std::chrono::milliseconds(100);

PauseWatch* active = nullptr;

}  // namespace

PauseWatch::PauseWatch(HostSession& session)
    : session_(session), console_(isatty(STDIN_FILENO) == 1), thread_([this] { run(); }) {}

PauseWatch::~PauseWatch() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void PauseWatch::enter() {
    // Keys typed before the driver's pause do not end it. A program in the
    // background leaves the terminal alone (it would be stopped), and calls
    // that follow one another closely, as in a plot, flush it once.
    const auto now = std::chrono::steady_clock::now();
    if (console_ && !keys_watched() && now - flushed_at_ > kFlushEvery &&
        tcgetpgrp(STDIN_FILENO) == getpgrp()) {
        tcflush(STDIN_FILENO, TCIFLUSH);
        flushed_at_ = now;
    }
    const std::lock_guard lock(mutex_);
    in_driver_ = true;
    after_print_ = false;
}

void PauseWatch::leave() {
    const std::lock_guard lock(mutex_);
    in_driver_ = false;
    after_print_ = false;
    if (pausing_) {
        pausing_ = false;
        set_driver_pausing(false);
    }
}

void PauseWatch::service_called() {
    const std::lock_guard lock(mutex_);
    after_print_ = false;
}

void PauseWatch::driver_printed() {
    const std::lock_guard lock(mutex_);
    after_print_ = true;
    printed_at_ = std::chrono::steady_clock::now();
}

void PauseWatch::run() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        wake_.wait_for(lock, kPoll);
        if (!in_driver_ || !after_print_ || pausing_ ||
            std::chrono::steady_clock::now() - printed_at_ < kSilence) {
            continue;
        }
        // The thread that called the driver waits in it, and cannot reach
        // the terminal while the lock is held.
        pausing_ = true;
        set_driver_pausing(true);
        Terminal& t = session_.terminal;
        t.release();
        if (console_) t.print("Press Enter to continue.\n");
    }
}

PauseWatch* pause_watch() {
    return active;
}

void set_pause_watch(PauseWatch* watch) {
    active = watch;
}

}  // namespace tvk::host
