// The paper query: asks the plotter for its hard-clip limits with OH and
// turns the reply into the current paper.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "config/config.h"
#include "deffile/deffile.h"
#include "driver/globals.h"
#include "driver/host_services.h"

namespace tvk {
namespace {

// Output mode, handshake modes and configuration of the plotter, then OH.
constexpr const char* kQuery = "\x1b.M300;0;0;13;26;0:\x1b.I81;0;17:\x1b.N50;19:\x1b.@;0:OH;";
constexpr int32_t kQueryWait = 3000;
constexpr int32_t kReplyMax = 40;
constexpr std::size_t kBufferSize = 256;

// One "%d" of the reply: blanks, a sign and digits. The reply is plotter data,
// so a number outside the 32-bit range is refused rather than converted.
bool scan_int(const char*& p, int32_t& out) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(p, &end, 10);
    if (end == p || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<int32_t>(v);
    p = end;
    return true;
}

// "%d,%d,%d,%d": all four numbers or nothing.
bool scan_corners(const char* reply, int32_t corners[4]) {
    const char* p = reply;
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && *p++ != ',') return false;
        if (!scan_int(p, corners[i])) return false;
    }
    return true;
}

}  // namespace

int paper_query() {
    char buffer[kBufferSize] = {};
    host_set_wait(kQueryWait, 0);
    host_send_direct(kQuery);
    const int32_t handle = host_reply_open(2);
    int32_t setup[3] = {kQueryWait, kReplyMax,
                        static_cast<int32_t>(reinterpret_cast<std::uintptr_t>(buffer))};
    host_reply_setup(handle, 3, setup);
    host_reply_read(handle, buffer, kReplyMax);
    buffer[kBufferSize - 1] = '\0';  // whatever the host wrote
    if (buffer[0] == '\0') {
        host_printf("\n%s\n", message(43));
        return -8;
    }
    if (char* cr = std::strchr(buffer, '\r')) *cr = '\0';

    int32_t c[4];
    if (!scan_corners(buffer, c) || c[0] > 0 || c[1] > 0) return -1;
    // Without a resolution the area cannot be converted, and an area under one
    // inch is no paper: the previous paper stands.
    if (plotter_resolution <= 0) return -1;
    const int64_t area_x = (static_cast<int64_t>(c[2]) - c[0]) / plotter_resolution;
    const int64_t area_y = (static_cast<int64_t>(c[3]) - c[1]) / plotter_resolution;
    if (area_x <= 0 || area_y <= 0) return -1;
    current_paper.origin_x = c[0];
    current_paper.origin_y = c[1];
    current_paper.area_x = static_cast<double>(area_x);
    current_paper.area_y = static_cast<double>(area_y);
    return 0;
}

}  // namespace tvk
