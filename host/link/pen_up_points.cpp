#include "host/link/pen_up_points.h"

namespace tvk::host {

size_t PenUpPoints::next(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const uint8_t c = bytes[i];
        if (last_ == 'P' && (c == 'D' || c == 'U')) {
            // "PD" split over two pieces: the pause comes before the next piece.
            if (c == 'D' && up_ && i >= 1) {
                last_ = 0;
                return i - 1;
            }
            up_ = c == 'U';
        }
        last_ = c;
    }
    return count;
}

void PenUpPoints::see(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (last_ == 'P' && (bytes[i] == 'D' || bytes[i] == 'U')) up_ = bytes[i] == 'U';
        last_ = bytes[i];
    }
}

}  // namespace tvk::host
