// Plot files given to `tvkplot plot`: read back in each of the four languages
// the driver writes and plotted again, they draw the same lines (HP-GL's line
// types as the dashes the file's plotter draws); the language
// read is named, and --language and --page choose.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <tuple>

#include "fixtures.h"
#include "host/plotting/placement.h"
#include "host/plotting/plot_job.h"
#include "program.h"

namespace tvk::host_test {
namespace {

using decoder::Language;

class PlotFilesTest : public ::testing::Test {
  protected:
    Outcome plot(const std::vector<std::string>& args, const std::string& out) const {
        std::vector<std::string> all = {"plot"};
        all.insert(all.end(), args.begin(), args.end());
        all.insert(all.end(), {"-o", dir.file(out), "--yes"});
        return run_tvkplot(all, dir.file("config"));
    }
    TempDir dir;
};

// Pen-down segments with their pens and line types, in plotter units, the
// same whichever order or direction they were drawn in.
using Drawn = std::set<std::tuple<int, int, int64_t, int64_t, int64_t, int64_t>>;
Drawn drawn(const decoder::Decoded& d) {
    Drawn out;
    for (const decoder::Segment& s : decoder::drawn_segments(d)) {
        auto a = std::make_pair(s.from.x, s.from.y);
        auto b = std::make_pair(s.to.x, s.to.y);
        if (a == b) continue;
        if (b < a) std::swap(a, b);
        out.emplace(s.style.pen, s.style.line_type, a.first, a.second, b.first, b.second);
    }
    return out;
}

TEST_F(PlotFilesTest, APlotReadBackInEachLanguageOfTheDriverDrawsTheSameLines) {
    dir.write("d.dxf", dxf_of_lines({{0, 0, 100, 0, 1},
                                     {100, 0, 100, 50, 2, "DASHED"},
                                     {100, 50, 0, 50, 3},
                                     {0, 50, 0, 0, 1},
                                     {20.5, 10.3, 60.1, 40.7, 2},
                                     {30, 30, 30, 30, 1}}));
    struct Case {
        const char* model;
        Language language;
        const char* units_per_inch;
        const char* read_as;
    };
    for (const Case& c : {Case{"TVK-PL250", Language::kVtxGl, "254", "Read as VTX-GL."},
                          Case{"TVK-PL400", Language::kTkGl1, "1016", "Read as HP-GL."},
                          Case{"TVK-HG900L", Language::kTkGl2, "1016", "Read as HP-GL"},
                          Case{"TVK-RX24", Language::kTkGl3, "1016", "Read as HP-GL/2"}}) {
        SCOPED_TRACE(c.model);
        const std::vector<std::string> common = {"--scale", "1", "--model", c.model};
        std::vector<std::string> first_args = {dir.file("d.dxf")};
        first_args.insert(first_args.end(), common.begin(), common.end());
        Outcome o = plot(first_args, "first.plt");
        ASSERT_EQ(o.exit_code, 0) << o.err;
        std::vector<std::string> again_args = {dir.file("first.plt"), "--units-per-inch",
                                               c.units_per_inch};
        again_args.insert(again_args.end(), common.begin(), common.end());
        o = plot(again_args, "again.plt");
        ASSERT_EQ(o.exit_code, 0) << o.err;
        EXPECT_NE((o.out + o.err).find(c.read_as), std::string::npos) << o.out << o.err;
        const decoder::Decoded first =
            decoder::decode(read_file(dir.file("first.plt")), c.language);
        const decoder::Decoded again =
            decoder::decode(read_file(dir.file("again.plt")), c.language);
        EXPECT_TRUE(again.problems.empty());
        EXPECT_EQ(drawn(first).size(), 5u);
        if (c.language == Language::kVtxGl) {
            EXPECT_EQ(drawn(first), drawn(again));
            continue;
        }
        // HP-GL: the dashed line comes back as the dashes its pattern draws,
        // on the line and covering part of it; the rest as it was.
        Drawn solid, dashed_line;
        for (const auto& line : drawn(first))
            (std::get<1>(line) == 0 ? solid : dashed_line).insert(line);
        ASSERT_EQ(dashed_line.size(), 1u);
        const auto [pen, type, x0, y0, x1, y1] = *dashed_line.begin();
        const double full = std::hypot(double(x1 - x0), double(y1 - y0));
        Drawn solid_again;
        double dashes = 0;
        for (const auto& line : drawn(again)) {
            const auto [p, t, a, b, c2, d] = line;
            const auto off = [&](int64_t x, int64_t y) {
                return std::abs(double((x1 - x0) * (y - y0) - (y1 - y0) * (x - x0))) / full;
            };
            if (p == pen && off(a, b) <= 1 && off(c2, d) <= 1) {
                dashes += std::hypot(double(c2 - a), double(d - b));
            } else {
                solid_again.insert(line);
            }
        }
        EXPECT_EQ(solid, solid_again);
        EXPECT_GT(dashes, 0.3 * full);
        EXPECT_LT(dashes, 0.95 * full);
    }
}

TEST_F(PlotFilesTest, LabelsAndDotsArePlottedAndTheLanguageIsNamedAndChosen) {
    dir.write("hello.plt",
              "IN;SP1;PU0,0;PD4000,0,4000,4000,0,4000,0,0;PU2000,2000;CI1000;PU500,500;PD;"
              "PR1000,0,0,1000,-1000,0,0,-1000;PU;PA;SP2;PA500,4500;LBHELLO PLOTTER\x03;PU;SP3;"
              "PA6000,0;PD;PA8000,2000;PU;SP0;");
    dir.write("label.plt", "PD;PA1000,0;PU;LBa\x03;");
    dir.write("dots.plt", "IN;SP1;PA100,100;PD;PU;PA200,100;PD;PU;");
    for (const char* name : {"hello.plt", "label.plt", "dots.plt"}) {
        SCOPED_TRACE(name);
        const Outcome o = plot({dir.file(name), "--model", "TVK-RX24", "--scale", "1"}, "out.plt");
        ASSERT_EQ(o.exit_code, 0) << o.err;
        EXPECT_NE((o.out + o.err).find("Read as HP-GL."), std::string::npos) << o.out << o.err;
        EXPECT_EQ((o.out + o.err).find("Not drawn"), std::string::npos) << o.out << o.err;
        const decoder::Decoded d =
            decoder::decode(read_file(dir.file("out.plt")), Language::kTkGl3);
        std::set<int> pens;
        size_t dots = 0;
        for (const decoder::Segment& s : decoder::drawn_segments(d)) {
            pens.insert(s.style.pen);
            dots += s.from == s.to;
        }
        if (std::string(name) == "hello.plt") {
            EXPECT_EQ(pens, (std::set<int>{1, 2, 3}));
        } else if (std::string(name) == "dots.plt") {
            EXPECT_EQ(dots, 2u);
        } else {
            EXPECT_GT(decoder::drawn_segments(d).size(), 4u);
        }
    }
    // Read as another language it draws nothing, and says which it tried.
    Outcome o = plot({dir.file("label.plt"), "--language", "vtx-gl"}, "out2.plt");
    EXPECT_NE(o.exit_code, 0);
    EXPECT_NE(o.err.find("(read as VTX-GL) it draws nothing"), std::string::npos) << o.err;
    // Pages: the second, and a page the file does not have.
    dir.write("pages.plt", "IN;SP1;PA0,0;PD1000,0;PG;SP2;PA0,0;PD0,1000;PG;");
    o = plot({dir.file("pages.plt"), "--page", "2", "--model", "TVK-RX24"}, "p2.plt");
    ASSERT_EQ(o.exit_code, 0) << o.err;
    std::set<int> pens;
    for (const auto& s :
         decoder::drawn_segments(decoder::decode(read_file(dir.file("p2.plt")), Language::kTkGl3)))
        pens.insert(s.style.pen);
    EXPECT_EQ(pens, (std::set<int>{2}));
    // Every page, each to an output of its own.
    o = plot({dir.file("pages.plt"), "--model", "TVK-RX24"}, "{name}.plt");
    ASSERT_EQ(o.exit_code, 0) << o.err;
    for (int page : {1, 2}) {
        std::set<int> page_pens;
        for (const auto& s : decoder::drawn_segments(decoder::decode(
                 read_file(dir.file("pages-" + std::to_string(page) + ".plt")), Language::kTkGl3)))
            page_pens.insert(s.style.pen);
        EXPECT_EQ(page_pens, (std::set<int>{page}));
    }
    o = plot({dir.file("pages.plt"), "--page", "3"}, "p3.plt");
    EXPECT_NE(o.exit_code, 0);
    EXPECT_NE(o.err.find("there is no page 3: the file has 2 pages"), std::string::npos) << o.err;
}

// The preview reads a label's text as text, whatever it says, and says the
// labels are not in its picture; plot draws the file's dashes with the
// plotter's own pattern where it has one like it, else cuts them.
TEST_F(PlotFilesTest, PreviewPassesOverLabelsAndPlotKeepsTheFilesDashes) {
    const std::string lines = "IN;SP1;PA0,0;PD4000,0;PU;";
    dir.write("label.plt", lines + "LBPD9000,9000;PA0,9000\x03;PU;");
    dir.write("plain.plt", lines);
    for (const char* name : {"label", "plain"}) {
        const Outcome o = run_tvkplot({"preview", dir.file(std::string(name) + ".plt"), "-o",
                                       dir.file(std::string(name) + ".svg")},
                                      dir.file("config"));
        ASSERT_EQ(o.exit_code, 0) << o.err;
        EXPECT_EQ(o.err.find("1 label is not drawn") != std::string::npos, name[0] == 'l') << o.err;
    }
    EXPECT_EQ(read_file(dir.file("label.svg")), read_file(dir.file("plain.svg")));

    // Pattern 2 at 10 % of a P1-P2 diagonal of 5000 (dashes and gaps of 250
    // units, 6.25 mm): the plotter's own pattern 2 is of that size, so the
    // line goes whole with it. At 50 % (31.25 mm) the plotter has none as
    // long: the plot cuts the file's dashes.
    const struct {
        const char* length;
        size_t pieces;
        double piece;
        int line_type;
    } cases[] = {{"10", 1, 4000, 2}, {"50", 2, 1250, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        dir.write("dashed.plt",
                  std::string("IN;IP0,0,3000,4000;SP1;LT2,") + c.length + ";PA0,0;PD4000,0;PU;");
        const Outcome o =
            plot({dir.file("dashed.plt"), "--model", "TVK-RX24", "--scale", "1"}, "dashed-out.plt");
        ASSERT_EQ(o.exit_code, 0) << o.err;
        const decoder::Decoded d =
            decoder::decode(read_file(dir.file("dashed-out.plt")), Language::kTkGl3);
        const auto pieces = decoder::drawn_polylines(d);
        ASSERT_EQ(pieces.size(), c.pieces);
        for (const decoder::Polyline& piece : pieces) {
            ASSERT_EQ(piece.points.size(), 2u);
            EXPECT_NEAR(std::abs(double(piece.points[1].x - piece.points[0].x)), c.piece, 1);
            EXPECT_EQ(piece.style.line_type, c.line_type);
        }
    }
}

}  // namespace
}  // namespace tvk::host_test

namespace tvk::host_test {
namespace {

// A plot file's pen speeds go with its pens to a plotter whose pens have
// speeds, where they are slower than the profile's: the file slowed them for
// a reason (a pen type, a medium). A faster one, or a pen the file does not
// name, keeps the profile's speed; --speed still decides.
TEST(PlotFileSpeeds, APenTheFileSlowsIsDrawnNoFasterOnTheTarget) {
    using namespace tvk::host;
    const Drawing d = Drawing::from_plot(
        "IN;VS30;VS5,2;VS60,3;SP1;PA0,0;PD400,0;SP2;PD400,400;SP3;PD0,400;SP4;PD0,0;", "t.plt",
        1016);
    ASSERT_EQ(d.pen_speeds().size(), 3u);
    Profile profile;
    profile.pen_options = 0x04;  // pens of their own speeds
    profile.pen_speed = 40;
    for (int k = 1; k <= 4; ++k) {
        profile.pen_by_colour[static_cast<size_t>(k)] = static_cast<uint8_t>(k);
        profile.speed_by_colour[static_cast<size_t>(k)] = 20;
    }
    profile.speed_by_colour[4] = 0;  // the model's own speed, 40
    const HostArea area{1000, 1000};
    Box box;
    box.add(Vec2{0, 0});
    box.add(Vec2{10, 10});
    const JobGeometry geometry{Placement::fit(box, false, area), area, 1016};
    const auto speeds = [&](const PenChoices& choices) {
        std::map<int, int> by_pen;
        for (const PenPath& p : build_job(d.flatten(0.01), geometry, profile, choices).paths)
            by_pen[p.pen] = p.speed;
        return by_pen;
    };
    PenChoices choices;
    EXPECT_EQ(speeds(choices), (std::map<int, int>{{1, 20}, {2, 20}, {3, 20}, {4, 0}}));
    choices.file_speed_by_colour = d.pen_speeds();
    // Pen 1: every pen's 30 is faster than 20; pen 2: 5; pen 3: 60 is faster;
    // pen 4: 30 is slower than the model's 40.
    EXPECT_EQ(speeds(choices), (std::map<int, int>{{1, 20}, {2, 5}, {3, 20}, {4, 30}}));
    choices.speed_by_pen[2] = 15;
    EXPECT_EQ(speeds(choices)[2], 15);
}

}  // namespace
}  // namespace tvk::host_test
