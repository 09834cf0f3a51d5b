// Whole plot sessions as a host runs them (49, 50, 29, 43, 46, 47, 48, 30,
// drawing requests, 2), against definition files written to a temporary
// directory that the host path names.
#include <unistd.h>

#include <array>
#include <cstring>
#include <fstream>
#include <sstream>

#include "config/config.h"
#include "decoder/stream_decoder.h"
#include "deffile/deffile.h"
#include "plot_fixture.h"

namespace tvk::test {
namespace {

namespace dec = tvk::decoder;

constexpr const char* kDefinition =
    "[PLOTTER]\n"
    "*TVK-\n"
    " T1\n"
    " T2\n"
    "%\n"
    "[SPEC]\n"
    "*TVK-T1\n"
    "LANGUAGE: TK-GL1, TK-GL2, TK-GL3, PE-CMD, OH-CMD\n"
    "TYPE: RASTER\n"
    "MAX_AREA: 20, 15\n"
    "UNIT(TK-GL3): 40 UNIT/MM\n"
    "BUFFERS: 2\n"
    "WAIT_TIME: 30\n"
    "START(TK-GL3): \"IN;BP\"\n"
    "END(TK-GL3): \"PG;\"\n"
    "*TVK-T2\n"
    "LANGUAGE: VTX-GL\n"
    "PENS: 0\n"  // a bad value: the specification cannot be loaded
    "[PAPER]\n"
    "*TVK-T1\n"
    "%TK-GL3\n"
    "A3, 16.5, 11.5\n"
    "A4, 11.5, 8.25\n"
    "%TK-GL2\n"
    "A3, 16.5, 11.5, -100, 50\n";

class SessionTest : public PlotTest {
  protected:
    std::string dir;

    void SetUp() override {
        PlotTest::SetUp();
        char name[] = "/tmp/tvkplotXXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        reset_message_table();
        paper_count = 0;
        current_paper = CurrentPaper{1, 0, 0, 0, 0};
        write_definition(kDefinition);
    }
    void TearDown() override {
        std::remove((dir + "/tvkplot.def").c_str());
        rmdir(dir.c_str());
    }

    void write_definition(const std::string& text) {
        std::ofstream(dir + "/tvkplot.def", std::ios::binary) << text;
    }
    void keep_in_host(int16_t language, int16_t copies, uint16_t flags, int32_t paper = 1) {
        const auto b = stored_block(1, language, copies, 1, 0, 8, 0, 9600, flags, 0x0F, paper);
        std::array<uint8_t, 24> a{};
        std::memcpy(a.data(), b.data(), 24);
        host.stored = a;
    }

