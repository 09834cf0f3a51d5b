// Ctrl-C while a plot is under way: the first press asks the plot to stop
// (the driver's next break check, or the host itself, ends it cleanly); a
// second press ends the program at once, removing the unfinished plot file
// and what remove_on_signal names.
#pragma once

#include <string>

namespace tvk::host {

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

// The file a second Ctrl-C removes; empty for none.
void remove_on_interrupt(const std::string& path);

// The link and the directory that nothing may leave behind: removed when a
// signal (Ctrl-C, a hang-up, a request to terminate) ends the program. Empty
// for none.
void remove_on_signal(const std::string& link, const std::string& directory);

// While the driver pauses after its message, Ctrl-C ends the program at
// once, as it would without the driver.
void set_driver_pausing(bool pausing);

}  // namespace tvk::host
