// Polygon fill through request 33: polygon mode in TK-GL2 and TK-GL3, the
// pen selected again afterwards, and the statuses of every language.
#include <gtest/gtest.h>

#include "plot_fixture.h"

namespace tvk::test {
namespace {

using Pieces = std::vector<std::string>;

using PolygonTest = PlotTest;

TEST_F(PolygonTest, OutlineInPolygonModeThenTheCurrentPenAgain) {
    start(kTkGl3);
    pen(1);
    host.clear_record();
    EXPECT_EQ(polygon(2, {{0, 0}, {100, 0}, {0, 100}}).status(), 0);
    EXPECT_EQ(pieces(), (Pieces{"SP2PU", "0,0", "PM0PD", "100,0", ",", "-100,100", ",", "0,-100",
                                "PM2FPEP", "SP1"}));
    EXPECT_EQ(host.port, "SP2PU0,0PM0PD100,0,-100,100,0,-100PM2FPEPSP1");
    EXPECT_EQ(plot.pen_state, kPenIdle);
    EXPECT_EQ(plot.current_pen, 1);
    EXPECT_EQ(plot.drawn, 1);
}

TEST_F(PolygonTest, NoPenCommandWhenThePenIsAlreadyRightOrNoneWasChosen) {
    start(kTkGl2);
    polygon(1, {{5, 5}, {6, 6}});
    EXPECT_TRUE(host.port.ends_with("PM2FPEP")) << "before any pen request";
    pen(1);
    host.clear_record();
    polygon(1, {{5, 5}, {6, 6}});
    EXPECT_EQ(host.port, "SP1PU0,0PM0PD1,1,-1,-1PM2FPEP");
}

TEST_F(PolygonTest, OpenPeCommandIsClosedAndTheOutlineIsDecimal) {
    start(kTkGl3, kFlagPe);
    pen(1);
    draw(10, 0);
    host.clear_record();
    polygon(3, {{10, 0}, {20, 0}});
    EXPECT_EQ(host.port, ";SP3PU0,0PM0PD10,0,-10,0PM2FPEPSP1");
    draw(10, 10);
    EXPECT_TRUE(host.port.ends_with("SP1PE7_s")) << host.port;
}

TEST_F(PolygonTest, SingleVertex) {
    start(kTkGl3);
    polygon(2, {{7, 8}});
    EXPECT_EQ(pieces(), (Pieces{"SP2PU", "7,8", "PM0PD", "0,0", "PM2FPEP"}));
}

// A count of 0 reads vertex 0 all the same and sends the one-point polygon;
// a negative count is no polygon at all.
TEST_F(PolygonTest, NoVertexCountSendsVertexZeroAndANegativeOneNothing) {
    start(kTkGl3);
    pen(1);
    host.clear_record();
    Record none(33, 16);
    none.set_i16(6, 2).set_i16(10, 0).set_u16(12, 7).set_u16(14, 8);
    call(Entry::kPlot, none);
    EXPECT_EQ(none.status(), 0);
    EXPECT_EQ(pieces(), (Pieces{"SP2PU", "7,8", "PM0PD", "0,0", "PM2FPEP", "SP1"}));
    host.clear_record();
    Record negative(33, 12);
    negative.set_i16(6, 2).set_i16(10, -5);
    call(Entry::kPlot, negative);
    EXPECT_EQ(negative.status(), 0);
    EXPECT_EQ(host.port, "");
}

TEST_F(PolygonTest, LongPlotScalesTheOutline) {
    start(kTkGl2, kFlagAbsolute | kFlagLongPlot);
    long_plot_divisor = 2;
    polygon(1, {{50, 0}, {50, 10}});
    move(60, 10);
    EXPECT_EQ(host.port, "SP1PU100,0PM0PD0,20,0,-20PM2FPEPPU20,20");
}

TEST_F(PolygonTest, StatusByLanguageAndLatch) {
    for (int language : {kVtxGl, kTkGl1}) {
        start(language);
        EXPECT_EQ(polygon(1, {{1, 1}, {2, 2}}).status(), 33);
        EXPECT_EQ(host.port, "");
        EXPECT_EQ(plot.drawn, 0);
    }
    start(kTkGl3);
    cancel();
    EXPECT_EQ(polygon(1, {{1, 1}, {2, 2}}).status(), 0) << "the latch answers 0";
    EXPECT_EQ(host.port, "");
}

TEST_F(PolygonTest, RefusedBytesAnswerMinusOneWithoutThePenCommand) {
    start(kTkGl3);
    pen(1);
    host.refuse_write_at = host.write_calls + 3;
    EXPECT_EQ(polygon(2, {{0, 0}, {100, 0}, {0, 100}}).status(), -1);
    EXPECT_EQ(host.port, "SP1SP2PU0,0");
    EXPECT_EQ(error_latch, -999);
}

TEST_F(PolygonTest, FailedPenCommandAfterTheFill) {
    start(kTkGl3);
    pen(1);
    host.refuse_write_at = host.write_calls + 10;  // the pen command after PM2FPEP
    EXPECT_EQ(polygon(2, {{0, 0}, {100, 0}, {0, 100}}).status(), -1);
    EXPECT_TRUE(host.port.ends_with("PM2FPEP"));
}

}  // namespace
}  // namespace tvk::test
