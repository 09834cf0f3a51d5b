#pragma once

namespace tvk {

// Waits until more than `seconds` whole seconds have passed on the calendar
// clock, or until a key press waits on the console. Shown after a failure or a
// notice so that the user can read it. Always 0.
int timed_pause(int seconds);

}  // namespace tvk
