// The output path: strings straight to the host or through the output
// buffer, handed over in 128-byte pieces, with refusals and user breaks
// latched.
#include <gtest/gtest.h>

#include <string>

#include "plot/plot.h"
#include "plot_fixture.h"

namespace tvk::test {
namespace {

class OutputTest : public PlotTest {
  protected:
    void with_buffer(int32_t mebibytes) { ASSERT_TRUE(open_output_buffer(mebibytes)); }
    static int put(const std::string& s) { return output(s.c_str()); }
};

TEST_F(OutputTest, FlushHandsOverWholePiecesThenTheRest) {
    with_buffer(1);
    EXPECT_EQ(put(std::string(300, 'a')), 0);
    EXPECT_EQ(host.write_calls, 0);
    EXPECT_EQ(flush_output(), 0);
    EXPECT_EQ(host.write_sizes, (std::vector<int32_t>{128, 128, 44}));
    EXPECT_EQ(host.port, std::string(300, 'a'));
    EXPECT_EQ(plot.buffer_count, 0);
    for (const auto& c : host.calls_of("write_port"))
        EXPECT_EQ(c.ints, (std::vector<int32_t>{1, 0, c.ints[2], 0}));
}

TEST_F(OutputTest, ExactlyTwoPieces) {
    with_buffer(1);
    put(std::string(200, 'b'));
    put(std::string(56, 'c'));
    EXPECT_EQ(flush_output(), 0);
    EXPECT_EQ(host.write_sizes, (std::vector<int32_t>{128, 128}));
    EXPECT_EQ(plot.buffer_count, 0);
}

TEST_F(OutputTest, StringThatWouldFillTheBufferStartsTheNextLoad) {
    with_buffer(1);
    const int32_t capacity = plot.buffer_capacity;
    put(std::string(static_cast<size_t>(capacity - 10), 'd'));
    EXPECT_EQ(host.write_calls, 0);
    put(std::string(9, 'e'));  // one byte short of the capacity: still buffered
    EXPECT_EQ(host.write_calls, 0);
    EXPECT_EQ(plot.buffer_count, capacity - 1);
    put("f");  // would fill it exactly
    EXPECT_EQ(host.write_calls, capacity / 128);
    EXPECT_EQ(plot.buffer_count, 1);
    EXPECT_EQ(host.port.size(), static_cast<size_t>(capacity - 1));
}

TEST_F(OutputTest, StringsAreNeverSplitBetweenLoads) {
    with_buffer(1);
    const int32_t capacity = plot.buffer_capacity;
    put(std::string(static_cast<size_t>(capacity - 3), 'g'));
    put("hhhh");
    EXPECT_EQ(host.port.back(), 'g');
    EXPECT_EQ(plot.buffer_count, 4);
}

TEST_F(OutputTest, StringAsLongAsTheBufferGoesOutInBufferLoads) {
    with_buffer(1);
    const auto capacity = static_cast<size_t>(plot.buffer_capacity);
    put("ab");
    std::string big(2 * capacity + 5, 'x');
    big[0] = 'y';
    EXPECT_EQ(put(big), 0);
    EXPECT_EQ(host.port.size(), 2 + 2 * capacity);
    EXPECT_EQ(host.port.substr(0, 3), "aby");
    EXPECT_EQ(plot.buffer_count, 5);
    EXPECT_EQ(host.write_sizes.front(), 2);
}

TEST_F(OutputTest, EmptyString) {
    EXPECT_EQ(output(""), 0);
    EXPECT_EQ(host.write_sizes, (std::vector<int32_t>{0})) << "unbuffered: one call of 0 bytes";
    host.clear_record();
    with_buffer(1);
    EXPECT_EQ(output(""), 0);
    EXPECT_EQ(host.write_calls, 0);
    EXPECT_EQ(plot.buffer_count, 0);
}

TEST_F(OutputTest, RefusedSecondPieceOfAFullBuffer) {
    with_buffer(1);
    plot.drawn = 1;
    plot.additional_copies = 2;
    put(std::string(static_cast<size_t>(plot.buffer_capacity - 1), 'k'));
    host.refuse_write_at = 2;
    EXPECT_EQ(put("zz"), -1);
    EXPECT_EQ(host.write_sizes, (std::vector<int32_t>{128}));
    EXPECT_EQ(error_latch, -999);
    EXPECT_EQ(plot.buffer_count, 0);
    EXPECT_EQ(plot.drawn, 0);
    EXPECT_EQ(plot.additional_copies, 0);
    EXPECT_EQ(put("more"), -1);
    EXPECT_EQ(host.write_calls, 2);
    end_plot();
    EXPECT_EQ(host.printed, "\nPlotting error occured. \n");
}

TEST_F(OutputTest, BreakIsAskedBeforeEveryStringAndEveryPiece) {
    plot.break_check = 1;
    with_buffer(1);
    put(std::string(260, 'm'));
    put("n");
    EXPECT_EQ(host.break_checks, 2);
    EXPECT_EQ(flush_output(), 0);
    EXPECT_EQ(host.break_checks, 5);
    plot.break_check = 0;
    put("o");
    EXPECT_EQ(host.break_checks, 5);
}

// The drawing path writes its pieces straight into the buffer where they
// simply join it; at the end of a load they must go the whole way round.
TEST_F(OutputTest, DrawingPiecesAtTheEndOfABufferLoad) {
    start(kTkGl1);
    with_buffer(1);
    const int32_t capacity = plot.buffer_capacity;
    put(std::string(static_cast<size_t>(capacity - 11), 'r'));
    draw(1000, 1000);  // "PD" joins, "1000,1000" would fill the buffer exactly
    EXPECT_EQ(host.port.size(), static_cast<size_t>(capacity - 9));
    EXPECT_EQ(host.port.substr(host.port.size() - 3), "rPD");
    EXPECT_EQ(plot.buffer_count, 9);
    start(kTkGl3, kFlagPe);
    with_buffer(1);
    put(std::string(static_cast<size_t>(capacity - 5), 's'));
    draw(1000, 0);  // "PE7" joins, 1000 as "O]`" starts the next load
    EXPECT_EQ(host.port.substr(host.port.size() - 4), "sPE7");
    EXPECT_EQ(plot.buffer_count, 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(plot.buffer.get()), 4), "O]`_");
}

TEST_F(OutputTest, BufferedDrawingAsksForABreakBeforeEveryPiece) {
    spec.type_flags = kTypeBreakOn;
    spec.buffers = 1;
    for (uint16_t flags : {uint16_t{0}, uint16_t{kFlagPe}}) {
        start(kTkGl3, flags);
        const int before = host.break_checks;
        draw(1, 1);
        draw(2, 2);
        move(3, 3);
        // "PD" "1,1" "," "1,1" "PU" "1,1", or "PE7" "a" "a" "a" "a" "<" "a" "a"
        EXPECT_EQ(host.break_checks - before, flags ? 8 : 6);
        EXPECT_EQ(host.write_calls, 0);
    }
}

TEST_F(OutputTest, BreakDuringAFlushDropsTheRest) {
    plot.break_check = 1;
    with_buffer(1);
    put(std::string(300, 'p'));
    host.break_at = 3;  // the check before the second piece
    EXPECT_EQ(flush_output(), -1);
    EXPECT_EQ(error_latch, -110);
    EXPECT_EQ(host.write_sizes, (std::vector<int32_t>{128}));
    EXPECT_EQ(plot.buffer_count, 0);
    EXPECT_EQ(output("q"), -1);
    EXPECT_EQ(host.break_checks, 3) << "not asked again once latched";
}

TEST_F(OutputTest, UnbufferedRefusalLatches) {
    host.refuse_write_at = 1;
    EXPECT_EQ(output("SP1"), -1);
    EXPECT_EQ(error_latch, -999);
    EXPECT_EQ(output("SP2"), -1);
    EXPECT_EQ(host.write_calls, 1);
}

TEST_F(OutputTest, NoBufferOutsideOneToFiveMebibytes) {
    for (int32_t size : {0, 6, -1}) {
        EXPECT_TRUE(open_output_buffer(size));
        EXPECT_FALSE(plot.buffer);
        EXPECT_EQ(plot.buffer_capacity, 1 << 20);
        EXPECT_EQ(flush_output(), 0);
    }
    EXPECT_TRUE(open_output_buffer(5));
    EXPECT_EQ(plot.buffer_capacity, 5 << 20);
    release_output_buffer();
    EXPECT_EQ(plot.buffer_capacity, 1 << 20);
}

}  // namespace
}  // namespace tvk::test
