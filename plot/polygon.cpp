// Polygon fill for TK-GL2 and TK-GL3: the outline goes to the plotter once,
// in polygon mode, and the plotter fills it and draws its edge with the
// polygon's pen.
#include "driver/globals.h"
#include "driver/record.h"
#include "plot/plot_requests.h"
#include "plot/send.h"

namespace tvk {
namespace {

constexpr int kFillPen = 6;
constexpr int kVertexCount = 10;
constexpr int kVertices = 12;

int vertex_output(int i) {
    return coordinate_output(rec_u16(kVertices + 4 * i), rec_u16(kVertices + 4 * i + 2));
}

}  // namespace

int fill_polygon() {
    // A count of 0 still sends vertex 0 as a one-point polygon, as a count of
    // 1 does. A negative count is no polygon: nothing is read or sent.
    const int count = rec_i16(kVertexCount);
    if (count < 0) return 1;
    if (close_pe_command() != 0) return -1;
    plot.pen_state = kPenIdle;
    char* end = put_command(plot.line, "SP", rec_i16(kFillPen));
    *end++ = 'P';
    *end++ = 'U';
    // The pen is idle, so every pair goes out as decimal text.
    if (send(plot.line, end) != 0 || vertex_output(0) != 0 || send("PM0PD") != 0) return -1;
    for (int i = 1; i < count; ++i) {
        if (vertex_output(i) != 0 || send(",") != 0) return -1;
    }
    if (vertex_output(0) != 0 || send("PM2FPEP") != 0) return -1;
    plot.drawn = 1;
    return 0;
}

}  // namespace tvk
