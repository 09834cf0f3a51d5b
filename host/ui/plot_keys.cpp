#include "host/ui/plot_keys.h"

#include <poll.h>
#include <unistd.h>

#include "host/ui/interrupt.h"

namespace tvk::host {

PlotKeys::PlotKeys() {
    if (isatty(STDIN_FILENO) != 1 || tcgetpgrp(STDIN_FILENO) != getpgrp()) return;
    if (tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    active_ = true;
    resume();
}

PlotKeys::~PlotKeys() {
    suspend();
}

void PlotKeys::resume() {
    // Continued in the background (`bg`): the terminal is the shell's.
    if (!active_ || set_ || tcgetpgrp(STDIN_FILENO) != getpgrp()) return;
    termios keys = saved_;
    // Echo stays: a key shows where the progress bar is redrawn over it.
    keys.c_lflag &= static_cast<tcflag_t>(~ICANON);
    keys.c_cc[VMIN] = 0;
    keys.c_cc[VTIME] = 0;
    restore_terminal_on_exit(&saved_);
    if (tcsetattr(STDIN_FILENO, TCSANOW, &keys) != 0) {
        restore_terminal_on_exit(nullptr);
        return;
    }
    set_ = true;
    set_keys_watched(true);
}

void PlotKeys::suspend() {
    if (!set_) return;
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    restore_terminal_on_exit(nullptr);
    set_keys_watched(false);
    set_ = false;
}

int PlotKeys::read_key(int timeout_ms) {
    if (!set_) {
        // Nothing to read: only the time passes.
        poll(nullptr, 0, timeout_ms);
        return -1;
    }
    pollfd p{STDIN_FILENO, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) != 1) return -1;
    unsigned char c = 0;
    return read(STDIN_FILENO, &c, 1) == 1 ? c : -1;
}

bool PlotKeys::pause_typed() {
    bool typed = false;
    for (int key; set_ && (key = read_key(0)) >= 0;) {
        if (key == 'p' || key == 'P' || key == ' ') typed = true;
    }
    return typed;
}

}  // namespace tvk::host
