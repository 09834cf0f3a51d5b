#include "host/ui/interrupt.h"

#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <ctime>

namespace tvk::host {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr long kGuardBudgetMs = 1000;

volatile std::sig_atomic_t requested = 0;
volatile std::sig_atomic_t stop_signal = SIGINT;
volatile std::sig_atomic_t further = 0;
volatile std::sig_atomic_t driver_pausing = 0;
volatile std::sig_atomic_t watching = 0;
char unfinished_file[4096] = "";
char private_link[4096] = "";
char private_directory[4096] = "";

// The guarded port; the fd is set last and cleared first, so that the
// handler never sees half of it.
volatile std::sig_atomic_t guarded_fd = -1;
bool guarded_flush = false;
bool guarded_socket = false;
char guarded_closing[64];
size_t guarded_closing_size = 0;

struct sigaction previous[3];

termios saved_terminal{};
volatile std::sig_atomic_t restore_terminal = 0;
volatile std::sig_atomic_t watched_keys = 0;

// The handler may run at any moment: it never sees a half-copied name.
void set_path(char (&buffer)[4096], const std::string& path) {
    buffer[0] = '\0';
    if (path.empty() || path.size() >= sizeof buffer) return;
    std::memcpy(buffer + 1, path.c_str() + 1, path.size());
    buffer[0] = path[0];
}

long now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

// Async-signal-safe: drops the port's queue and writes the pen-up commands,
// giving the plotter at most a second to take them.
void leave_port_safe() {
    const int fd = guarded_fd;
    if (fd < 0) return;
    guarded_fd = -1;
    if (guarded_flush) tcflush(fd, TCOFLUSH);
    const long end = now_ms() + kGuardBudgetMs;
    size_t done = 0;
    while (done < guarded_closing_size && now_ms() < end) {
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        const ssize_t n =
            guarded_socket
                ? send(fd, guarded_closing + done, guarded_closing_size - done, MSG_NOSIGNAL)
                : write(fd, guarded_closing + done, guarded_closing_size - done);
        if (n > 0) done += static_cast<size_t>(n);
        if (n < 0 && errno != EAGAIN && errno != EINTR) return;
    }
}

// Ends the program as a stopped command ends, leaving nothing behind.
extern "C" void end_now(int signal_number) {
    const int saved = errno;
    leave_port_safe();
    if (restore_terminal != 0) tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal);
    if (unfinished_file[0] != '\0') unlink(unfinished_file);
    if (private_link[0] != '\0') unlink(private_link);
    if (private_directory[0] != '\0') rmdir(private_directory);
    errno = saved;
    _exit(128 + signal_number);
}

extern "C" void on_interrupt(int signal_number) {
    if (driver_pausing != 0) end_now(signal_number);
    if (requested == 0) {
        requested = 1;
        stop_signal = signal_number;
        return;
    }
    // The plot is winding down already: dropping the queue and lifting the
    // pen come first, however impatient the user (or a wrapper such as
    // `timeout`, which passes a signal on twice).
    further = further + 1;
}

// The handler that ends the program cleanly, where no other one is set.
void clean_up_on(int signal_number) {
    struct sigaction current {};
    if (sigaction(signal_number, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        std::signal(signal_number, end_now);
    }
}

void install(int signal_number, void (*handler)(int), struct sigaction* old) {
    struct sigaction a {};
    a.sa_handler = handler;
    sigemptyset(&a.sa_mask);
    a.sa_flags = SA_RESTART;
    sigaction(signal_number, &a, old);
}

}  // namespace

InterruptWatch::InterruptWatch() {
    requested = 0;
    further = 0;
    stop_signal = SIGINT;
    watching = 1;
    for (size_t i = 0; i < 3; ++i) install(kStopSignals[i], on_interrupt, &previous[i]);
}

InterruptWatch::~InterruptWatch() {
    watching = 0;
    install(SIGINT, end_now, nullptr);
    for (size_t i = 1; i < 3; ++i) sigaction(kStopSignals[i], &previous[i], nullptr);
}

bool interrupt_requested() {
    return requested != 0;
}

void request_interrupt() {
    if (requested == 0) stop_signal = SIGINT;
    requested = 1;
}

int further_interrupts() {
    return further;
}

int stop_exit_code() {
    return 128 + stop_signal;
}

void remove_on_interrupt(const std::string& path) {
    set_path(unfinished_file, path);
}

void remove_on_signal(const std::string& link, const std::string& directory) {
    set_path(private_link, link);
    set_path(private_directory, directory);
    for (const int signal_number : kStopSignals) clean_up_on(signal_number);
}

void set_driver_pausing(bool pausing) {
    driver_pausing = pausing ? 1 : 0;
}

namespace {
volatile std::sig_atomic_t pause_asked = 0;
volatile std::sig_atomic_t continues = 0;
struct sigaction previous_tstp {};
struct sigaction previous_cont {};
extern "C" void on_pause(int) {
    pause_asked = 1;
}
extern "C" void on_continue(int) {
    continues = continues + 1;
}
}  // namespace

PauseRequests::PauseRequests() {
    pause_asked = 0;
    install(SIGTSTP, on_pause, &previous_tstp);
    install(SIGCONT, on_continue, &previous_cont);
}

PauseRequests::~PauseRequests() {
    sigaction(SIGTSTP, &previous_tstp, nullptr);
    sigaction(SIGCONT, &previous_cont, nullptr);
}

bool pause_requested() {
    return pause_asked != 0;
}

void forget_pause_request() {
    pause_asked = 0;
}

unsigned continued_count() {
    return static_cast<unsigned>(continues);
}

void restore_terminal_on_exit(const void* saved_termios) {
    restore_terminal = 0;
    if (saved_termios == nullptr) return;
    std::memcpy(&saved_terminal, saved_termios, sizeof saved_terminal);
    restore_terminal = 1;
}

void set_keys_watched(bool watched) {
    watched_keys = watched ? 1 : 0;
}

bool keys_watched() {
    return watched_keys != 0;
}

void pause_now() {
    pause_asked = 0;
    // SIGSTOP cannot be caught: the program stops here until SIGCONT.
    raise(SIGSTOP);
}

void guard_port(int fd, bool flush, bool socket, const std::string& closing) {
    guarded_fd = -1;
    if (fd < 0 || closing.size() > sizeof guarded_closing) return;
    guarded_flush = flush;
    guarded_socket = socket;
    std::memcpy(guarded_closing, closing.data(), closing.size());
    guarded_closing_size = closing.size();
    guarded_fd = fd;
}

}  // namespace tvk::host
