// The plot-limits fields and the resolution the host is told, shared by the
// configuration entry and the plot entry.
#include <cstring>

#include "config/config.h"
#include "driver/record.h"

namespace tvk {
namespace {

// Host coordinates are 16-bit: a long plot scales them down so that the
// paper still fits (64.5 inches at 1016 units per inch is 65,532 units).
int32_t divisor_for_area(double x, double y) {
    const double thresholds[] = {64.5, 129.0, 258.0, 516.0};
    int32_t divisor = 1;
    for (double limit : thresholds) {
        if (x <= limit && y <= limit) return divisor;
        divisor *= 2;
    }
    return divisor;
}

}  // namespace

double reported_resolution() {
    if ((stored_config.flags & kFlagLongPlot) == 0) return plotter_resolution;
    long_plot_divisor = divisor_for_area(current_paper.area_x, current_paper.area_y);
    return plotter_resolution / long_plot_divisor;
}

void write_plot_limits(bool with_optimisation) {
    const double resolution = reported_resolution();
    rec_set_f64(41, resolution);
    rec_set_f64(49, resolution);
    rec_set_f64(25, current_paper.area_x);
    rec_set_f64(9, current_paper.area_x);
    rec_set_f64(33, current_paper.area_y);
    rec_set_f64(17, current_paper.area_y);
    std::memcpy(current_record + 73, "MAX", 4);
    if (with_optimisation) {
        rec_set_u8(139, static_cast<uint8_t>(spec.optimize));
        rec_set_u8(140, 6);
    }
}

}  // namespace tvk
