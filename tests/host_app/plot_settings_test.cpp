// The plot settings of the command line, checked on the decoded plot: the
// plot-time answers (paper, copies, PE, coordinates), pens by colour and by
// layer, layers left out, speeds and widths, the placement (margins, scale,
// centring, offsets, turning), what falls off the paper, dry runs, JSON
// summaries and several drawings in one run.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

using decoder::Language;

constexpr double kUnitsPerMm = 40;  // every bundled model in its languages here
constexpr double kA3Width = 420 * kUnitsPerMm;
constexpr double kA3Height = 297 * kUnitsPerMm;

// 200 by 100 drawing units, each side on its own layer and colour.
const std::vector<Line> kPlan = {{0, 0, 200, 0, 1, "CONTINUOUS", "WALLS"},
                                 {200, 0, 200, 100, 1, "CONTINUOUS", "WALLS"},
                                 {200, 100, 0, 100, 2, "CONTINUOUS", "DIM-A"},
                                 {0, 100, 0, 0, 3, "CONTINUOUS", "TEXT"}};

class PlotSettingsTest : public ::testing::Test {
  protected:
    Outcome tvkplot(std::vector<std::string> args) const {
        return run_tvkplot(args, dir.file("config"));
    }
    std::string plan() const {
        dir.write("plan.dxf", dxf_of_lines(kPlan));
        return dir.file("plan.dxf");
    }
    // Plots the plan with the arguments; the plot must succeed.
    decoder::Decoded plot(const std::vector<std::string>& args, Language language,
                          std::string* stream = nullptr, Outcome* outcome = nullptr) const {
        std::vector<std::string> all = {"plot", plan(), "-o", dir.file("out.plt"), "--yes"};
        all.insert(all.end(), args.begin(), args.end());
        const Outcome o = tvkplot(all);
        EXPECT_EQ(o.exit_code, 0) << o.out << o.err;
        if (outcome) *outcome = o;
        const std::string bytes = read_file(dir.file("out.plt"));
        if (stream) *stream = bytes;
        return decoder::decode(bytes, language);
    }

    TempDir dir;
};

std::map<int, int> segments_by_pen(const decoder::Decoded& d) {
    std::map<int, int> count;
    for (const auto& s : decoder::drawn_segments(d)) ++count[s.style.pen];
    return count;
}

