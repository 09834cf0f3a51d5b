// The plotter's time for a plot, worked out by hand on three paths.
#include "host/plotting/plot_time.h"

#include <gtest/gtest.h>

#include <sstream>

#include "host/host_error.h"
#include "host/settings/timing_table.h"

namespace tvk::host {
namespace {

// A millimetre a unit; pen-up moves at 100 mm/s, drawing at 10 mm/s, half a
// second a lift, 2 s a pen change. From the origin: 50 mm up, 10 mm down in
// pen 1 (with its change: 2 + 0.5 + 1 + 0.5 = 4 s); 50 up, 10 down (2 s);
// pen 2, 0 up, 20 down (2 + 2 + 0.5 = 4.5 s).
TimeModel model() {
    TimeModel m;
    m.mm_per_unit = 1;
    m.timing = {100, 10, 0.5, 2, 1024, 0};  // at full speed from rest
    return m;
}

PlotJob job() {
    PlotJob j;
    j.paths = {{1, 0, 0, {{30, 40}, {30, 50}}},
               {1, 0, 0, {{60, 90}, {60, 100}}},
               {2, 0, 2, {{60, 100}, {60, 120}}}};
    return j;
}

TEST(PlotTime, PenDownUpLiftsAndChangesAddUp) {
    const PlotTime t = plot_time(job(), 60, model());
    EXPECT_DOUBLE_EQ(t.pen_down_s, 4);
    EXPECT_DOUBLE_EQ(t.pen_up_s, 1);
    EXPECT_EQ(t.lifts, 3u);
    EXPECT_DOUBLE_EQ(t.lifts_s, 1.5);
    EXPECT_EQ(t.changes, 2u);
    EXPECT_DOUBLE_EQ(t.changes_s, 4);
    EXPECT_DOUBLE_EQ(t.plotter_s, 10.5);
    EXPECT_DOUBLE_EQ(t.total_s, 10.5);  // a file: the bytes take no time

    // The pen speed sent (2 cm/s) where the plot sends speeds; else the model's.
    TimeModel speeds = model();
    speeds.speeds_sent = true;
    EXPECT_DOUBLE_EQ(plot_time(job(), 60, speeds).pen_down_s, 3);
    speeds.speeds_sent = false;
    speeds.model_speed_cm_s = 1;
    EXPECT_DOUBLE_EQ(plot_time(job(), 60, speeds).pen_down_s, 4);
}

TEST(PlotTime, TheLineRunsAheadOfThePlotterAsFarAsItsBufferAllows) {
    // 10 bytes a second, 20 bytes a path. A buffer of one path: the second
    // path's bytes are in once the first is drawn (6 s), the third's once the
    // second is (8 s): 8 + 4.5.
    TimeModel m = model();
    m.bytes_per_second = 10;
    m.timing.buffer_bytes = 20;
    PlotTime t = plot_time(job(), 60, m);
    EXPECT_DOUBLE_EQ(t.line_s, 6);
    EXPECT_DOUBLE_EQ(t.total_s, 12.5);
    // A slow line: the plotter waits for each path's 200 bytes (20 s each),
    // and draws the last after it: 60 + 4.5.
    m.timing.buffer_bytes = 1024;
    t = plot_time(job(), 600, m);
    EXPECT_DOUBLE_EQ(t.total_s, 64.5);
}

TEST(PlotTime, EveryMoveSpeedsUpAndSlowsDown) {
    // 1000 mm/s2, units of a tenth of a millimetre. Pen-up moves reach 100
    // mm/s after 5 mm and take 5 mm to stop; drawing at 10 mm/s, 0.05 mm.
    TimeModel m = model();
    m.timing.acceleration_mm_s2 = 1000;
    m.mm_per_unit = 0.1;
    PlotJob j;
    // Up 50 mm: 0.5 + 0.1 s; down two vectors of 5 mm, each 0.5 + 0.01 s.
    j.paths = {{1, 0, 0, {{300, 400}, {300, 450}, {300, 500}}}};
    // Up 2.5 mm, short of full speed: 2 * sqrt(2.5 / 1000) = 0.1 s; down
    // 100 vectors of 0.1 mm, each 2 * sqrt(0.1 / 1000) = 0.02 s: 2 s where
    // 10 mm in one vector would take 1.01 s.
    HostPolyline many;
    for (int k = 0; k <= 100; ++k) many.push_back({300, 525 + k});
    j.paths.push_back({1, 0, 0, many});
    const PlotTime t = plot_time(j, 0, m);
    EXPECT_NEAR(t.pen_up_s, 0.6 + 0.1, 1e-9);
    EXPECT_NEAR(t.pen_down_s, 2 * 0.51 + 2, 1e-9);
    EXPECT_EQ(t.lifts, 2u);
}

TEST(PlotTime, TheOrderingWeighsLiftsAndDrawingAsPenUpTravel) {
    const OrderCosts costs = order_costs(model());
    EXPECT_DOUBLE_EQ(costs.lift, 50);      // half a second at 100 mm/s
    EXPECT_DOUBLE_EQ(costs.pen_down, 10);  // drawing is ten times slower
}

TEST(PlotTime, TheProfilesTimingTableKeepsDefaultsForWhatItLeavesOut) {
    const PlotterTiming defaults;
    EXPECT_EQ(read_timing(toml::parse("model = \"M\""), "p.toml").lift_s, defaults.lift_s);
    const PlotterTiming t =
        read_timing(toml::parse("[timing]\nlift_s = 0.1\nbuffer_bytes = 256"), "p.toml");
    EXPECT_EQ(t.lift_s, 0.1);
    EXPECT_EQ(t.buffer_bytes, 256);
    EXPECT_EQ(t.travel_mm_s, defaults.travel_mm_s);

    std::ostringstream written;
    write_timing(written, t);
    const PlotterTiming again = read_timing(toml::parse(written.str()), "p.toml");
    EXPECT_EQ(again.lift_s, 0.1);
    EXPECT_EQ(again.pen_change_s, defaults.pen_change_s);

    for (const char* bad : {"[timing]\nlift_s = -1", "[timing]\nlift_s = \"fast\"", "timing = 3"}) {
        try {
            read_timing(toml::parse(bad), "p.toml");
            ADD_FAILURE() << bad;
        } catch (const HostError& e) {
            EXPECT_NE(std::string(e.what()).find("p.toml: timing"), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace tvk::host
