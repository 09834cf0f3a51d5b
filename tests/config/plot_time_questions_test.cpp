// The plot-time questions of plot request 46, on a copy of the record.
#include "config_fixture.h"

namespace tvk::test {
namespace {

class PlotTimeTest : public ConfigTest {
  protected:
    Record r{46, 400};

    void SetUp() override {
        ConfigTest::SetUp();
        spec.language_flags = 0x08;
        spec.coordinate_flags = 0x03;
        stored_config = {1, 8, 3, 1, 0, 8, 0, 9600, 0x00A4, 0x0F, 1};
        plotter_resolution = 1016;
        for (int i = 2; i < 400; ++i) r.set_u8(i, static_cast<uint8_t>(i));
    }
    void run() {
        use_record(r);
        serve_plot_time_questions();
    }
};

constexpr const char* kCoordinateMenu =
    "\nThis plotter supports two kinds of coordinate systems.\n    1 - Absolute coordinate system\n"
    "    2 - Relative coordinate system\n";

TEST_F(PlotTimeTest, AsksPaperCopiesPeAndCoordinatesThenSaves) {
    set_papers(10);
    current_paper.number = 3;
    r.set_i32(5, 0x12345678);
    // paper 4, 5 additional copies, PE yes, 8-bit yes, relative.
    host.answers = {value(4), value(5), value(1), value(1), value(2)};
    run();
    std::string expected = "Paper size :\n";
    for (int i = 1; i <= 10; ++i)
        expected += "  " + std::string(i < 10 ? "  " : " ") + std::to_string(i) + ". P" +
                    std::to_string(i) + "\n";
    expected += std::string("[ask_choice Select the number  (1 to 10) |1|10|3][c]") +
                "\n[ask_number Specify the number of additinal copies |2|99][c][s]" +
                "\nThis plotter supports PE command.\nDo you wish to use PE command ?\n" +
                "[ask_choice   YES - 1  NO - 2|1|2|1][c]" +
                "\nDo you wish to use 8bit mode PE command, if possible ?\n" +
                "[ask_choice   YES - 1  NO - 2|1|2|2][c]" + kCoordinateMenu +
                "[ask_choice Select the number |1|2|1][c]";
    EXPECT_EQ(transcript(host), expected);
    EXPECT_EQ(plot.host_plot_flags, 0x12345678u);
    EXPECT_EQ(r.status(), 19);
    // PE, 8-bit wanted and in effect (8N1 serial), relative now.
    ASSERT_EQ(host.saved.size(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(host.saved[0].begin(), host.saved[0].end()),
              stored_block(1, 8, 6, 1, 0, 8, 0, 9600, 0x009C, 0x0F, 4));
    EXPECT_EQ(plot.additional_copies, 5);
    // The chosen paper in the plot-limits fields; everything else as it was.
    EXPECT_EQ(r.f64(9), 4.0);
    EXPECT_EQ(r.f64(25), 4.0);
    EXPECT_EQ(r.f64(17), 2.0);
    EXPECT_EQ(r.f64(33), 2.0);
    EXPECT_EQ(r.f64(41), 1016.0);
    EXPECT_EQ(r.f64(49), 1016.0);
    EXPECT_EQ(0, std::memcmp(r.data() + 73, "MAX\0", 4));
    for (int i = 77; i < 400; ++i) ASSERT_EQ(r.u8(i), static_cast<uint8_t>(i)) << i;
    EXPECT_EQ(r.u16(2), 0x0302) << "no reply length";
}

TEST_F(PlotTimeTest, WithoutPapersOrAPaperChoiceTheLimitsStayUnwritten) {
    run();
    EXPECT_TRUE(host.calls_of("ask_choice").size() == 3) << "PE, 8-bit, coordinates";
    set_papers(3);
    host.clear_record();
    host.answers = {cancel()};
    run();
    for (int i = 4; i < 400; ++i) ASSERT_EQ(r.u8(i), static_cast<uint8_t>(i)) << i;
    EXPECT_EQ(r.status(), 19);
    EXPECT_EQ(host.prompts, 5) << "the questions go on after a cancelled paper menu";
}

TEST_F(PlotTimeTest, CopiesAreTakenOnlyWhenAnsweredWithinRange) {
    struct Case {
        Answer answer;
        int16_t copies;
    };
    const Case cases[] = {{value(0), 1},   {value(99), 100}, {cancel(), 3}, {skip(), 3},
                          {value(100), 3}, {value(-1), 3},   {value(7), 8}};
    for (const Case& c : cases) {
        stored_config.copies = 3;
        host.answers = {c.answer};
        run();
        EXPECT_EQ(stored_config.copies, c.copies);
        host.answers.clear();
    }
    // The skip test follows only an answer that was not cancelled.
    host.clear_record();
    stored_config.copies = 3;
    host.answers = {cancel()};
    run();
    EXPECT_NE(transcript(host).find("|2|99][c]\nThis plotter"), std::string::npos)
        << transcript(host);
    stored_config.copies = 101;
    host.clear_record();
    host.answers = {cancel()};
    run();
    EXPECT_EQ(stored_config.copies, 1);
    EXPECT_EQ(host.calls_of("ask_number").at(0).ints.at(0), 0);
}

// The copies configured are offered again, whatever a plot before left in
// the plot state.
TEST_F(PlotTimeTest, TheStoredCopiesAreOfferedAsTheAdditionalCopies) {
    stored_config.copies = 100;
    plot.additional_copies = 0;
    host.answers = {skip()};
    run();
    EXPECT_EQ(host.calls_of("ask_number").at(0).ints, (std::vector<int32_t>{99, 99}));
    EXPECT_EQ(stored_config.copies, 100);
    EXPECT_EQ(host.saved.at(0)[4], 100);
}

TEST_F(PlotTimeTest, OnlyTkGl3AsksForCopies) {
    stored_config.language = 4;
    spec.language_flags = 0x04 | 0x10;
    run();
    EXPECT_TRUE(host.calls_of("ask_number").empty());
    EXPECT_EQ(host.calls_of("ask_choice").size(), 3u);
}

TEST_F(PlotTimeTest, ACancelledAnswerKeepsTheFlags) {
    stored_config.flags = 0x00AC;  // PE, 8-bit wanted, absolute, serial
    host.answers = {take_default(), cancel(), cancel(), cancel()};
    run();
    EXPECT_EQ(stored_config.flags, 0x00BC) << "8-bit settled by the line; the rest kept";
    stored_config.flags = 0x00A4;
    host.answers = {take_default(), value(2)};
    run();
    EXPECT_EQ(stored_config.flags & 0x1C, 0) << "PE no clears 8-bit";
}

TEST_F(PlotTimeTest, EightBitPeNeedsACleanLine) {
    struct Case {
        uint16_t flags;
        int16_t data_bits, parity;
        bool in_effect;
    };
    for (const Case c : {Case{0x000C, 7, 2, true}, Case{0x008C, 8, 0, true},
                         Case{0x008C, 7, 0, false}, Case{0x008C, 8, 1, false}}) {
        stored_config.flags = c.flags;
        stored_config.data_bits = c.data_bits;
        stored_config.parity = c.parity;
        run();
        EXPECT_EQ((stored_config.flags & kFlagPe8) != 0, c.in_effect) << c.flags << c.data_bits;
    }
}

TEST_F(PlotTimeTest, PeNotOfferedClearsAllPeFlags) {
    stored_config.language = 2;
    spec.language_flags = 0x02;
    stored_config.flags = 0x009C;
    run();
    EXPECT_EQ(stored_config.flags, 0x0080);
    EXPECT_EQ(host.printed.find("PE"), std::string::npos);
}

TEST_F(PlotTimeTest, LatchAndRefusedSave) {
    error_latch = kLatchSetup;
    run();
    EXPECT_EQ(r.status(), -1);
    EXPECT_TRUE(host.calls.empty());
    error_latch = kLatchNone;
    host.save_result = 1;
    run();
    EXPECT_EQ(r.status(), -1);
    EXPECT_EQ(error_latch, kLatchSetup);
}

}  // namespace
}  // namespace tvk::test

namespace tvk::test {
namespace {

TEST_F(PlotTimeTest, ServedByThePlotEntry) {
    r.set_i16(0, 46);
    host.answers = {value(4)};
    call(Entry::kPlot, r);
    EXPECT_EQ(r.status(), 19);
    EXPECT_EQ(stored_config.copies, 5);
    EXPECT_EQ(host.saved.size(), 1u);
}

}  // namespace
}  // namespace tvk::test
