// Command generation: the host's moves, draws, pens, velocities, line types
// and pen widths as plotter commands. Every coordinate goes out as a
// displacement from the last point, in decimal or in the PE number encoding;
// the pen state lets consecutive vectors share one command.
#include <cstdio>

#include "driver/globals.h"
#include "driver/record.h"
#include "plot/plot.h"
#include "plot/plot_requests.h"
#include "plot/send.h"

namespace tvk {
namespace {

// Line type 1 to 8: pattern length of the HP-GL languages and "B" value of
// VTX-GL; entry 0 is the continuous line.
constexpr int kLineTypeEntries = 9;
constexpr double kPatternLength[kLineTypeEntries] = {0, 1.0, 1.0, 2.0, 2.0, 2.0, 2.0, 2.0, 2.0};
constexpr int kVtxPattern[kLineTypeEntries] = {120, 120, 120, 320, 320, 320, 320, 320, 320};

constexpr double kMillimetresPerInch = 25.4;
constexpr double kWidestPenMm = 50.0;

bool hpgl() {
    return is_hpgl(plot_language());
}

bool inside_pe() {
    return plot.pen_state == kPenPeUpPending || plot.pen_state == kPenPeDrawing;
}

// The PE number encoding of HP-GL/2: the sign in the lowest bit, then base-64
// (8-bit) or base-32 (7-bit) digits, least significant first, each digit
// plus 63, the last one moved up into the range that ends a number (191 or
// 95 upwards). No byte is zero; at most 7 bytes for 32 bits.
constexpr int32_t kMostPeBytes = 7;
template <unsigned kBase>
char* put_pe_digits(char* p, uint64_t b) {
    constexpr unsigned kLast = kBase == 64 ? 191 : 95;
    for (; b >= kBase; b /= kBase) *p++ = static_cast<char>(b % kBase + 63);
    *p++ = static_cast<char>(static_cast<unsigned char>(b + kLast));
    return p;
}

char* put_pe_number(char* p, int32_t v) {
    // 2v, or 1 - 2v for a negative v, without a branch: signs of displacements
    // are unpredictable.
    const int64_t sign = static_cast<int64_t>(v) >> 63;  // 0 or -1
    const uint64_t magnitude = static_cast<uint64_t>((v ^ sign) - sign);
    const uint64_t b = (magnitude << 1) | static_cast<uint64_t>(sign & 1);
    return plot.pe_8bit ? put_pe_digits<64>(p, b) : put_pe_digits<32>(p, b);
}

int pe_number_output(int32_t v) {
    char text[12];
    return send(text, put_pe_number(text, v));
}

// "dx,dy", at most 23 bytes.
constexpr int32_t kMostPairBytes = 23;
char* put_pair(char* p, int32_t dx, int32_t dy) {
    p = put_decimal(p, dx);
    *p++ = ',';
    return put_decimal(p, dy);
}

// Sends the PE head ("PE7" or "PE"), followed by "<" when asked.
int send_pe_head(bool pen_up) {
    char text[8];
    const std::size_t n = std::strlen(plot.pe_head);
    std::memcpy(text, plot.pe_head, n);
    char* end = text + n;
    if (pen_up) *end++ = '<';
    return send(text, end);
}

void fail_if(int result) {
    if (result != 0) set_status(-1);
}

}  // namespace

int plot_language() {
    return language_index(stored_config.language);
}

int coordinate_output(uint16_t x, uint16_t y) {
    if (error_latch != kLatchNone) return -1;
    // 65535 times the largest divisor (16) still fits in 32 bits.
    int32_t px = x;
    int32_t py = y;
    if (plot.long_plot) {
        px = static_cast<int32_t>(int64_t{x} * long_plot_divisor);
        py = static_cast<int32_t>(int64_t{y} * long_plot_divisor);
    }
    plot.prev_x = plot.cur_x;
    plot.prev_y = plot.cur_y;
    plot.cur_x = px;
    plot.cur_y = py;
    const int32_t dx = px - plot.prev_x;
    const int32_t dy = py - plot.prev_y;
    // Straight into the buffer where the pieces would simply join it.
    if (inside_pe()) {
        if (char* room = output_room(2 * kMostPeBytes)) {
            output_commit(put_pe_number(put_pe_number(room, dx), dy));
            return 0;
        }
        const int first = pe_number_output(dx);
        const int second = pe_number_output(dy);
        return first != 0 || second != 0 ? -1 : 0;
    }
    if (char* room = output_room(kMostPairBytes)) {
        output_commit(put_pair(room, dx, dy));
        return 0;
    }
    return send(plot.line, put_pair(plot.line, dx, dy));
}

int close_pe_command() {
    if (!inside_pe()) return 0;
    plot.pen_state = kPenIdle;
    return send(";");
}

void serve_move() {
    const uint16_t x = rec_u16(4);
    const uint16_t y = rec_u16(6);
    int result = 0;
    switch (plot.pen_state) {
        case kPenPeDrawing:
            result |= send("<");
            plot.pen_state = kPenPeUpPending;
            result |= coordinate_output(x, y);
            plot.pen_state = kPenPeDrawing;
            break;
        case kPenPeUpPending:
            result |= coordinate_output(x, y);
            plot.pen_state = kPenPeDrawing;
            break;
        default:
            if (plot.pe_active) {
                result |= send_pe_head(true);
                plot.pen_state = kPenPeUpPending;
                result |= coordinate_output(x, y);
                plot.pen_state = kPenPeDrawing;
            } else if (plot.pen_state == kPenIdle || plot.pen_state == kPenDrawing) {
                result |= hpgl() ? send("PU") : send("R");
                plot.pen_state = kPenMoving;
                result |= coordinate_output(x, y);
            } else if (plot.pen_state == kPenUpSent) {
                plot.pen_state = kPenMoving;
                result |= coordinate_output(x, y);
            } else if (plot.pen_state == kPenMoving) {
                result |= send(",");
                result |= coordinate_output(x, y);
            }
            break;
    }
    fail_if(result);
}

void serve_draw() {
    const uint16_t x = rec_u16(4);
    const uint16_t y = rec_u16(6);
    int result = 0;
    switch (plot.pen_state) {
        case kPenPeDrawing:
            break;
        case kPenPeUpPending:
            // The pending pen-up flag is spent on a zero move.
            if (pe_number_output(0) != 0 || pe_number_output(0) != 0) {
                set_status(-1);
                return;
            }
            plot.pen_state = kPenPeDrawing;
            break;
        default:
            if (plot.pe_active) {
                result |= send_pe_head(false);
                plot.pen_state = kPenPeDrawing;
            } else if (plot.pen_state == kPenDrawing) {
                result |= send(",");
            } else {
                result |= hpgl() ? send("PD") : send("I");
                plot.pen_state = kPenDrawing;
            }
            break;
    }
    if (coordinate_output(x, y) == 0) {
        plot.drawn = 1;
    } else {
        result = -1;
    }
    fail_if(result);
}

void serve_lift_pen() {
    switch (plot.pen_state) {
        case kPenPeDrawing:
            fail_if(send("<"));
            plot.pen_state = kPenPeUpPending;
            break;
        case kPenIdle:
        case kPenDrawing:
            if (hpgl()) {
                fail_if(send("PU"));
                plot.pen_state = kPenUpSent;
            } else {
                fail_if(send("R0,0"));
                plot.pen_state = kPenMoving;
            }
            break;
        default:  // the pen is already up
            break;
    }
}

void serve_select_pen() {
    const uint16_t pen = rec_u16(4);
    int result = close_pe_command();
    plot.pen_state = kPenIdle;
    char* end = hpgl() ? put_command(plot.line, "SP", pen) : put_command(plot.line, "J", pen);
    result |= send(plot.line, end);
    plot.current_pen = static_cast<int16_t>(pen);
    fail_if(result);
}

void serve_pen_velocity() {
    const uint16_t velocity = rec_u16(4);
    if (velocity == 0 || (velocity & 0xFF) > plot.pen_speed_limit) return;
    int result = close_pe_command();
    if (hpgl()) {
        plot.pen_state = kPenIdle;
        result |= send(plot.line, put_command(plot.line, "VS", velocity));
    }
    fail_if(result);
}

void serve_line_type() {
    const uint16_t type = rec_u16(4);
    int result = close_pe_command();
    plot.pen_state = kPenIdle;
    const int language = plot_language();
    // Numbers above the table (only a host limit above 8 admits them) draw
    // continuous lines, like numbers above the plotter's highest line type.
    const bool patterned = type >= 1 && type <= spec.max_line_type && type < kLineTypeEntries;
    if (language == kVtxGl) {
        if (patterned) {
            result |= send(plot.line, put_command(plot.line, "L-", type));
        } else {
            result |= send("L0");
        }
        result |= send(plot.line, put_command(plot.line, "B", kVtxPattern[patterned ? type : 0]));
    } else if (patterned) {
        const char* format = language == kTkGl1 ? "LT%d,%.1lf" : "LT-%d,%.1lf";
        std::snprintf(plot.line, sizeof plot.line, format, type, kPatternLength[type]);
        result |= output(plot.line);
    } else {
        result |= send("LT");
    }
    fail_if(result);
}

void serve_pen_width() {
    const double inches = rec_f64(4);
    int result = close_pe_command();
    plot.pen_state = kPenIdle;
    double millimetres = inches * kMillimetresPerInch;
    if (!(inches > 0 && millimetres <= kWidestPenMm))
        millimetres = spec.pen_width * kMillimetresPerInch;
    std::snprintf(plot.line, sizeof plot.line, "PW%1.3lf", millimetres);
    result |= output(plot.line);
    fail_if(result);
}

}  // namespace tvk
