// The requests both entries serve alike: initialise, host language code and
// the part of open that checks the host.
#include <cstring>

#include "deffile/deffile.h"
#include "driver/driver.h"
#include "driver/globals.h"
#include "driver/host_services.h"
#include "driver/record.h"
#include "driver/timed_pause.h"

namespace tvk {
namespace {

// Offsets of the initialise request.
constexpr int kHostId = 4;
constexpr int kHostRelease = 7;
constexpr int kInitStatus = 10;
constexpr int kInitZero = 12;
constexpr int kDescriptionOut = 86;
constexpr int kHostPathIn = 168;
constexpr int kHostPathSize = 90;

bool initialisation_check() {
    rec_set_i16(kInitStatus, 0);
    rec_set_i16(kInitZero, 0);
    std::memcpy(current_record + kDescriptionOut, info_block(), kDescriptionSize);
    std::memcpy(host_path, current_record + kHostPathIn, kHostPathSize);
    host_path[kHostPathSize] = '\0';
    if (rec_i16(kHostId) != 1) {
        host_printf("\n%s\n", kFixedWrongHost);
        rec_set_i16(kInitStatus, -3);
        error_latch = kLatchSetup;
        return false;
    }
    if (rec_u8(kHostRelease) < 2) {
        host_printf("\n%s\n", kFixedHostTooOld);
        rec_set_i16(kInitStatus, -5);
        error_latch = kLatchSetup;
        return false;
    }
    return true;
}

}  // namespace

void serve_initialise() {
    error_latch = kLatchNone;
    table_length = 255;
    if (!initialisation_check()) timed_pause(10);
}

void serve_host_language() {
    std::memset(host_language, 0, sizeof host_language);
    for (int i = 0; i < 8; ++i) {
        const char c = static_cast<char>(rec_u8(8 + i));
        if (c == '\0') break;
        host_language[i] = c;
    }
}

void fail_setup_request() {
    timed_pause(10);
    error_latch = kLatchSetup;
    set_status(-1);
}

OpenResult serve_open(int (*own_work)()) {
    if (error_latch != kLatchNone) {
        set_status(-1);
        return OpenResult::kRefused;
    }
    set_status(0);
    OpenResult result = OpenResult::kDone;
    if (rec_i16(4) < 3) {
        host_printf("\n%s\n", kFixedHostTooOld);
        result = OpenResult::kFailed;
    } else if (own_work() != 0) {
        result = OpenResult::kFailed;
    }
    if (result == OpenResult::kFailed) fail_setup_request();
    rec_set_i16(4, 3);
    rec_set_i16(6, 0);
    return result;
}

}  // namespace tvk
