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
    if (console_ && !keys_watched()) {
        const auto now = std::chrono::steady_clock::now();
        if (now - flushed_at_ > kFlushEvery && tcgetpgrp(STDIN_FILENO) == getpgrp()) {
            tcflush(STDIN_FILENO, TCIFLUSH);
            flushed_at_ = now;
        }
    }
    after_print_ = false;
    in_driver_ = true;
}

void PauseWatch::leave() {
    in_driver_ = false;
    after_print_ = false;
    // The watch sets pausing_ before it looks at in_driver_ again, and this
    // thread clears in_driver_ before it looks at pausing_: of a pause
    // claimed as the call ends, one of the two learns.
    if (!pausing_) return;
    const std::lock_guard lock(mutex_);
    if (pausing_) {
        pausing_ = false;
        set_driver_pausing(false);
    }
}

void PauseWatch::wait_for_watch() {
    if (pausing_) {
        const std::lock_guard lock(mutex_);  // the watch holds it until its texts are shown
    }
}

void PauseWatch::service_called() {
    after_print_ = false;
    wait_for_watch();
}

void PauseWatch::driver_printed() {
    printed_at_ = std::chrono::steady_clock::now().time_since_epoch().count();
    after_print_ = true;
    wait_for_watch();
}

void PauseWatch::run() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(mutex_);
    while (!stop_) {
        wake_.wait_for(lock, kPoll);
        if (!in_driver_ || !after_print_ || pausing_ ||
            Clock::now() - Clock::time_point(Clock::duration(printed_at_)) < kSilence) {
            continue;
        }
        // Claimed, then looked at again: the call may have ended, or the
        // driver called the host, meanwhile.
        pausing_ = true;
        if (!in_driver_ || !after_print_) {
            pausing_ = false;
            continue;
        }
        // The thread that called the driver waits in it, and cannot reach
        // the terminal while the lock is held.
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
