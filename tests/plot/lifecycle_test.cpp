// A plot from begin to end through the plot entry: opening and closing
// sequences, handshake strings, copies, statuses and the failure cases.
#include <gtest/gtest.h>

#include "plot/plot.h"
#include "plot_fixture.h"

namespace tvk::test {
namespace {

using Pieces = std::vector<std::string>;

TEST_F(PlotTest, AbsoluteLineInTkGl1GoesOutPieceByPiece) {
    EXPECT_EQ(begin_plot().status(), 0);
    EXPECT_EQ(pen(1).status(), 5);
    EXPECT_EQ(move(0, 0).status(), 3);
    EXPECT_EQ(draw(100, 0).status(), 4);
    EXPECT_EQ(end_plot().status(), 2);
    EXPECT_EQ(host.port, "INSP1PUPA0,0PRSP1PU0,0PD100,0;PUPA0,0;LT;SP;NR");
    EXPECT_EQ(pieces(), (Pieces{"IN", "SP1", "PUPA0,0PR", "SP1", "PU", "0,0", "PD", "100,0",
                                ";PUPA0,0;", "LT;", "SP;", "NR"}));
    EXPECT_EQ(host.printed, "");
    const auto waits = host.calls_of("set_wait");
    ASSERT_EQ(waits.size(), 2u);
    EXPECT_EQ(waits[0].ints, (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(waits[1].ints, (std::vector<int32_t>{7, 1})) << "the host's wait time handed back";
    EXPECT_EQ(plot.reload_spec, 1);
}

TEST_F(PlotTest, ShortPlotInTkGl3With7BitPe) {
    use_language(kTkGl3);
    use_flags(kFlagPe);  // relative coordinates
    begin_plot();
    pen(1);
    move(10, 0);
    draw(10, 5);
    pen(2);
    end_plot();
    EXPECT_EQ(host.port, "BPSP1WU0PWPRPUSP1PE7<s__i;SP2;PUPA-10,-5;WU0PW;LT;SP;PG");
}

TEST_F(PlotTest, BufferedPlotReachesTheHostOnlyAtTheEndInPieces) {
    spec.buffers = 1;
    begin_plot();
    pen(1);
    for (uint16_t i = 1; i <= 40; ++i) draw(static_cast<uint16_t>(i * 100), i);
    EXPECT_EQ(host.write_calls, 0);
    end_plot();
    ASSERT_GT(host.port.size(), 256u);
    for (size_t i = 0; i + 1 < host.write_sizes.size(); ++i) EXPECT_EQ(host.write_sizes[i], 128);
    EXPECT_EQ(host.port.substr(0, 16), "INSP1PUPA0,0PRSP");
    EXPECT_EQ(host.port.substr(host.port.size() - 2), "NR");
    EXPECT_FALSE(plot.buffer) << "released at the end";
    EXPECT_EQ(plot.buffer_capacity, 1 << 20);
}

TEST_F(PlotTest, RelativeModeReturnsToTheStartingPoint) {
    use_flags(0);
    begin_plot();
    move(1000, 100);
    draw(1200, 300);
    end_plot();
    EXPECT_EQ(host.port, "INSP1PRPUPU1000,100PD200,200;PUPA-1200,-300;LT;SP;NR");
}

TEST_F(PlotTest, AbsoluteModeStartsAndEndsAtThePaperOrigin) {
    use_language(kTkGl2);
    current_paper.origin_x = -300;
    current_paper.origin_y = 25;
    begin_plot();
    draw(1, 2);
    end_plot();
    EXPECT_EQ(host.port, "INSP1PUPA-300,25PRPD1,2;PUPA-300,25;LT;SP;NR");
}

TEST_F(PlotTest, VtxGlOpensAndClosesWithoutPenCommands) {
    use_language(kVtxGl);
    begin_plot();
    draw(5, 5);
    end_plot();
    EXPECT_EQ(host.port, "M0,0I5,5H");
    host.clear_record();
    use_flags(0);
    begin_plot();
    draw(5, 5);
    end_plot();
    EXPECT_EQ(host.port, "R0,0I5,5H");
}

TEST_F(PlotTest, RasterPlotterIsToldThePlotSizeTruncated) {
    use_language(kTkGl2);
    spec.type_flags = kTypeRaster;
    begin_plot();
    EXPECT_EQ(pieces()[1], "PS16794,11836");
    host.clear_record();
    use_language(kTkGl1);  // TK-GL1 knows no plot size
    begin_plot();
    EXPECT_EQ(host.port, "INSP1PUPA0,0PR");
}

TEST_F(PlotTest, PlotSizeOfAnAbsurdAreaStaysInRange) {
    use_language(kTkGl3);
    spec.type_flags = kTypeRaster;
    plotter_resolution = 32767;
    current_paper.area_x = 1e12;
    current_paper.area_y = -1e12;
    begin_plot();
    EXPECT_EQ(pieces()[1], "PS2147483647,-2147483648");
}

TEST_F(PlotTest, PenOptionsDecideThePenAndLineTypeCommands) {
    spec.pen_options = 0x08;
    begin_plot();
    draw(1, 1);
    end_plot();
    EXPECT_EQ(host.port, "INPUPA0,0PRPD1,1;PUPA0,0;NR");
    host.clear_record();
    spec.pen_options = 0x0A;  // MULTLINE only
    begin_plot();
    draw(1, 1);
    end_plot();
    EXPECT_EQ(host.port, "INPUPA0,0PRPD1,1;PUPA0,0;LT;NR");
}

TEST_F(PlotTest, SerialHandshakeStringsGoDirectAheadOfEverything) {
    use_flags(kFlagAbsolute | kFlagSerial);
    begin_plot();
    EXPECT_EQ(host.direct,
              (Pieces{"\x1b.M50;0;0;13;26;0:", "\x1b.I81;0;17:", "\x1b.N10;19:", "\x1b.@;0:"}));
    EXPECT_EQ(host.stream.substr(0, 7), "\x1b.M50;0");
    EXPECT_TRUE(host.port.starts_with("IN"));
    host.clear_record();
    stored_config.handshake = 1;
    begin_plot();
    EXPECT_EQ(host.direct, (Pieces{"\x1b.M:", "\x1b.I:", "\x1b.N:", "\x1b.@;1:"}));
    host.clear_record();
    plot.host_plot_flags = 0x40;
    begin_plot();
    EXPECT_TRUE(host.direct.empty()) << "the host talks to the plotter itself";
    host.clear_record();
    plot.host_plot_flags = 0;
    use_flags(kFlagAbsolute);
    begin_plot();
    EXPECT_TRUE(host.direct.empty()) << "parallel port";
}

TEST_F(PlotTest, AdditionalCopiesFollowTheEndString) {
    use_language(kTkGl3);
    stored_config.copies = 3;
    begin_plot();
    draw(1, 1);
    end_plot();
    EXPECT_TRUE(host.port.ends_with(";PUPA0,0;WU0PW;LT;SP;PGRP2;")) << host.port;
    host.clear_record();
    stored_config.copies = 1;
    begin_plot();
    draw(1, 1);
    end_plot();
    EXPECT_TRUE(host.port.ends_with("SP;PG")) << host.port;
    host.clear_record();
    stored_config.copies = 101;  // more than 99 additional copies are not repeated
    begin_plot();
    draw(1, 1);
    end_plot();
    EXPECT_TRUE(host.port.ends_with("SP;PG")) << host.port;
}

TEST_F(PlotTest, NothingDrawnMeansNoClosingSequence) {
    stored_config.copies = 3;
    spec.buffers = 2;
    begin_plot();
    pen(1);
    move(10, 10);
    end_plot();
    EXPECT_EQ(host.port, "") << "the buffered opening is dropped with the buffer";
    EXPECT_FALSE(plot.buffer);
    EXPECT_EQ(host.calls_of("set_wait").size(), 2u);
}

TEST_F(PlotTest, PreviousWaitTimeRestoredOnlyWhenNotNegative) {
    host.previous_wait = -1;
    begin_plot();
    end_plot();
    EXPECT_EQ(host.calls_of("set_wait").size(), 1u);
}

TEST_F(PlotTest, CancelDropsEverythingUntilInitialise) {
    spec.buffers = 1;
    stored_config.copies = 2;
    begin_plot();
    draw(10, 10);
    EXPECT_EQ(cancel().status(), 9);
    EXPECT_EQ(error_latch, -1);
    EXPECT_EQ(draw(20, 20).status(), -1);
    EXPECT_EQ(move(20, 20).status(), -1);
    EXPECT_EQ(pen(3).status(), -1);
    EXPECT_EQ(end_plot().status(), 2);
    EXPECT_EQ(host.port, "");
    EXPECT_EQ(host.printed, "");
    EXPECT_EQ(begin_plot().status(), -1);
    EXPECT_EQ(open_request(Entry::kPlot).status(), -1);
    initialise(Entry::kPlot);
    EXPECT_EQ(error_latch, 0);
}

TEST_F(PlotTest, CancelKeepsAnEarlierFailure) {
    begin_plot();
    host.refuse_write_at = host.write_calls + 1;
    draw(1, 1);
    cancel();
    EXPECT_EQ(error_latch, -999);
}

TEST_F(PlotTest, RefusedBytesDuringThePlotAreReportedAtTheEnd) {
    begin_plot();
    host.clear_record();
    host.refuse_write_at = 2;
    EXPECT_EQ(draw(5, 5).status(), -1);
    EXPECT_EQ(error_latch, -999);
    EXPECT_EQ(draw(6, 6).status(), -1);
    EXPECT_EQ(host.write_calls, 2) << "nothing more is offered to the host";
    end_plot();
    EXPECT_EQ(host.port, "PD");
    EXPECT_EQ(host.printed, "\nPlotting error occured. \n");
}

TEST_F(PlotTest, UserBreakStopsThePlot) {
    spec.type_flags = kTypeBreakOn;
    begin_plot();
    const int checks = host.break_checks;
    EXPECT_EQ(checks, 3) << "asked before every string: IN, SP1, PUPA0,0PR";
    host.break_at = checks + 4;  // PD, 1,1 and "," go out, the pair after them not
    draw(1, 1);
    EXPECT_EQ(draw(2, 2).status(), -1);
    EXPECT_EQ(error_latch, -110);
    end_plot();
    EXPECT_EQ(host.port, "INSP1PUPA0,0PRPD1,1,");
    EXPECT_EQ(host.printed, "\nPlot terminated. \n");
}

// A failed final flush keeps its reason, so the user learns that the tail of
// the plot was lost.
TEST_F(PlotTest, FinalFlushRefusedIsReported) {
    spec.buffers = 1;
    begin_plot();
    for (uint16_t i = 0; i < 100; ++i) draw(i, i);
    host.refuse_write_at = 2;
    end_plot();
    EXPECT_EQ(error_latch, -999);
    EXPECT_EQ(host.write_sizes, (std::vector<int32_t>{128}));
    EXPECT_EQ(host.printed, "\nPlotting error occured. \n");
}

TEST_F(PlotTest, FinalFlushStoppedByTheUserIsReported) {
    spec.buffers = 1;
    spec.type_flags = kTypeBreakOn;
    begin_plot();
    for (uint16_t i = 0; i < 100; ++i) draw(i, i);
    host.break_at = host.break_checks + 6;  // four closing strings, two pieces
    end_plot();
    EXPECT_EQ(error_latch, -110);
    EXPECT_EQ(host.write_sizes, (std::vector<int32_t>{128}));
    EXPECT_EQ(host.printed, "\nPlot terminated. \n");
}

TEST_F(PlotTest, FailedOpeningSendAnswersMinusOne) {
    host.refuse_write_at = 2;
    EXPECT_EQ(begin_plot().status(), -1);
    EXPECT_EQ(host.port, "IN");
}

TEST_F(PlotTest, RequestsThatOnlyStoreKeepTheirCode) {
    Record r36(36);
    r36.set_u8(4, 5);
    call(Entry::kPlot, r36);
    EXPECT_EQ(r36.status(), 36);
    EXPECT_EQ(plot.line_type_limit, 5);
    Record r37(37);
    r37.set_u8(4, 9);
    call(Entry::kPlot, r37);
    EXPECT_EQ(r37.status(), 37);
    EXPECT_EQ(plot.pen_speed_limit, 9);
    Record r43(43);
    r43.set_u8(4, 3).set_u8(7, 40).set_u8(8, 6);
    call(Entry::kPlot, r43);
    EXPECT_EQ(r43.status(), 43);
    EXPECT_EQ(current_model, 2);
    EXPECT_EQ(plot.pen_speed_limit, 40);
    EXPECT_EQ(plot.line_type_limit, 6);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(PlotTest, InitialiseReleasesABufferLeftByAnUnfinishedPlot) {
    spec.buffers = 3;
    begin_plot();
    EXPECT_EQ(plot.buffer_capacity, 3 << 20);
    draw(1, 1);
    initialise(Entry::kPlot);
    EXPECT_FALSE(plot.buffer);
    EXPECT_EQ(plot.buffer_count, 0);
    EXPECT_EQ(plot.drawn, 0);
    EXPECT_EQ(plot.previous_wait, -1);
    EXPECT_EQ(plot.reload_spec, 1);
}

}  // namespace
}  // namespace tvk::test
