// The requests that prepare a plot: open (29), plot limits (47) and plot
// set-up (48).
#include "config/config.h"
#include "deffile/deffile.h"
#include "driver/driver.h"
#include "driver/globals.h"
#include "driver/record.h"
#include "driver/timed_pause.h"
#include "plot/plot_requests.h"

namespace tvk {
namespace {

constexpr int kHostPlotFlags = 5;
constexpr uint32_t kHostNoSerialTalk = 0x40;  // no handshake strings, no paper query
constexpr int kMostCopies = 100;

// The entry's own opening work: the definition file, then the stored
// configuration the host kept, which must be valid.
int open_plot() {
    if (read_definition_file() < 0) return -1;
    if (fetch_stored_config() != 0) return -1;
    return validate_stored_config();
}

void use_paper(int32_t number) {
    current_paper.number = number;
    current_paper.area_x = paper_table[number].size_x;
    current_paper.area_y = paper_table[number].size_y;
    current_paper.origin_x = paper_table[number].origin_x;
    current_paper.origin_y = paper_table[number].origin_y;
}

// The paper of the plot: the maximum area when the plotter is queried or the
// model has no paper list, otherwise the stored paper (1 when out of range).
void settle_current_paper() {
    if (stored_config.flags & kFlagPaperQuery) {
        stored_config.paper = current_paper.number = 1;
    } else if (paper_count > 0) {
        if (current_paper.number < 1 || current_paper.number > paper_count)
            stored_config.paper = current_paper.number = 1;
        use_paper(current_paper.number);
    } else {
        timed_pause(6);  // the paper list reader has said that the maximum area stands
        stored_config.paper = current_paper.number = 1;
    }
}

}  // namespace

void serve_plot_open() {
    if (serve_open(open_plot) == OpenResult::kRefused) return;
    if (stored_config.copies > kMostCopies) stored_config.copies = 1;
}

void serve_plot_setup() {
    if (error_latch != kLatchNone) {
        set_status(-1);
        return;
    }
    set_status(0);
    plot.host_plot_flags = rec_u32(kHostPlotFlags);
    current_paper.number = stored_config.paper;
    plot.additional_copies = stored_config.copies - 1;
    if (plot.reload_spec != 1) return;
    plot.reload_spec = 0;
    if (load_plotter_specification(plot.start_string, plot.end_string) < 0 ||
        load_paper_table() < 0) {
        fail_setup_request();
        return;
    }
    settle_current_paper();
    write_plot_limits(true);
    set_status(19);
}

void serve_plot_limits() {
    if (error_latch != kLatchNone) {
        set_status(-1);
        return;
    }
    plot.host_plot_flags = rec_u32(kHostPlotFlags);
    const bool ask_plotter = (stored_config.flags & kFlagSerial) && is_hpgl(plot_language()) &&
                             !(plot.host_plot_flags & kHostNoSerialTalk) &&
                             (stored_config.flags & kFlagPaperQuery);
    if (ask_plotter && paper_query() < -1) {
        error_latch = kLatchSetup;
        set_status(-1);
    }
    write_plot_limits(false);
}

}  // namespace tvk
