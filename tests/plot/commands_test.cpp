// Command generation through the plot entry: pen states, displacements, long
// plot, the PE encoding, line types, velocities and pen widths.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

#include "plot/send.h"
#include "plot_fixture.h"

namespace tvk::test {
namespace {

using Pieces = std::vector<std::string>;

using CommandTest = PlotTest;

TEST_F(CommandTest, ConsecutiveVectorsShareOneCommand) {
    start(kTkGl1);
    draw(10, 0);
    draw(10, 10);
    draw(0, 10);
    EXPECT_EQ(pieces(), (Pieces{"PD", "10,0", ",", "0,10", ",", "-10,0"}));
    host.clear_record();
    move(5, 5);
    lift();
    move(6, 7);
    EXPECT_EQ(pieces(), (Pieces{"PU", "5,-5", ",", "1,2"}))
        << "the lift sends nothing in a move list";
}

TEST_F(CommandTest, LiftThenMoveSharesThePenUp) {
    start(kTkGl1);
    lift();
    move(3, 4);
    lift();
    draw(3, 5);
    lift();
    EXPECT_EQ(pieces(), (Pieces{"PU", "3,4", "PD", "0,1", "PU"}));
    EXPECT_EQ(plot.pen_state, kPenUpSent);
}

TEST_F(CommandTest, VtxGlMovesDrawsAndLifts) {
    start(kVtxGl);
    draw(4, 4);
    move(8, 0);
    lift();
    move(9, 9);
    pen(2);
    lift();
    move(1, 1);
    EXPECT_EQ(host.port, "I4,4R4,-4,1,9J2R0,0,-8,-8");
}

TEST_F(CommandTest, PenSelectionAndVelocityInEachLanguage) {
    start(kTkGl2);
    plot.pen_speed_limit = 40;
    pen(3);
    velocity(40);
    velocity(41);  // above the limit
    velocity(0);
    velocity(256 + 40);  // only the low 8 bits are held against the limit
    EXPECT_EQ(pieces(), (Pieces{"SP3", "VS40", "VS296"}));
    EXPECT_EQ(plot.current_pen, 3);
    host.clear_record();
    start(kVtxGl);
    plot.pen_speed_limit = 40;
    draw(1, 1);
    velocity(10);  // VTX-GL has no velocity command and keeps its list open
    draw(2, 2);
    EXPECT_EQ(host.port, "I1,1,1,1");
}

TEST_F(CommandTest, PenNumbersAreUnsigned) {
    start(kTkGl1);
    pen(65535);
    EXPECT_EQ(host.port, "SP65535");
}

TEST_F(CommandTest, LineTypesPerLanguage) {
    start(kTkGl1);
    line_type(3);
    line_type(0);
    line_type(7);  // above TK-GL1's highest line type, 6
    EXPECT_EQ(pieces(), (Pieces{"LT3,2.0", "LT", "LT"}));
    start(kTkGl3);
    line_type(1);
    line_type(8);
    line_type(9);
    EXPECT_EQ(pieces(), (Pieces{"LT-1,1.0", "LT-8,2.0", "LT"}));
    start(kVtxGl);
    line_type(3);
    line_type(0);
    line_type(6);
    EXPECT_EQ(pieces(), (Pieces{"L-3", "B320", "L0", "B120", "L0", "B120"}));
}

TEST_F(CommandTest, LineTypesBeyondTheTableAreContinuous) {
    start(kTkGl3);
    spec.max_line_type = 200;  // a host limit above the table
    line_type(9);
    line_type(200);
    EXPECT_EQ(host.port, "LTLT");
}

TEST_F(CommandTest, PenWidthOnlyInTkGl3) {
    start(kTkGl3);
    EXPECT_EQ(pen_width(0.02).status(), 0);
    pen_width(-1);
    pen_width(0);
    pen_width(2.5);  // 63.5 mm
    pen_width(1.9685);
    pen_width(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(pieces(),
              (Pieces{"PW0.508", "PW0.254", "PW0.254", "PW0.254", "PW50.000", "PW0.254"}));
    start(kTkGl2);
    EXPECT_EQ(pen_width(0.02).status(), 41);
    EXPECT_EQ(host.port, "");
}

TEST_F(CommandTest, PeMovesAndDrawsIn7BitMode) {
    start(kTkGl3, kFlagPe);
    move(10, 0);
    draw(10, 5);
    EXPECT_EQ(pieces(), (Pieces{"PE7<", "s", "_", "_", "i"}));
    host.clear_record();
    lift();
    draw(10, 6);  // the pending pen-up flag is spent on a zero move
    move(10, 10);
    move(26, 10);
    draw(10, 10);
    EXPECT_EQ(host.port,
              "<__"
              "_a"
              "<_g"
              "<?`_"
              "@`_");
}

TEST_F(CommandTest, PeNumbersIn8BitMode) {
    start(kTkGl3, kFlagPe | kFlagPe8);
    move(0, 0);
    draw(32, 1000);
    // 0 is the single byte 191; 64 is 63 + 0 then 191 + 1; 2000 is 63 + 16, 191 + 31.
    EXPECT_EQ(host.port,
              "PE<\xbf\xbf"
              "\x3f\xc0"
              "\x4f\xde");
}

TEST_F(CommandTest, PeCommandClosedByTheNextCommand) {
    start(kTkGl2, kFlagPe);
    draw(1, 0);
    plot.pen_speed_limit = 10;
    velocity(20);  // ignored: the PE command stays open
    draw(2, 0);
    velocity(5);
    draw(3, 0);
    line_type(2);
    draw(4, 0);
    pen(4);
    EXPECT_EQ(host.port, "PE7a_a_;VS5PE7a_;LT-2,1.0PE7a_;SP4");
}

TEST_F(CommandTest, VtxGlNeverUsesPe) {
    start(kVtxGl, kFlagPe | kFlagPe8);
    move(1, 2);
    EXPECT_EQ(host.port, "R1,2");
}

TEST_F(CommandTest, LongPlotScalesEveryHostPoint) {
    start(kTkGl1, kFlagAbsolute | kFlagLongPlot);
    long_plot_divisor = 4;
    move(100, 100);
    move(101, 100);
    EXPECT_EQ(pieces(), (Pieces{"PU", "400,400", ",", "4,0"}));
    host.clear_record();
    long_plot_divisor = 16;
    draw(65535, 0);
    EXPECT_EQ(pieces(), (Pieces{"PD", "1048156,-400"})) << "65535 x 16 without overflow";
}

TEST_F(CommandTest, DrawingRequestsAnswerMinusOneOnlyWhenASendFails) {
    start(kTkGl1);
    EXPECT_EQ(move(1, 1).status(), 3);
    EXPECT_EQ(draw(2, 2).status(), 4);
    EXPECT_EQ(lift().status(), 8);
    EXPECT_EQ(line_type(1).status(), 7);
    EXPECT_EQ(velocity(0).status(), 6);
    host.refuse_write_at = host.write_calls + 1;
    EXPECT_EQ(lift().status(), -1);
    for (auto r : {move(1, 1), draw(2, 2), pen(1), line_type(0)}) EXPECT_EQ(r.status(), -1);
    plot.pen_speed_limit = 10;
    EXPECT_EQ(velocity(5).status(), -1);
    EXPECT_EQ(plot.cur_x, 2) << "positions stay when the latch is set";
}

}  // namespace
}  // namespace tvk::test

namespace tvk::test {
namespace {

// The encoding as the plotter manual states it, one digit at a time.
std::string reference_pe(int64_t v, bool eight_bit) {
    uint64_t b = v >= 0 ? 2 * static_cast<uint64_t>(v) : static_cast<uint64_t>(1 - 2 * v);
    const uint64_t base = eight_bit ? 64 : 32;
    std::string out;
    for (; b >= base; b /= base) out += static_cast<char>(b % base + 63);
    out += static_cast<char>(b + (eight_bit ? 191 : 95));
    return out;
}

TEST_F(CommandTest, PeNumbersAtEveryDigitBoundaryAndSign) {
    for (bool eight_bit : {false, true}) {
        start(kTkGl3, static_cast<uint16_t>(kFlagPe | kFlagAbsolute | kFlagLongPlot |
                                            (eight_bit ? kFlagPe8 : 0)));
        long_plot_divisor = 16;
        move(0, 0);
        host.clear_record();
        int32_t at = 0;
        std::string want;
        for (int32_t to : {0, 1, 0, 15, 16, 48, 31, 32, 0, 511, 512, 2047, 2048, 65535, 0, 65535, 1,
                           32767, 32768}) {
            move(static_cast<uint16_t>(to), 0);
            want += "<" + reference_pe(16LL * (to - at), eight_bit) + reference_pe(0, eight_bit);
            at = to;
        }
        EXPECT_EQ(host.port, want) << (eight_bit ? "8-bit" : "7-bit");
    }
}

TEST(DecimalPieces, SameBytesAsPrintf) {
    std::vector<int32_t> values = {0, INT32_MIN, INT32_MAX, -INT32_MAX};
    for (int64_t p = 1; p <= 1000000000; p *= 10)
        for (int64_t v : {p - 1, p, p + 1, -p + 1, -p, -p - 1})
            values.push_back(static_cast<int32_t>(v));
    for (int32_t v : values) {
        char mine[16];
        char theirs[16];
        const std::string got(mine, put_decimal(mine, v));
        std::snprintf(theirs, sizeof theirs, "%ld", static_cast<long>(v));
        EXPECT_EQ(got, theirs);
    }
}

}  // namespace
}  // namespace tvk::test
