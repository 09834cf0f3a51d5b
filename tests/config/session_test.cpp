// Whole configuration sessions as a host runs them, 49 to 47, against
// definition files written to a temporary directory that the host path names.
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "config_fixture.h"

namespace tvk::test {
namespace {

class SessionTest : public ConfigTest {
  protected:
    std::string dir;

    void SetUp() override {
        ConfigTest::SetUp();
        char name[] = "/tmp/tvkcfgXXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override {
        std::remove((dir + "/tvkplot.def").c_str());
        rmdir(dir.c_str());
    }

    void write_definition(const std::string& text) {
        std::ofstream(dir + "/tvkplot.def", std::ios::binary) << text;
    }
    void write_example_definition() {
        std::ifstream in(std::string(TVK_SOURCE_DIR) + "/examples/tvkplot.def", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        write_definition(s.str());
    }

    // 49, 50 and 11: the driver reads the file next to the host path.
    void open_session() {
        initialise(Entry::kConfig, 1, 2, dir + "/acad.exe");
        host_language(Entry::kConfig, "EN");
        ASSERT_EQ(open_request(Entry::kConfig).status(), 0) << host.printed;
    }
    Record configure(int16_t model, bool fresh = true) {
        Record r(21, 64);
        r.set_i16(4, model).set_i16(6, fresh ? 1 : 0);
        call(Entry::kConfig, r);
        return r;
    }
    Record request(int16_t code, int16_t model, size_t size = 2200) {
        Record r(code, size);
        r.set_i16(4, model);
        call(Entry::kConfig, r);
        return r;
    }
};

// Two models: a desktop plotter with VTX-GL and TK-GL1, and a large-format
// HP-GL/2 plotter that can be queried for its paper.
constexpr const char* kTwoModels =
    "; two models\n[PLOTTER]\n*TVK-\n PL400\n HG700\n%\n"
    "[SPEC]\n*TVK-PL400\nLANGUAGE: VTX-GL, TK-GL1\nMAX_AREA: 420 MM, 297 MM\n"
    "UNIT(VTX-GL): 40 UNIT/MM\nUNIT(TK-GL1): 40 UNIT/MM\n"
    "*TVK-HG700\nLANGUAGE: TK-GL2, TK-GL3, PE-CMD, OH-CMD\nTYPE: RASTER\nMAX_AREA: 841 MM, 594 "
    "MM\n%\n"
    "[PAPER]\n*TVK-PL400\n%VTX-GL\nA3, 420 MM, 297 MM\nA4, 297 MM, 210 MM\n"
    "%TK-GL1\nA3, 420 MM, 297 MM\nA4, 297 MM, 210 MM\n"
    "*TVK-HG700\n%TK-GL2\nA1, 841 MM, 594 MM, 0, 0\nA2, 594 MM, 420 MM, 0, 0\n"
    "%TK-GL3\nA1, 841 MM, 594 MM\nA2, 594 MM, 420 MM\n";

constexpr const char* kLineSettings =
    "[ask_port plotter|1|15][c]"
    "\nBaud rate :\n    1 -  9600\n    2 -  4800\n    3 -  2400\n    4 -  1200\n    5 -   600"
    "\n    6 -   300\n    7 -   150\n[ask_choice Select the number |1|7|1][c]"
    "\nStop bits :\n    1 - One stop bit\n    2 - Two stop bits\n"
    "[ask_choice Select the number |1|2|1][c]"
    "\nParity check :\n    1 - No parity\n    2 - Odd parity\n    3 - Even parity\n"
    "[ask_choice Select the number |1|3|1][c]"
    "\nData bits :\n    1 - Eight bits\n    2 - Seven bits\n"
    "[ask_choice Select the number |1|2|1][c]";

TEST_F(SessionTest, ADesktopModelFromOpenToSave) {
    write_definition(kTwoModels);
    open_session();
    Record names = request(20, 1, 64);
    EXPECT_EQ(names.i16(4), 2);
    EXPECT_EQ(names.text(8, 32), "TVK-PL400");
    EXPECT_EQ(request(20, 2, 64).text(8, 32), "TVK-HG700");
    host.clear_record();

    host.answers = {take_default(), take_default(), take_default(), take_default(),
                    take_default(), take_default(), value(2)};
    Record r = configure(1);
    EXPECT_EQ(transcript(host),
              std::string("\nThis plotter supports multiple plotter languages.\n    1 - TK-GL1\n"
                          "    2 - VTX-GL\n[ask_choice Select the number |1|2|1][c]") +
                  kLineSettings +
                  "\nPaper size :\n\n    1. A3\n    2. A4\n\n"
                  "[ask_choice Select the number |1|2|1][c]");
    EXPECT_EQ(r.status(), 0);
    EXPECT_EQ(r.reply_length(), 59);
    EXPECT_DOUBLE_EQ(r.f64(8), 297 / 25.4);
    EXPECT_DOUBLE_EQ(r.f64(16), 210 / 25.4);
    EXPECT_EQ(r.f64(24), 1016.0);
    EXPECT_EQ(r.f64(32), 1016.0);
    EXPECT_EQ(r.u16(40), 0x0F);
    EXPECT_EQ(r.i16(42), 8);
    EXPECT_EQ(r.i16(44), 1);
    EXPECT_EQ(r.i16(46), 6);
    EXPECT_EQ(r.i16(48), 1);
    EXPECT_EQ(r.i16(50), 9600);
    EXPECT_EQ(host.paused_seconds(), 0);

    EXPECT_EQ(request(22, 1).i16(4), 6);
    EXPECT_EQ(request(23, 1).u8(6 + 255), 1);
    EXPECT_EQ(request(25, 1).u8(6 + 9), 1);
    EXPECT_EQ(request(44, 1).f64(16 + 8 * 255), 0.01);
    Record limits = request(40, 1, 200);
    EXPECT_EQ(limits.status(), 0);
    EXPECT_DOUBLE_EQ(limits.f64(9), 297 / 25.4);
    EXPECT_EQ(limits.u8(139), 4);
    EXPECT_EQ(limits.u8(140), 6);
    Record save = request(47, 1, 200);
    EXPECT_EQ(save.status(), 0);
    ASSERT_EQ(host.saved.size(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(host.saved[0].begin(), host.saved[0].end()),
              stored_block(1, 2, 1, 1, 0, 8, 0, 9600, 0x00A0, 0x0F, 2));
}

TEST_F(SessionTest, EveryExampleModelConfiguresWithItsDefaults) {
    write_example_definition();
    open_session();
    ASSERT_GT(model_count, 0);
    const int16_t models = model_count;
    for (int16_t model = 1; model <= models; ++model) {
        host.clear_record();
        Record r = configure(model);
        const std::string name = model_list[model - 1];
        ASSERT_EQ(r.status(), 0) << name << host.printed;
        EXPECT_EQ(r.reply_length(), 59) << name;
        EXPECT_NE(spec.language_flags & stored_config.language, 0) << name;
        EXPECT_EQ(r.i16(46), spec.max_line_type) << name;
        Record limits = request(40, model, 200);
        EXPECT_EQ(limits.status(), 0) << name;
        EXPECT_EQ(limits.f64(9), current_paper.area_x) << name;
        EXPECT_GT(limits.f64(9), 0.0) << name;
        EXPECT_GT(limits.f64(41), 0.0) << name;
        EXPECT_EQ(request(47, model, 200).status(), 0) << name;
        ASSERT_EQ(host.saved.size(), 1u) << name;
        EXPECT_EQ(saved_config(host).language, stored_config.language) << name;
        EXPECT_EQ(error_latch, kLatchNone) << name;
    }
}

TEST_F(SessionTest, ThePaperQueryReportsTheMaximumArea) {
    write_definition(kTwoModels);
    open_session();
    stored_config.paper = 2;
    // HG700, TK-GL3: language, copies, PE, 8-bit, fill, query yes, then line settings.
    host.answers = {take_default(), take_default(), take_default(),
                    take_default(), take_default(), value(1)};
    Record r = configure(2);
    EXPECT_EQ(r.status(), 0);
    EXPECT_DOUBLE_EQ(r.f64(8), 841 / 25.4);
    EXPECT_DOUBLE_EQ(r.f64(16), 594 / 25.4);
    EXPECT_EQ(r.f64(24), 0.0) << "no resolution written";
    EXPECT_EQ(r.f64(32), 0.0);
    EXPECT_EQ(host.printed.find("Paper size"), std::string::npos);
    EXPECT_EQ(stored_config.paper, 1);
    EXPECT_EQ(current_paper.number, 1);
    EXPECT_EQ(host.paused_seconds(), 0);
}

TEST_F(SessionTest, NoPaperListPausesAndKeepsTheMaximumArea) {
    write_definition("[PLOTTER]\n*TVK-\nX1\n%\n[SPEC]\n*TVK-X1\nMAX_AREA: 10, 8\n");
    open_session();
    Record r = configure(1);
    EXPECT_EQ(r.status(), 0);
    EXPECT_NE(host.printed.find("\nA list of supported paper sizes of the plotter does not exist; "
                                "Max_area specification is used instead.\n"),
              std::string::npos);
    EXPECT_EQ(host.paused_seconds(), 7) << "6-second pause";
    EXPECT_EQ(r.f64(8), 0.0) << "no area written";
    EXPECT_EQ(r.reply_length(), 59);
    EXPECT_EQ(stored_config.paper, 1);
    Record limits = request(40, 1, 200);
    EXPECT_EQ(limits.f64(9), 10.0);
    EXPECT_EQ(limits.f64(17), 8.0);
}

TEST_F(SessionTest, AStoredPaperBeyondTheListIsOfferedAsPaperOne) {
    write_definition(kTwoModels);
    open_session();
    store_in_host(host, stored_block(1, 2, 1, 1, 0, 8, 0, 9600, 0x84, 0x0F, 7));
    Record r = configure(1, false);
    EXPECT_EQ(r.status(), 0);
    EXPECT_EQ(host.calls_of("ask_choice").back().ints, (std::vector<int32_t>{1, 2, 1}));
    store_in_host(host, stored_block(1, 2, 1, 1, 0, 8, 0, 9600, 0x84, 0x0F, 2));
    host.clear_record();
    configure(1, false);
    EXPECT_EQ(host.calls_of("ask_choice").back().ints, (std::vector<int32_t>{1, 2, 2}));
}

TEST_F(SessionTest, LongPlotDividesTheReportedResolution) {
    write_definition(
        "[PLOTTER]\n*TVK-\nLP\n%\n[SPEC]\n*TVK-LP\nTYPE: LONG-PLOT\nLANGUAGE: TK-GL1\n"
        "[PAPER]\n*TVK-LP\n%TK-GL1\nROLL, 130, 36\n");
    open_session();
    host.answers = {value(1)};  // long plot
    Record r = configure(1);
    EXPECT_EQ(r.status(), 0);
    EXPECT_EQ(r.f64(24), 254.0) << "1016 divided by 4";
    EXPECT_EQ(request(40, 1, 200).f64(41), 254.0);
}

TEST_F(SessionTest, FailuresLatchUntilInitialise) {
    write_definition(kTwoModels);
    open_session();
    Record bad = configure(3);
    EXPECT_EQ(bad.status(), -1);
    EXPECT_EQ(host.printed, "") << "a model outside the list fails without a message";
    EXPECT_EQ(host.paused_seconds(), 11);
    open_session();
    EXPECT_EQ(configure(257).status(), -1) << "not model 1 by its low byte";
    EXPECT_EQ(host.prompts, 0);
    EXPECT_EQ(error_latch, kLatchSetup);
    EXPECT_EQ(request(40, 1, 200).status(), -1);
    EXPECT_EQ(request(47, 1, 200).status(), -1);
    EXPECT_EQ(open_request(Entry::kConfig).status(), -1);
    EXPECT_EQ(configure(1).status(), -1);
    EXPECT_EQ(host.prompts, 0);
    EXPECT_EQ(request(22, 1).status(), 0) << "tables do not consult the latch";

    open_session();
    EXPECT_EQ(configure(1).status(), 0);
}

TEST_F(SessionTest, CancelInTheDialogOrThePaperMenuFailsWithoutAPause) {
    write_definition(kTwoModels);
    open_session();
    host.answers = {take_default(), cancel()};
    EXPECT_EQ(configure(1).status(), -1);
    EXPECT_EQ(error_latch, kLatchSetup);
    EXPECT_EQ(host.paused_seconds(), 0);
    EXPECT_TRUE(host.calls_of("ask_port").size() == 1 && host.prompts == 2);

    open_session();
    host.clear_record();
    host.answers.assign(6, take_default());
    host.answers.push_back(cancel());
    Record r = configure(1);
    EXPECT_EQ(r.status(), -1);
    EXPECT_EQ(host.prompts, 7) << "cancelled at the paper menu";
    EXPECT_EQ(host.paused_seconds(), 0);
    EXPECT_EQ(r.f64(8), 0.0);
}

TEST_F(SessionTest, AMalformedPaperListFailsAfterItsReport) {
    write_definition(
        "[PLOTTER]\n*TVK-\nX1\n%\n[SPEC]\n*TVK-X1\n[PAPER]\n*TVK-X1\n%TK-GL1\nA4, 297 CM, 210 "
        "MM\n");
    open_session();
    EXPECT_EQ(configure(1).status(), -1);
    EXPECT_NE(host.printed.find("Incorrect list of paper sizes"), std::string::npos);
    EXPECT_EQ(host.paused_seconds(), 11);
    EXPECT_EQ(error_latch, kLatchSetup);
}

}  // namespace
}  // namespace tvk::test
