// Stopping a plot: the first Ctrl-C (or a request to terminate, or a
// hang-up) asks the plot to stop (the driver's next break check, or the host
// itself, ends it cleanly); further ones while the plot winds down are only
// counted, so that what is queued for the plotter is always dropped and its
// pen lifted. Where the program has to end at once (a second Ctrl-C while the
// driver waits on its own), the handler first leaves the guarded port safe
// and removes the unfinished plot file and what remove_on_signal names.
#pragma once

#include <string>

namespace tvk::host {

// Installs the stop handlers for Ctrl-C, terminate and hang-up while it lives.
class InterruptWatch {
  public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;
};

bool interrupt_requested();
// Ctrl-C typed at a prompt, where it arrives as a key: the same request.
void request_interrupt();
// Stop requests that came after the first one.
int further_interrupts();
// The exit code of a stopped command: 130 for Ctrl-C, 128 plus the signal
// for a request to terminate or a hang-up (143, 129), as a shell reports them.
int stop_exit_code();

// The file a second Ctrl-C removes; empty for none.
void remove_on_interrupt(const std::string& path);

// The link and the directory that nothing may leave behind: removed when a
// signal (Ctrl-C, a hang-up, a request to terminate) ends the program. Empty
// for none.
void remove_on_signal(const std::string& link, const std::string& directory);

// While the driver pauses after its message, Ctrl-C ends the program at
// once, as it would without the driver.
void set_driver_pausing(bool pausing);

// Ctrl-Z (SIGTSTP) while a plot to a port runs asks it to pause at the next
// pen-up instead of stopping the program there and then; the plot then
// stops the program itself (pause_now), and `fg` (SIGCONT) continues it.
// Outside such a plot Ctrl-Z stops the program as ever. SIGCONT is counted,
// so that a pause by key ends with it too, and a program stopped from
// outside (SIGSTOP) does not take the time it stood still for a plotter
// that took nothing.
class PauseRequests {
  public:
    PauseRequests();
    ~PauseRequests();
    PauseRequests(const PauseRequests&) = delete;
    PauseRequests& operator=(const PauseRequests&) = delete;
};
bool pause_requested();
void forget_pause_request();
// Stops the program as Ctrl-Z would, until it is continued.
void pause_now();
// How often the program was continued (SIGCONT) while pauses were watched.
unsigned continued_count();

// The terminal's settings, put back should the program have to end at once
// while a plot reads keys; null: none.
void restore_terminal_on_exit(const void* saved_termios);
// While a plot reads its keys itself, the driver's calls leave the
// terminal's input alone.
void set_keys_watched(bool watched);
bool keys_watched();

// The plotter's port, for a program that must end at once: its queue is
// dropped (where `flush`), and `closing` (the pen-up commands) written to it
// within a second, before the program ends. fd -1 guards none.
void guard_port(int fd, bool flush, bool socket, const std::string& closing);

}  // namespace tvk::host
