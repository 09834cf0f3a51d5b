// The opening and closing of a plot: begin plot (30), end plot (2) and
// cancel (9).
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "deffile/deffile.h"
#include "driver/globals.h"
#include "driver/host_services.h"
#include "driver/record.h"
#include "plot/plot.h"
#include "plot/plot_requests.h"
#include "plot/send.h"

namespace tvk {
namespace {

constexpr uint32_t kHostNoSerialTalk = 0x40;
constexpr int kMostReplots = 99;

// Serial handshake set-up, straight to the port ahead of everything else.
constexpr const char* kXonXoffHandshake[] = {
    "\x1b.M50;0;0;13;26;0:", "\x1b.I81;0;17:", "\x1b.N10;19:", "\x1b.@;0:"};
constexpr const char* kHardwareHandshake[] = {"\x1b.M:", "\x1b.I:", "\x1b.N:", "\x1b.@;1:"};

// Plotter units across `inches`, truncated toward zero and kept within the
// 32-bit range a plot size can state.
int32_t plotter_units(double inches) {
    const double units = std::trunc(plotter_resolution * inches);
    if (!(units > INT32_MIN)) return INT32_MIN;  // NaN too
    if (units > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(units);
}

// "<head>x,y<tail>" in the command line buffer, sent as one piece.
template <std::size_t H, std::size_t T>
int send_pair_command(const char (&head)[H], int32_t x, int32_t y, const char (&tail)[T]) {
    char* p = put_command(plot.line, head, x);
    *p++ = ',';
    p = put_decimal(p, y);
    std::memcpy(p, tail, T - 1);
    return send(plot.line, p + T - 1);
}

void reset_pen_and_modes() {
    plot.cur_x = plot.cur_y = plot.prev_x = plot.prev_y = 0;
    plot.pe_8bit = plot.pe_active = plot.relative = plot.break_check = 0;
}

int send_opening_commands(int language) {
    int result = 0;
    if (language == kVtxGl) return plot.relative ? send("R0,0") : send("M0,0");
    if ((language == kTkGl2 || language == kTkGl3) && (spec.type_flags & kTypeRaster))
        result |= send_pair_command("PS", plotter_units(current_paper.area_x),
                                    plotter_units(current_paper.area_y), "");
    if (spec.pen_options & kPenMultPen) result |= send("SP1");
    if (language == kTkGl3) result |= send("WU0PW");
    if (plot.relative) {
        result |= send("PRPU");
    } else {
        result |= send_pair_command("PUPA", current_paper.origin_x, current_paper.origin_y, "PR");
    }
    return result;
}

// End plot writes no status: a failed send has latched, and the latch tells.
void send_closing_sequence(int language) {
    if (language == kVtxGl) {
        send("H");
    } else {
        // Pen up, to the paper origin, or in relative mode to minus the last
        // position; then the pen width, line type and pen put back.
        if (plot.relative) {
            send_pair_command(";PUPA", -plot.cur_x, -plot.cur_y, ";");
        } else {
            send_pair_command(";PUPA", current_paper.origin_x, current_paper.origin_y, ";");
        }
        if (language == kTkGl3) send("WU0PW;");
        if (spec.pen_options & kPenMultLine) send("LT;");
        if (spec.pen_options & kPenMultPen) send("SP;");
    }
    if (plot.end_string[0] != '\0') output(plot.end_string);
    if (plot.additional_copies >= 1) {
        char* end = put_command(plot.line, "RP", plot.additional_copies);
        *end++ = ';';
        send(plot.line, end);
        plot.additional_copies = 0;
    }
}

}  // namespace

void serve_begin_plot() {
    if (error_latch != kLatchNone) {
        set_status(-1);
        return;
    }
    if (spec.buffers >= 1 && spec.buffers <= 5) {
        if (!open_output_buffer(spec.buffers)) {
            error_latch = kLatchOutput;
            set_status(-1);
            return;
        }
    } else {
        release_output_buffer();
    }
    set_status(0);
    reset_pen_and_modes();
    plot.drawn = 0;
    plot.buffer_count = 0;
    plot.pen_state = kPenIdle;
    plot.current_pen = -1;
    plot.previous_wait = host_set_wait(spec.wait_time, 1);
    plot.long_plot = (stored_config.flags & kFlagLongPlot) ? 1 : 0;
    plot.additional_copies = stored_config.copies - 1;
    if (spec.type_flags & kTypeBreakOn) plot.break_check = 1;
    if (!(plot.host_plot_flags & kHostNoSerialTalk) && (stored_config.flags & kFlagSerial)) {
        for (const char* text :
             stored_config.handshake == 0 ? kXonXoffHandshake : kHardwareHandshake)
            host_send_direct(text);
    }
    int result = 0;
    if (plot.start_string[0] != '\0') result |= output(plot.start_string);
    plot.relative = (stored_config.flags & kFlagAbsolute) ? 0 : 1;
    const int language = plot_language();
    result |= send_opening_commands(language);
    // PE is an HP-GL/2 command: a VTX-GL plotter never gets it.
    if ((stored_config.flags & kFlagPe) && is_hpgl(language)) {
        plot.pe_active = 1;
        plot.pe_8bit = (stored_config.flags & kFlagPe8) ? 1 : 0;
        std::strcpy(plot.pe_head, plot.pe_8bit ? "PE" : "PE7");
    }
    if (result != 0) set_status(-1);
}

void serve_end_plot() {
    plot.pen_state = kPenIdle;
    if (error_latch == kLatchNone && plot.drawn == 1) {
        plot.drawn = 0;
        if (plot.additional_copies > kMostReplots) plot.additional_copies = 0;
        send_closing_sequence(plot_language());
        // A failed flush has latched why (refused or stopped), so the
        // closing message below can tell the user that the tail was lost.
        if (plot.buffer_count > 0 && error_latch == kLatchNone && flush_output() != 0 &&
            error_latch == kLatchNone)
            error_latch = kLatchOther;
    }
    plot.buffer_count = 0;
    release_output_buffer();
    if (plot.previous_wait >= 0) host_set_wait(plot.previous_wait, 1);
    plot.reload_spec = 1;
    reset_pen_and_modes();
    plot.long_plot = 0;
    if (error_latch == kLatchOutput) host_printf("\n%s\n", message(47));
    if (error_latch == kLatchStopped) host_printf("\n%s\n", message(68));
}

void serve_cancel_plot() {
    if (error_latch == kLatchNone) error_latch = kLatchOther;
    plot.additional_copies = 0;
    plot.buffer_count = 0;
    plot.drawn = 0;
}

}  // namespace tvk
