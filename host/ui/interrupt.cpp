#include "host/ui/interrupt.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

namespace tvk::host {
namespace {

volatile std::sig_atomic_t requested = 0;
volatile std::sig_atomic_t driver_pausing = 0;
char unfinished_file[4096] = "";
char private_link[4096] = "";
char private_directory[4096] = "";

// The handler may run at any moment: it never sees a half-copied name.
void set_path(char (&buffer)[4096], const std::string& path) {
    buffer[0] = '\0';
    if (path.empty() || path.size() >= sizeof buffer) return;
    std::memcpy(buffer + 1, path.c_str() + 1, path.size());
    buffer[0] = path[0];
}

// Ends the program as the signal would, leaving nothing behind.
extern "C" void end_now(int signal_number) {
    if (unfinished_file[0] != '\0') unlink(unfinished_file);
    if (private_link[0] != '\0') unlink(private_link);
    if (private_directory[0] != '\0') rmdir(private_directory);
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

extern "C" void on_interrupt(int signal_number) {
    if (requested == 0 && driver_pausing == 0) {
        requested = 1;
        return;
    }
    end_now(signal_number);
}

// The handler that ends the program cleanly, where no other one is set.
void clean_up_on(int signal_number) {
    struct sigaction current {};
    if (sigaction(signal_number, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        std::signal(signal_number, end_now);
    }
}

}  // namespace

InterruptWatch::InterruptWatch() {
    requested = 0;
    std::signal(SIGINT, on_interrupt);
}

InterruptWatch::~InterruptWatch() {
    std::signal(SIGINT, end_now);
}

bool interrupt_requested() {
    return requested != 0;
}

void request_interrupt() {
    requested = 1;
}

void remove_on_interrupt(const std::string& path) {
    set_path(unfinished_file, path);
}

void remove_on_signal(const std::string& link, const std::string& directory) {
    set_path(private_link, link);
    set_path(private_directory, directory);
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) clean_up_on(signal_number);
}

void set_driver_pausing(bool pausing) {
    driver_pausing = pausing ? 1 : 0;
}

}  // namespace tvk::host
