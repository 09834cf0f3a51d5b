// Ctrl-C while a plot is under way: the first press asks the plot to stop
// (the driver's next break check, or the host itself, ends it cleanly); a
// second press ends the program at once, removing the unfinished plot file.
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

}  // namespace tvk::host
