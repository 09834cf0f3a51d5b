// The plot entry: dispatch on the request code.
#include "config/config.h"
#include "deffile/deffile.h"
#include "driver/driver.h"
#include "driver/globals.h"
#include "driver/record.h"
#include "driver/timed_pause.h"
#include "plot/plot.h"

namespace tvk {
namespace {

// The plot-state part of initialise, before the common steps.
void initialise_plot_state() {
    plot.reload_spec = 1;
    error_latch = kLatchNone;
    plot.drawn = 0;
    plot.buffer_count = 0;
    plot.previous_wait = -1;
    release_output_buffer();
}

}  // namespace

void plot_entry(void* record) {
    current_record = static_cast<uint8_t*>(record);
    switch (request_code()) {
        case 49:
            initialise_plot_state();
            serve_initialise();
            break;
        case 50:
            serve_host_language();
            break;
        default:  // not served: the record comes back untouched
            break;
    }
}

}  // namespace tvk
