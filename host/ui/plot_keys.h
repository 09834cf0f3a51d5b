// The keys of a plot on a terminal: while it lives, the terminal gives each
// key at once (Ctrl-C and Ctrl-Z still signal), so that `p`
// or the space bar pauses the plot without Enter; the terminal is set back
// when it ends, and when the program has to end at once.
#pragma once

#include <termios.h>

namespace tvk::host {

class PlotKeys {
  public:
    // Watches the keys only where standard input is a terminal the program
    // has in the foreground.
    PlotKeys();
    ~PlotKeys();
    PlotKeys(const PlotKeys&) = delete;
    PlotKeys& operator=(const PlotKeys&) = delete;

    bool active() const { return active_; }
    // True when a pause key (p, P or space) was typed since the last look;
    // other keys are dropped.
    bool pause_typed();
    // Waits for a key that ends a pause (p, P, space or Enter) up to
    // timeout_ms (below 0: no limit); false on time-out or when `give_up`
    // says so (looked at every tenth of a second).
    template <typename GiveUp>
    bool wait_key(long timeout_ms, bool enter_only, GiveUp give_up);

    // Around a stop of the program (Ctrl-Z): the shell has the terminal meanwhile.
    void suspend();
    void resume();

  private:
    // The next key within timeout_ms, or -1.
    int read_key(int timeout_ms);

    bool active_ = false;
    bool set_ = false;
    termios saved_{};
};

template <typename GiveUp>
bool PlotKeys::wait_key(long timeout_ms, bool enter_only, GiveUp give_up) {
    long waited = 0;
    while (timeout_ms < 0 || waited < timeout_ms) {
        if (give_up()) return false;
        const int key = read_key(100);
        waited += 100;
        if (key == '\n' || key == '\r') return true;
        if (!enter_only && (key == 'p' || key == 'P' || key == ' ')) return true;
    }
    return false;
}

}  // namespace tvk::host