    // 49, 50, 29 and 43 with the 1-based model number.
    void open_plot(uint8_t model, uint8_t line_type_limit = 8) {
        initialise(Entry::kPlot, 1, 2, dir + "/acad.exe");
        host_language(Entry::kPlot, "EN");
        ASSERT_EQ(open_request(Entry::kPlot).status(), 0) << host.printed;
        Record r(43);
        r.set_u8(4, model).set_u8(7, 20).set_u8(8, line_type_limit);
        call(Entry::kPlot, r);
    }
    Record limits_request(int16_t code, uint32_t host_flags = 0) {
        Record r(code);
        r.set_i32(5, static_cast<int32_t>(host_flags));
        call(Entry::kPlot, r);
        return r;
    }
};

TEST_F(SessionTest, WholePlotInTkGl3) {
    keep_in_host(0x08, 3, kFlagPe | kFlagPe8Wanted | kFlagAbsolute | kFlagSerial, 2);
    open_plot(1);
    EXPECT_EQ(limits_request(46).status(), 19) << host.printed;
    EXPECT_EQ(limits_request(47).status(), 47);
    const Record setup = limits_request(48);
    EXPECT_EQ(setup.status(), 19) << host.printed;
    EXPECT_DOUBLE_EQ(setup.f64(9), 11.5) << "paper 2, A4";
    EXPECT_DOUBLE_EQ(setup.f64(17), 8.25);
    EXPECT_DOUBLE_EQ(setup.f64(41), 1016);
    EXPECT_EQ(setup.text(73, 4), "MAX");
    EXPECT_EQ(setup.u8(139), 4);
    EXPECT_EQ(setup.u8(140), 6);
    stored_config.copies = 5;
    const Record again = limits_request(48);
    EXPECT_EQ(again.status(), 0) << "the second set-up only refreshes";
    EXPECT_EQ(again.f64(9), 0.0) << "and writes no reply fields";
    EXPECT_EQ(again.text(73, 4), "");
    EXPECT_EQ(plot.additional_copies, 4);
    stored_config.copies = 3;
    host.clear_record();

    EXPECT_EQ(begin_plot().status(), 0);
    pen(1);
    move(10, 0);
    draw(10, 5);
    polygon(2, {{0, 0}, {100, 0}, {0, 100}});
    line_type(3);
    pen_width(0.01);
    draw(50, 50);
    EXPECT_EQ(end_plot().status(), 2);

    EXPECT_EQ(host.direct, (std::vector<std::string>{"\x1b.M50;0;0;13;26;0:", "\x1b.I81;0;17:",
                                                     "\x1b.N10;19:", "\x1b.@;0:"}));
    // 8-bit PE: 10 is 0xd3, 0 is 0xbf, 5 is 0xc9, 50 is "c" 0xc0.
    EXPECT_EQ(host.port,
              "IN;BPPS11684,8382SP1WU0PWPUPA0,0PRSP1PE<\xd3\xbf\xbf\xc9;SP2PU-10,-5PM0PD100,0,"
              "-100,100,0,-100PM2FPEPSP1LT-3,2.0PW0.254PEc\xc0"
              "c\xc0;PUPA0,0;WU0PW;LT;SP;PG;RP2;");
    for (size_t i = 0; i + 1 < host.write_sizes.size(); ++i) EXPECT_EQ(host.write_sizes[i], 128);
    EXPECT_EQ(host.calls_of("set_wait").front().ints, (std::vector<int32_t>{30, 1}));
    EXPECT_EQ(host.printed, "");

    const auto d = dec::decode(host.port, dec::Language::kTkGl3);
    EXPECT_TRUE(d.problems.empty());
    const auto lines = dec::drawn_polylines(d);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].points, (std::vector<dec::Point>{{10, 0}, {10, 5}}));
    EXPECT_EQ(lines[1].points, (std::vector<dec::Point>{{0, 0}, {50, 50}}));
    EXPECT_EQ(lines[1].style.line_type, 3);
    EXPECT_EQ(lines[2].style.pen, 2) << "the polygon's edge";
    EXPECT_EQ(d.replots, 2);
}

