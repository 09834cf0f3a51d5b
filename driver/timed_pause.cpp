#include "driver/timed_pause.h"

#include "platform/platform.h"

namespace tvk {

int timed_pause(int seconds) {
    auto& h = platform::hooks();
    const int64_t start = h.now_seconds();
    while (h.now_seconds() - start <= seconds) {
        if (h.key_waiting()) break;
        h.nap();
    }
    return 0;
}

}  // namespace tvk