TEST_F(PlotSettingsTest, PlotTimeAnswersReachTheDriverAsItsQuestionsAnswers) {
    // TVK-RX24 (TK-GL3, both coordinate systems, the PE command, 7 papers).
    ASSERT_EQ(tvkplot({"configure", "--model", "TVK-RX24", "--yes"}).exit_code, 0);
    struct Case {
        std::vector<std::string> args;
        int replots;
        bool pe;
        double paper_width_mm;  // the fitted drawing spans it less the margins
    };
    const std::vector<Case> cases = {
        {{}, 0, true, 36 * 25.4},
        {{"--paper", "a3", "--copies", "3"}, 2, true, 420},
        {{"--paper", "7", "--pe", "off"}, 0, false, 17 * 25.4},
        {{"--paper", "ANSI-C", "--copies", "1", "--coordinates", "relative"}, 0, true, 22 * 25.4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        std::string stream;
        const auto d = plot(c.args, Language::kTkGl3, &stream);
        EXPECT_EQ(d.replots, c.replots);
        EXPECT_EQ(stream.find("PE") != std::string::npos, c.pe);
        const Extent e = drawn_extent(d);
        EXPECT_NEAR(e.max_x - e.min_x, (c.paper_width_mm - 10) * kUnitsPerMm, 2);
    }
    // Absolute coordinates place the pen with PA after the opening.
    std::string stream;
    plot({"--coordinates", "absolute"}, Language::kTkGl3, &stream);
    EXPECT_NE(stream.find("PUPA"), std::string::npos) << stream.substr(0, 60);
    plot({"--coordinates", "relative"}, Language::kTkGl3, &stream);
    EXPECT_NE(stream.find("PRPU"), std::string::npos) << stream.substr(0, 60);
}

TEST_F(PlotSettingsTest, APaperOnALaterPageOfTheMenuIsFoundByName) {
    // Twenty-five papers: the driver shows ten at a time.
    std::string def = read_file(example("tvkplot.def"));
    std::string papers;
    for (int i = 1; i <= 25; ++i)
        papers += "P" + std::to_string(i) + ", " + std::to_string(100 + i) + " MM, 100 MM\n";
    const size_t at = def.find("%TK-GL1\nA3, 420 MM, 297 MM\nA4, 297 MM, 210 MM\n");
    ASSERT_NE(at, std::string::npos);
    def.insert(at + 8, papers);
    dir.write("many.def", def);
    const Outcome o = tvkplot({"--def", dir.file("many.def"), "plot", plan(), "--paper", "p23",
                               "--json", "--dry-run", "--yes"});
    ASSERT_EQ(o.exit_code, 0) << o.err;
    const Json j = parse_json(o.out);
    EXPECT_EQ(j["paper"].text, "P23");
    EXPECT_NEAR(j["paper_width_mm"].number, 123, 0.1);
}

TEST_F(PlotSettingsTest, ValuesThePlotterDoesNotAllowAreRefusedNamingWhatIs) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    // The first model: TVK-PL400, TK-GL1, 6 pens with speeds, papers A3 and A4.
    const std::vector<Case> cases = {
        {{"--paper", "A9"}, "no paper \"A9\" for this plotter: give one of 1 A3, 2 A4"},
        {{"--paper", "3"}, "give one of 1 A3, 2 A4"},
        {{"--copies", "2"}, "--copies: this plotter draws one copy of a plot"},
        {{"--pe", "on"}, "--pe: this plotter, in its language, has no PE command"},
        {{"--pen", "1=7"}, "--pen 1=7: no pen \"7\": this plotter has pens 1 to 6"},
        {{"--pen", "purple=1"}, "no colour \"purple\": give a colour number 1 to 255"},
        {{"--pen", "1"}, "--pen 1: give COLOUR=PEN"},
        {{"--layer-pen", "WALLS=0"}, "this plotter has pens 1 to 6"},
        {{"--speed", "1=300"}, "centimetres per second, 1 to 255"},
        {{"--width", "1=51"}, "above 0 and at most 50"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args = {"plot", plan(), "-o", dir.file("x.plt"), "--yes"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome o = tvkplot(args);
        EXPECT_EQ(o.exit_code, 1);
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_FALSE(file_exists(dir.file("x.plt")));
    }
}

TEST_F(PlotSettingsTest, PensByColourAndLayerLayersLeftOutSpeedsAndWidths) {
    struct Case {
        std::vector<std::string> args;
        std::map<int, int> segments_by_pen;
    };
    const std::vector<Case> cases = {
        {{}, {{1, 2}, {2, 1}, {3, 1}}},
        {{"--pen", "red=4", "--pen", "2=5"}, {{4, 2}, {5, 1}, {3, 1}}},
        {{"--layer-pen", "dim*=6", "--pen", "2=5"}, {{1, 2}, {6, 1}, {3, 1}}},
        {{"--exclude-layers", "text"}, {{1, 2}, {2, 1}}},
        {{"--layers", "W*,TEXT"}, {{1, 2}, {3, 1}}},
        {{"--layers", "W*", "--layers", "DIM-?"}, {{1, 2}, {2, 1}}},
        {{"--layers", "*", "--exclude-layers", "WALLS,DIM*"}, {{3, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_EQ(segments_by_pen(plot(c.args, Language::kTkGl1)), c.segments_by_pen);
    }
    // The fit takes the extents of the layers plotted: the top line alone
    // spans the paper's width less the margins.
    const Extent e = drawn_extent(plot({"--layers", "DIM-A"}, Language::kTkGl1));
    EXPECT_NEAR(e.max_x - e.min_x, kA3Width - 10 * kUnitsPerMm, 2);

    const Outcome none = tvkplot({"plot", plan(), "-o", dir.file("n.plt"), "--layers", "NONE"});
    EXPECT_EQ(none.exit_code, 1);
    EXPECT_NE(none.err.find("nothing to plot on the layers chosen; its layers with entities are "
                            "DIM-A, TEXT, WALLS"),
              std::string::npos)
        << none.err;

    // Speeds by pen (the first model's default is 30 cm/s).
    std::map<int, int> speeds;
    for (const auto& s : decoder::drawn_segments(plot({"--speed", "2=12"}, Language::kTkGl1)))
        speeds[s.style.pen] = s.style.velocity;
    EXPECT_EQ(speeds, (std::map<int, int>{{1, 30}, {2, 12}, {3, 30}}));

    // Widths reach TK-GL3 plotters in millimetres.
    ASSERT_EQ(tvkplot({"configure", "--model", "TVK-HG700", "--yes"}).exit_code, 0);
    std::map<int, double> widths;
    for (const auto& s : decoder::drawn_segments(plot({"--width", "2=0.7"}, Language::kTkGl3)))
        widths[s.style.pen] = s.style.width_mm;
    EXPECT_NEAR(widths[2], 0.7, 1e-6);
    EXPECT_NEAR(widths[1], 0.25, 0.1);
}

TEST_F(PlotSettingsTest, PlacementOnThePaper) {
    struct Case {
        std::vector<std::string> args;
        double min_x, min_y, width, height;  // millimetres on paper
    };
    const std::vector<Case> cases = {
        // Fitted inside the default 5 mm margins: 410 mm wide, 205 high, centred.
        {{}, 5, (297 - 205) / 2.0, 410, 205},
        {{"--margin", "20"}, 20, (297 - 190) / 2.0, 380, 190},
        {{"--scale", "1:2"}, 5, 5, 100, 50},
        {{"--scale", "0.5", "--margin", "0"}, 0, 0, 100, 50},
        {{"--scale", "1:2", "--center"}, 160, 123.5, 100, 50},
        {{"--scale", "1:2", "--offset", "10,20"}, 15, 25, 100, 50},
        {{"--scale", "1:1", "--rotate", "--offset", "300,0"}, 305, 5, 100, 200},
        // Turned only when that fits larger: this plan fits larger as it is.
        {{"--rotate=auto"}, 5, (297 - 205) / 2.0, 410, 205},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const Extent e = drawn_extent(plot(c.args, Language::kTkGl1));
        EXPECT_NEAR(e.min_x, c.min_x * kUnitsPerMm, 2);
        EXPECT_NEAR(e.min_y, c.min_y * kUnitsPerMm, 2);
        EXPECT_NEAR(e.max_x - e.min_x, c.width * kUnitsPerMm, 2);
        EXPECT_NEAR(e.max_y - e.min_y, c.height * kUnitsPerMm, 2);
    }
    // A tall drawing is turned by --rotate auto on landscape paper.
    dir.write("tall.dxf", dxf_of_lines({{0, 0, 0, 300}, {0, 300, 50, 300}}));
    for (const char* form : {"--rotate=auto", "auto"}) {
        std::vector<std::string> args = {
            "plot", dir.file("tall.dxf"), "-o", dir.file("t.plt"), "--dry-run", "--json"};
        if (std::string(form) == "auto")
            args.insert(args.end(), {"--rotate", "auto"});
        else
            args.push_back(form);
        const Outcome o = tvkplot(args);
        ASSERT_EQ(o.exit_code, 0) << o.err;
        EXPECT_TRUE(parse_json(o.out)["rotated"].boolean) << o.out;
    }
}

TEST_F(PlotSettingsTest, WhatFallsOffThePaperIsReportedWithItsShareAndSide) {
    // 200 units at 2 mm each: 400 mm from 5 mm, inside A3's 420 mm; shifted
    // 30 mm more, the right side falls off and the lines along it lose 15 mm.
    Outcome o;
    plot({"--scale", "2"}, Language::kTkGl1, nullptr, &o);
    EXPECT_EQ(o.out.find("outside the paper"), std::string::npos) << o.out;
    plot({"--scale", "2", "--offset", "30,0"}, Language::kTkGl1, nullptr, &o);
    // Of 1200 mm drawn, 230 mm are lost.
    EXPECT_NE(o.out.find("19.2% of the pen-down length lies outside the paper and is cut off: "
                         "15.0 mm beyond the right edge."),
              std::string::npos)
        << o.out;
}

TEST_F(PlotSettingsTest, DryRunAndJsonSummary) {
    const Outcome o = tvkplot({"plot", plan(), "--dry-run", "--json", "--pen", "3=6", "--scale",
                               "2", "--offset", "30,0"});
    ASSERT_EQ(o.exit_code, 0) << o.err;
    const Json j = parse_json(o.out);
    EXPECT_EQ(j["drawing"].text, plan());
    EXPECT_EQ(j["output"].kind, Json::Kind::kNull);
    EXPECT_TRUE(j["dry_run"].boolean);
    ASSERT_EQ(j["pens"].items.size(), 3u);  // colours 1 and 2 on pens 1 and 2; 3 on 6
    EXPECT_EQ(j["pens"].items[2].number, 6);
    EXPECT_EQ(j["vectors"].number, 3);
    EXPECT_GT(j["bytes"].number, 20);
    EXPECT_NEAR(j["pen_down_mm"].number, 1200 - 230, 0.5);
    EXPECT_GT(j["sending_seconds"].number, 0);
    EXPECT_GT(j["drawing_seconds"].number, 0);
    EXPECT_EQ(j["copies"].number, 1);
    EXPECT_EQ(j["paper"].text, "A3");
    EXPECT_NEAR(j["paper_width_mm"].number, 420, 0.1);
    EXPECT_NEAR(j["scale"].number, 2, 1e-9);
    EXPECT_NEAR(j["clipped_share"].number, 230.0 / 1200, 1e-3);
    EXPECT_NEAR(j["outside"]["right_mm"].number, 15, 0.1);
    EXPECT_EQ(j["outside"]["left_mm"].number, 0);
    EXPECT_EQ(j["not_drawn"].members.size(), 0u);
    // The texts go to standard error; nothing is written anywhere.
    EXPECT_NE(o.err.find("Dry run of " + plan()), std::string::npos) << o.err;

    const Outcome refused = tvkplot({"plot", plan(), "--json", "-o", "-"});
    EXPECT_EQ(refused.exit_code, 2);
    EXPECT_NE(refused.err.find("--json writes the summary on standard output"), std::string::npos);
}

TEST_F(PlotSettingsTest, SeveralDrawingsEachToItsOwnOutput) {
    dir.write("a.dxf", dxf_of_lines({{0, 0, 10, 0, 1}}));
    dir.write("b.dxf", dxf_of_lines({{0, 0, 0, 10, 2}, {0, 10, 10, 10, 2}}));
    const Outcome o =
        tvkplot({"plot", dir.file("a.dxf"), dir.file("b.dxf"), "-o", dir.file("{name}.plt"),
                 "--preview", dir.file("{name}.svg"), "--json"});
    ASSERT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(segments_by_pen(decoder::decode(read_file(dir.file("a.plt")), Language::kTkGl1)),
              (std::map<int, int>{{1, 1}}));
    EXPECT_EQ(segments_by_pen(decoder::decode(read_file(dir.file("b.plt")), Language::kTkGl1)),
              (std::map<int, int>{{2, 2}}));
    EXPECT_TRUE(file_exists(dir.file("a.svg")));
    EXPECT_TRUE(file_exists(dir.file("b.svg")));
    // One JSON object a line, one line a drawing.
    const size_t newline = o.out.find('\n');
    EXPECT_EQ(parse_json(o.out.substr(0, newline))["output"].text, dir.file("a.plt"));
    EXPECT_EQ(parse_json(o.out.substr(newline + 1))["output"].text, dir.file("b.plt"));

    const Outcome one_file =
        tvkplot({"plot", dir.file("a.dxf"), dir.file("b.dxf"), "-o", dir.file("x.plt")});
    EXPECT_EQ(one_file.exit_code, 2);
    EXPECT_NE(one_file.err.find("give -o a pattern with {name}"), std::string::npos);
}

}  // namespace
}  // namespace tvk::host_test

namespace tvk::host_test {
namespace {

// Model space: a diagonal (colour 1) and a long line (colour 3) at y = 5.
// Layout "Sheet1" (the entities section's paper space, A4): its own line
// (colour 4) and a 100 mm viewport at (100, 100) showing 20 units of model
// space about (5, 5), five times enlarged. Layout "Detail" (a block, A3
// turned): its own line (colour 2) and an 80 mm viewport at 8 times.
std::string dxf_with_layouts() {
    std::string s;
    const auto add = [&](std::initializer_list<std::pair<int, std::string>> groups) {
        for (const auto& [code, value] : groups) s += std::to_string(code) + "\n" + value + "\n";
    };
    add({{0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "BLOCK_RECORD"}});
    add({{0, "BLOCK_RECORD"}, {5, "1F"}, {2, "*Model_Space"}});
    add({{0, "BLOCK_RECORD"}, {5, "1E"}, {2, "*Paper_Space"}});
    add({{0, "BLOCK_RECORD"}, {5, "2A"}, {2, "*Paper_Space0"}});
    add({{0, "ENDTAB"}, {0, "ENDSEC"}, {0, "SECTION"}, {2, "BLOCKS"}});
    add({{0, "BLOCK"},
         {330, "2A"},
         {8, "0"},
         {2, "*Paper_Space0"},
         {70, "0"},
         {10, "0"},
         {20, "0"},
         {30, "0"},
         {3, "*Paper_Space0"}});
    add({{0, "LINE"},
         {330, "2A"},
         {8, "0"},
         {62, "2"},
         {10, "0"},
         {20, "0"},
         {30, "0"},
         {11, "100"},
         {21, "0"},
         {31, "0"}});
    add({{0, "VIEWPORT"},
         {330, "2A"},
         {8, "0"},
         {10, "50"},
         {20, "50"},
         {30, "0"},
         {40, "80"},
         {41, "80"},
         {68, "1"},
         {69, "2"},
         {12, "5"},
         {22, "5"},
         {45, "10"}});
    add({{0, "ENDBLK"}, {330, "2A"}, {8, "0"}, {0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"}});
    add({{0, "LINE"},
         {330, "1F"},
         {8, "0"},
         {62, "1"},
         {10, "0"},
         {20, "0"},
         {30, "0"},
         {11, "10"},
         {21, "10"},
         {31, "0"}});
    add({{0, "LINE"},
         {330, "1F"},
         {8, "0"},
         {62, "3"},
         {10, "-100"},
         {20, "5"},
         {30, "0"},
         {11, "100"},
         {21, "5"},
         {31, "0"}});
    // The sheet's own viewport (69 = 1) is the paper itself, not a window.
    add({{0, "VIEWPORT"},
         {330, "1E"},
         {67, "1"},
         {8, "0"},
         {10, "148.5"},
         {20, "105"},
         {30, "0"},
         {40, "297"},
         {41, "210"},
         {68, "1"},
         {69, "1"}});
    add({{0, "VIEWPORT"},
         {330, "1E"},
         {67, "1"},
         {8, "0"},
         {10, "100"},
         {20, "100"},
         {30, "0"},
         {40, "100"},
         {41, "100"},
         {68, "1"},
         {69, "2"},
         {12, "5"},
         {22, "5"},
         {45, "20"}});
    add({{0, "LINE"},
         {330, "1E"},
         {67, "1"},
         {8, "0"},
         {62, "4"},
         {10, "0"},
         {20, "0"},
         {30, "0"},
         {11, "10"},
         {21, "0"},
         {31, "0"}});
    add({{0, "ENDSEC"}, {0, "SECTION"}, {2, "OBJECTS"}});
    add({{0, "LAYOUT"},
         {330, "1A"},
         {100, "AcDbPlotSettings"},
         {1, "Setup"},
         {44, "297"},
         {45, "210"},
         {73, "0"},
         {100, "AcDbLayout"},
         {1, "Sheet1"},
         {330, "1E"}});
    add({{0, "LAYOUT"},
         {330, "1A"},
         {100, "AcDbPlotSettings"},
         {1, ""},
         {44, "420"},
         {45, "297"},
         {73, "1"},
         {100, "AcDbLayout"},
         {1, "Detail"},
         {330, "2A"}});
    add({{0, "LAYOUT"},
         {330, "1A"},
         {100, "AcDbPlotSettings"},
         {1, ""},
         {100, "AcDbLayout"},
         {1, "Model"},
         {330, "1F"}});
    add({{0, "ENDSEC"}, {0, "EOF"}});
    return s;
}

using Segments = std::map<int, std::vector<std::array<int64_t, 4>>>;

// Each segment from its lower-left end: the path order may run it either way.
Segments drawn_by_pen(const decoder::Decoded& d) {
    Segments by_pen;
    for (const auto& s : decoder::drawn_segments(d)) {
        std::array<int64_t, 4> seg{s.from.x, s.from.y, s.to.x, s.to.y};
        if (std::pair(seg[2], seg[3]) < std::pair(seg[0], seg[1]))
            seg = {seg[2], seg[3], seg[0], seg[1]};
        by_pen[s.style.pen].push_back(seg);
    }
    return by_pen;
}

TEST_F(PlotSettingsTest, LayoutsAreListedAndPlottedThroughTheirViewports) {
    dir.write("lay.dxf", dxf_with_layouts());
    const Outcome list = tvkplot({"layouts", dir.file("lay.dxf")});
    ASSERT_EQ(list.exit_code, 0) << list.err;
    EXPECT_NE(list.out.find("Sheet1                   297 x 210 mm       1 viewport\n"),
              std::string::npos)
        << list.out;
    EXPECT_NE(list.out.find("Detail                   297 x 420 mm       1 viewport\n"),
              std::string::npos)
        << list.out;
    EXPECT_EQ(list.out.find("Model"), std::string::npos) << list.out;

    // At 1 mm per paper unit (40 plotter units), from the paper's corner.
    const auto plot_layout = [&](const std::string& name) {
        const Outcome o = tvkplot({"plot", dir.file("lay.dxf"), "--layout", name, "--scale", "1",
                                   "--margin", "0", "-o", dir.file("l.plt"), "--yes"});
        EXPECT_EQ(o.exit_code, 0) << o.err;
        return drawn_by_pen(decoder::decode(read_file(dir.file("l.plt")), Language::kTkGl1));
    };
    // Model (0,0)-(10,10) five times about (5,5) at (100,100): 75 to 125 mm;
    // the long line at y = 5 cut to the viewport's 50 to 150 mm.
    EXPECT_EQ(plot_layout("sheet1"), (Segments{{1, {{3000, 3000, 5000, 5000}}},
                                               {3, {{2000, 4000, 6000, 4000}}},
                                               {4, {{0, 0, 400, 0}}}}));
    // Eight times about (5,5) at (50,50): the diagonal just fills the 80 mm
    // window, the long line is cut to it.
    const Segments detail = plot_layout("Detail");
    EXPECT_EQ(detail.at(1), (std::vector<std::array<int64_t, 4>>{{400, 400, 3600, 3600}}));
    EXPECT_EQ(detail.at(3), (std::vector<std::array<int64_t, 4>>{{400, 2000, 3600, 2000}}));
    EXPECT_EQ(detail.at(2), (std::vector<std::array<int64_t, 4>>{{0, 0, 4000, 0}}));

    const Outcome missing = tvkplot({"plot", dir.file("lay.dxf"), "--layout", "Plan", "--dry-run"});
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_NE(missing.err.find("no layout \"Plan\" in the drawing: its layouts are Sheet1, Detail"),
              std::string::npos)
        << missing.err;
}

}  // namespace
}  // namespace tvk::host_test