// Every model and language of the bundled definition file plots the same
// drawing and decodes back to it.
TEST_F(SessionTest, EveryModelAndLanguageOfTheBundledFile) {
    std::ifstream in(std::string(TVK_SOURCE_DIR) + "/examples/tvkplot.def", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    write_definition(text.str());
    const std::vector<std::pair<int, int16_t>> cases = {{1, 0x01}, {1, 0x02}, {2, 0x04}, {2, 0x08}};
    const std::vector<std::pair<uint16_t, uint16_t>> drawing = {
        {100, 100}, {900, 100}, {900, 700}, {100, 700}, {100, 100}};
    for (const auto& [model, language] : cases) {
        for (uint16_t flags : {uint16_t{kFlagAbsolute}, uint16_t{0}, uint16_t{kFlagPe}}) {
            SCOPED_TRACE("model " + std::to_string(model) + " language " +
                         std::to_string(language) + " flags " + std::to_string(flags));
            host.clear_record();
            keep_in_host(language, 1, flags);
            open_plot(static_cast<uint8_t>(model));
            ASSERT_EQ(limits_request(48).status(), 19) << host.printed;
            ASSERT_EQ(begin_plot().status(), 0);
            pen(1);
            move(drawing[0].first, drawing[0].second);
            for (size_t i = 1; i < drawing.size(); ++i) draw(drawing[i].first, drawing[i].second);
            end_plot();
            ASSERT_EQ(error_latch, 0) << host.printed;

            const auto index = language_index(language);
            const auto d = dec::decode(host.port, static_cast<dec::Language>(index));
            EXPECT_TRUE(d.problems.empty());
            const auto lines = dec::drawn_polylines(d);
            ASSERT_EQ(lines.size(), 1u) << host.port;
            const dec::Point origin{current_paper.origin_x, current_paper.origin_y};
            const bool relative = !(flags & kFlagAbsolute);
            for (size_t i = 0; i < drawing.size(); ++i) {
                const dec::Point at = lines[0].points[i];
                const dec::Point start = relative || index == kVtxGl ? dec::Point{} : origin;
                EXPECT_EQ(at.x - start.x, drawing[i].first);
                EXPECT_EQ(at.y - start.y, drawing[i].second);
            }
            EXPECT_EQ(lines[0].style.pen, 1);
        }
    }
}

TEST_F(SessionTest, CopiesAboveOneHundredAreResetAtOpen) {
    keep_in_host(0x08, 100, 0);
    open_plot(1);
    EXPECT_EQ(stored_config.copies, 100);
    keep_in_host(0x08, 101, 0);
    open_plot(1);
    EXPECT_EQ(stored_config.copies, 1);
}

TEST_F(SessionTest, OpenFailsWithoutAValidStoredConfiguration) {
    initialise(Entry::kPlot, 1, 2, dir + "/acad.exe");
    const Record r = open_request(Entry::kPlot);
    EXPECT_EQ(r.status(), -1) << "the host delivers nothing";
    EXPECT_EQ(r.i16(4), 3);
    EXPECT_EQ(error_latch, -888);
    EXPECT_EQ(host.paused_seconds(), 11);
    keep_in_host(0x08, 0, 0);  // no copies: invalid
    initialise(Entry::kPlot, 1, 2, dir + "/acad.exe");
    EXPECT_EQ(open_request(Entry::kPlot).status(), -1);
    EXPECT_EQ(stored_config.copies, 1) << "replaced by the defaults";
}

TEST_F(SessionTest, SetUpFallsBackToPaperOneAndToTheMaximumArea) {
    keep_in_host(0x08, 1, 0, 7);  // paper 7 of a list of two
    open_plot(1);
    Record r = limits_request(48);
    EXPECT_EQ(r.status(), 19);
    EXPECT_DOUBLE_EQ(r.f64(25), 16.5);
    EXPECT_EQ(stored_config.paper, 1);
    end_plot();
    keep_in_host(0x02, 1, 0, 2);  // TK-GL1 has no paper list on this model
    open_plot(1);
    const auto paused = host.paused_seconds();
    r = limits_request(48);
    EXPECT_EQ(r.status(), 19);
    EXPECT_EQ(host.paused_seconds() - paused, 7) << "a 6-second pause after the notice";
    EXPECT_DOUBLE_EQ(r.f64(9), 20);
    EXPECT_DOUBLE_EQ(r.f64(17), 15);
    EXPECT_EQ(stored_config.paper, 1);
}

// The divisor that set-up reports the resolution by is the one the plot's
// coordinates are multiplied by.
TEST_F(SessionTest, LongPlotSetUpDividesTheResolutionAndScalesThePlot) {
    write_definition(
        "[PLOTTER]\n*TVK-\n L1\n%\n"
        "[SPEC]\n*TVK-L1\nLANGUAGE: TK-GL1\nTYPE: LONG-PLOT\nMAX_AREA: 140, 40\n"
        "[PAPER]\n*TVK-L1\n%TK-GL1\nROLL, 130, 40\n");
    keep_in_host(0x02, 1, kFlagLongPlot);
    open_plot(1);
    const Record r = limits_request(48);
    EXPECT_EQ(r.status(), 19) << host.printed;
    EXPECT_DOUBLE_EQ(r.f64(9), 130);
    EXPECT_DOUBLE_EQ(r.f64(41), 254) << "1016 divided by 4";
    EXPECT_DOUBLE_EQ(r.f64(49), 254);
    host.clear_record();
    begin_plot();
    move(100, 100);
    draw(101, 100);
    end_plot();
    EXPECT_EQ(host.port, "INSP1PRPUPU400,400PD4,0;PUPA-404,-400;LT;SP;NR");
}

TEST_F(SessionTest, SetUpWithThePaperQueryReportsTheMaximumArea) {
    keep_in_host(0x08, 1, kFlagPaperQuery, 2);
    open_plot(1);
    const Record r = limits_request(48);
    EXPECT_EQ(r.status(), 19);
    EXPECT_DOUBLE_EQ(r.f64(33), 15);
    EXPECT_EQ(current_paper.number, 1);
}

TEST_F(SessionTest, SetUpFailureLatches) {
    keep_in_host(0x01, 1, 0);
    open_plot(2);
    const auto paused = host.paused_seconds();
    EXPECT_EQ(limits_request(48).status(), -1);
    EXPECT_EQ(error_latch, -888);
    EXPECT_EQ(host.paused_seconds() - paused, 11);
    EXPECT_EQ(limits_request(47).status(), -1);
    EXPECT_EQ(limits_request(46).status(), -1);
    EXPECT_EQ(begin_plot().status(), -1);
}

TEST_F(SessionTest, PlotLimitsAskThePlotterForItsPaper) {
    keep_in_host(0x08, 1, kFlagPaperQuery | kFlagSerial);
    open_plot(1);
    limits_request(48);
    host.reply = "-100,-50,10060,7570\r";
    Record r = limits_request(47);
    EXPECT_EQ(r.status(), 47);
    EXPECT_DOUBLE_EQ(r.f64(9), 10.0);
    EXPECT_DOUBLE_EQ(r.f64(17), 7.0);
    EXPECT_EQ(r.u8(139), 0) << "not written by request 47";
    host.clear_record();
    limits_request(47, 0x40);
    EXPECT_TRUE(host.direct.empty()) << "the host talks to the plotter itself";
    host.reply.clear();
    r = limits_request(47);
    EXPECT_EQ(r.status(), -1);
    EXPECT_EQ(error_latch, -888);
    EXPECT_DOUBLE_EQ(r.f64(9), 10.0) << "the fields are written anyway";
}

TEST_F(SessionTest, ShowConfiguration) {
    keep_in_host(0x04, 3, kFlagPe | kFlagSerial | kFlagPlotterFills, 1);
    open_plot(1);
    limits_request(48);
    host.clear_record();
    const Record r = request(31);
    EXPECT_EQ(r.status(), 31);
    EXPECT_EQ(host.printed,
              "\n Plotter : TVK-T1"
              "\n Plotter language : TK-GL2"
              "\n Paper size : A3 "
              "\n Number of copies = 2 "
              "\n PE command in use. "
              "\n Does not support long plot. "
              "\n Coordinate system : RELATIVE "
              "\n Plotter port : SERIAL   9600  8N1"
              "\n Plotter fills polygons. ");
}

TEST_F(SessionTest, ShowConfigurationOfAParallelVtxGlPlotterWithThePaperQuery) {
    keep_in_host(0x01, 1, kFlagAbsolute | kFlagLongPlot | kFlagPaperQuery);
    open_plot(1);
    host.clear_record();
    request(31);
    EXPECT_EQ(host.printed,
              "\n Plotter : TVK-T1"
              "\n Plotter language : VTX-GL"
              "\n Plotter queries on paper size."
              "\n Number of copies = 0 "
              "\n PE command not in use. "
              "\n Supports long plot. "
              "\n Coordinate system : ABSOLUTE "
              "\n Plotter port : PARALLEL ");
}

TEST_F(SessionTest, ShowConfigurationOfTheSerialLineAndPolygonFill) {
    keep_in_host(0x08, 1, kFlagSerial);
    open_plot(1);
    stored_config.parity = 1;
    stored_config.data_bits = 7;
    stored_config.stop_bits = 2;
    host.clear_record();
    request(31);
    EXPECT_TRUE(host.printed.ends_with("\n Plotter port : SERIAL   9600  7O2"
                                       "\n AutoCAD fills polygons. "))
        << host.printed;
    stored_config.parity = 5;  // not checked by the validation: no letter
    host.clear_record();
    request(31);
    EXPECT_NE(host.printed.find("SERIAL   9600  72\n"), std::string::npos) << host.printed;
}

TEST_F(SessionTest, ShowLineTypesKeepsTheCode) {
    keep_in_host(0x08, 1, 0);
    open_plot(1);
    host.clear_record();
    EXPECT_EQ(request(15).status(), 15);
    EXPECT_NE(host.printed, "");
}

}  // namespace
}  // namespace tvk::test
