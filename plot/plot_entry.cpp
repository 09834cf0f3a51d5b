// The plot entry: dispatch on the request code.
#include "config/config.h"
#include "driver/driver.h"
#include "driver/globals.h"
#include "driver/record.h"
#include "plot/plot.h"
#include "plot/plot_requests.h"
#include "plot/send.h"

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

void serve_model_and_limits() {
    current_model = static_cast<uint8_t>(rec_u8(4) - 1);
    plot.pen_speed_limit = rec_u8(7);
    plot.line_type_limit = rec_u8(8);
}

// 33: the plotter fills the polygon, then gets the current pen back. Other
// languages leave the polygon to the host.
void serve_fill_polygon() {
    if (error_latch != kLatchNone) {
        set_status(0);
        return;
    }
    const int language = plot_language();
    if (language != kTkGl2 && language != kTkGl3) return;
    const int result = fill_polygon();
    set_status(result < 0 ? -1 : 0);
    if (result != 0) return;  // failed, or nothing was filled
    const int16_t fill_pen = rec_i16(6);
    if (plot.current_pen != -1 && fill_pen != plot.current_pen &&
        send(plot.line, put_command(plot.line, "SP", plot.current_pen)) != 0)
        set_status(-1);
}

// 41: only TK-GL3 takes pen widths.
void serve_pen_width_request() {
    if (plot_language() != kTkGl3) return;
    set_status(0);
    serve_pen_width();
}

}  // namespace

void plot_entry(void* record) {
    current_record = static_cast<uint8_t*>(record);
    switch (request_code()) {
        case 2:
            serve_end_plot();
            break;
        case 3:
            serve_move();
            break;
        case 4:
            serve_draw();
            break;
        case 5:
            serve_select_pen();
            break;
        case 6:
            serve_pen_velocity();
            break;
        case 7:
            serve_line_type();
            break;
        case 8:
            serve_lift_pen();
            break;
        case 9:
            serve_cancel_plot();
            break;
        case 15:
            show_line_types();
            break;
        case 29:
            serve_plot_open();
            break;
        case 30:
            serve_begin_plot();
            break;
        case 31:
            serve_show_configuration();
            break;
        case 33:
            serve_fill_polygon();
            break;
        case 36:
            plot.line_type_limit = rec_u8(4);
            break;
        case 37:
            plot.pen_speed_limit = rec_u8(4);
            break;
        case 41:
            serve_pen_width_request();
            break;
        case 43:
            serve_model_and_limits();
            break;
        case 46:
            serve_plot_time_questions();
            break;
        case 47:
            serve_plot_limits();
            break;
        case 48:
            serve_plot_setup();
            break;
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
