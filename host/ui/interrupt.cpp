#include "host/ui/interrupt.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

namespace tvk::host {
namespace {

volatile std::sig_atomic_t requested = 0;
char unfinished_file[4096] = "";

extern "C" void on_interrupt(int signal_number) {
    if (requested == 0) {
        requested = 1;
        return;
    }
    if (unfinished_file[0] != '\0') unlink(unfinished_file);
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

}  // namespace

InterruptWatch::InterruptWatch() {
    requested = 0;
    std::signal(SIGINT, on_interrupt);
}

InterruptWatch::~InterruptWatch() {
    std::signal(SIGINT, SIG_DFL);
}

bool interrupt_requested() {
    return requested != 0;
}

void request_interrupt() {
    requested = 1;
}

void remove_on_interrupt(const std::string& path) {
    // The handler may run at any moment: it never sees a half-copied name.
    unfinished_file[0] = '\0';
    if (path.empty() || path.size() >= sizeof unfinished_file) return;
    std::memcpy(unfinished_file + 1, path.c_str() + 1, path.size());
    unfinished_file[0] = path[0];
}

}  // namespace tvk::host
