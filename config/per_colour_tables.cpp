// Requests 22, 23, 25 and 44: the host's per-colour tables of line type, pen
// speed, pen number and pen width.
#include "config/config.h"
#include "driver/globals.h"
#include "driver/record.h"

namespace tvk {
namespace {

constexpr int kCount = 4;
constexpr int kFirstEntry = 6;
constexpr uint16_t kByteTableLength = 262;
constexpr int kColours = 256;

// Status, reply length, count, and one byte per colour 0 to the table length
// (only colour 0 before the initialise request).
template <typename EntryFor>
void write_byte_table(int32_t count, EntryFor entry_for) {
    set_status(0);
    set_reply_length(kByteTableLength);
    rec_set_i16(kCount, static_cast<int16_t>(count));
    const int last = table_length < kColours ? table_length : kColours - 1;
    for (int k = 0; k <= last; ++k) rec_set_u8(kFirstEntry + k, entry_for(k));
}

}  // namespace

void serve_line_type_table() {
    write_byte_table(spec.max_line_type, [](int) { return uint8_t{0}; });
}

void serve_pen_speed_table() {
    write_byte_table(spec.pens, [](int) { return spec.pen_speed; });
}

// Colour 1 to pen 1, ..., colour n to pen n, colour n + 1 to pen 1 again.
void serve_pen_number_table() {
    const int32_t pens = spec.pens > 0 ? spec.pens : 1;
    write_byte_table(spec.pens, [pens](int k) {
        if (k == 0) return uint8_t{1};
        const int32_t pen = k % pens;
        return static_cast<uint8_t>(pen == 0 ? pens : pen);
    });
}

// Always all 256 colours, whatever the table length or the error latch.
void serve_pen_width_table() {
    set_status(0);
    const uint16_t length = static_cast<uint16_t>(rec_u32(8) + rec_u16(12));
    set_reply_length(length);
    rec_set_i32(4, spec.pens);
    for (int k = 0; k < kColours; ++k) rec_set_f64(16 + 8 * k, spec.pen_width);
}

}  // namespace tvk
