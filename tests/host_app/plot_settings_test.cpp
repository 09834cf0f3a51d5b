// The plot settings of the command line, checked on the decoded plot: the
// plot-time answers (paper, copies, PE, coordinates), pens by colour and by
// layer, layers left out, speeds and widths, the placement (margins, scale,
// centring, offsets, turning), what falls off the paper, dry runs, JSON
// summaries and several drawings in one run.
#include <gtest/gtest.h>

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
    EXPECT_NE(none.err.find("nothing to plot on this paper on the layers chosen"),
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
    EXPECT_EQ(refused.exit_code, 1);
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
    EXPECT_EQ(one_file.exit_code, 1);
    EXPECT_NE(one_file.err.find("give -o a pattern with {name}"), std::string::npos);
}

}  // namespace
}  // namespace tvk::host_test
