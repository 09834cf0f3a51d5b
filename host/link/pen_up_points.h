// Where in a plotter stream the pen is up: before a pen-down command ("PD")
// that follows a pen-up ("PU"), for the HP-GL-like languages. A plot pauses
// there, so that the pen never rests on the paper.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tvk::host {

class PenUpPoints {
  public:
    // The offset in the bytes (which follow those seen before) of the first
    // "PD" with the pen up; `count` where there is none. Sees the bytes up to
    // that offset.
    size_t next(const uint8_t* bytes, size_t count);
    // Sees the bytes, where no pause is asked for.
    void see(const uint8_t* bytes, size_t count);

  private:
    bool up_ = true;
    uint8_t last_ = 0;
};

}  // namespace tvk::host
