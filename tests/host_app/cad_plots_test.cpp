// Drawings plotted as CAD programs plot them: lines on the paper's edge,
// infinite lines, and the reports of what is not drawn. Plots are decoded
// back and checked on the vectors that reach the plotter.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "fixtures.h"
#include "host/plotting/clipping.h"
#include "host/plotting/pen_colours.h"
#include "host/plotting/placement.h"
#include "host/plotting/plot_job.h"
#include "program.h"

namespace tvk::host_test {
namespace {

using decoder::Language;
using namespace tvk::host;

class CadPlotTest : public ::testing::Test {
  protected:
    // Plots `dxf` to a file and decodes it; the plot must succeed.
    decoder::Decoded plot(const std::string& dxf, std::vector<std::string> args = {}) {
        dir.write("d.dxf", dxf);
        std::vector<std::string> all = {"plot", dir.file("d.dxf"), "-o", dir.file("out.plt"),
                                        "--yes"};
        all.insert(all.end(), args.begin(), args.end());
        outcome = run_tvkplot(all, dir.file("config"));
        EXPECT_EQ(outcome.exit_code, 0) << outcome.out << outcome.err;
        return decoder::decode(read_file(dir.file("out.plt")), Language::kTkGl1);
    }

    TempDir dir;
    Outcome outcome;
};

TEST(EdgeClipping, TheOutermostLinesOfAFittedDrawingStayWhole) {
    // The fit puts the frame's sides on the paper's edges give or take a
    // rounding error (24384.000000000004 against 24384, -1.8e-12 against 0):
    // each side is still one whole vector, on every paper size.
    const std::vector<std::vector<Vec2>> frame = {{{0, -35}, {20.75, -35}},
                                                  {{20.75, -35}, {20.75, 6.5}},
                                                  {{20.75, 6.5}, {0, 6.5}},
                                                  {{0, 6.5}, {0, -35}}};
    Box box;
    for (const auto& side : frame) box.add(side[0]), box.add(side[1]);
    int lost = 0;
    for (double height = 1000; height <= 65535; height += 317) {
        for (double width : {height * 0.5, height * 0.7071, height, height * 1.4142}) {
            for (bool rotate : {false, true}) {
                const HostArea area{std::floor(width), height};
                const Placement fit = Placement::fit(box, rotate, area);
                for (const auto& side : frame) {
                    const auto pieces =
                        clip_polyline({fit.apply(side[0]), fit.apply(side[1])}, area);
                    if (pieces.size() != 1 || pieces[0].size() != 2) ++lost;
                }
            }
        }
    }
    EXPECT_EQ(lost, 0);
    // Beyond a fraction of a unit, outside is outside.
    EXPECT_TRUE(clip_polyline({{-0.6, 0}, {-0.6, 50}}, HostArea{100, 100}).empty());
    EXPECT_EQ(clip_ring({{-1e-9, -1e-9}, {100.2, 0}, {100.2, 100.2}}, HostArea{100, 100}),
              (HostPolyline{{0, 0}, {100, 0}, {100, 100}}));
}

TEST(PenColours, TrueColoursGoToThePenOfTheNearestColourWhereTheProfileGivesThem) {
    const std::map<int, uint32_t> pens = {
        {1, 0x000000}, {2, 0xFF0000}, {3, 0x0000FF}, {4, 0x00A000}};
    const struct {
        uint32_t rgb;
        int pen;
    } cases[] = {{0xF01010, 2}, {0x2020C0, 3}, {0x00FF00, 4},
                 {0x303030, 1}, {0xFFFFFF, 1},  // white draws black on the paper
                 {0x800000, 2}};
    for (const auto& c : cases) EXPECT_EQ(nearest_pen(c.rgb, pens), c.pen) << std::hex << c.rgb;
    EXPECT_EQ(nearest_pen(0x123456, {}), 0);

    // Through the plot job: a reddish and a bluish line, and one of colour 3.
    FlatDrawing flat;
    flat.paths.push_back({.color = 1,
                          .true_color = 0xF01010,
                          .linetype = "CONTINUOUS",
                          .points = {{0, 0}, {10, 0}}});
    flat.paths.push_back({.color = 5,
                          .true_color = 0x2020C0,
                          .linetype = "CONTINUOUS",
                          .points = {{0, 5}, {10, 5}}});
    flat.paths.push_back({.color = 3, .linetype = "CONTINUOUS", .points = {{0, 9}, {10, 9}}});
    Box box;
    box.add(Vec2{0, 0});
    box.add(Vec2{10, 10});
    const HostArea area{1000, 1000};
    const JobGeometry geometry{Placement::fit(box, false, area), area, 1016};
    Profile profile;
    profile.pen_by_colour[1] = 5;
    profile.pen_by_colour[5] = 6;
    profile.pen_by_colour[3] = 7;
    auto pens_used = [&] {
        std::vector<int> used;
        for (const PenPath& p : build_job(flat, geometry, profile).paths) used.push_back(p.pen);
        return used;
    };
    // Without pen colours, as before: the pens of the nearest indexed colours.
    EXPECT_EQ(pens_used(), (std::vector<int>{5, 6, 7}));
    profile.pen_colour = pens;
    EXPECT_EQ(pens_used(), (std::vector<int>{2, 3, 7}));
}

TEST_F(CadPlotTest, AnInfiniteLineCrossesThePaperAndBrokenReferencesAreNamed) {
    // A 100 x 100 square fitted to A3 landscape, with a horizontal XLINE
    // through its middle: the line runs from one side of the paper to the other.
    std::string dxf = dxf_of_lines({{0, 0, 100, 0}, {100, 0, 100, 100}, {100, 100, 0, 100}});
    dxf.insert(dxf.find("0\nENDSEC"),
               "0\nXLINE\n8\n0\n10\n50\n20\n50\n30\n0\n11\n1\n21\n0\n31\n0\n"
               "0\nINSERT\n8\n0\n2\nNOWHERE\n10\n0\n20\n0\n30\n0\n");
    const auto segments = decoder::drawn_segments(plot(dxf));
    ASSERT_EQ(segments.size(), 4u);
    const Extent e = drawn_extent(plot(dxf));
    EXPECT_EQ(e.min_x, 0);
    EXPECT_NEAR(e.max_x, 420 / 25.4 * 1016, 1);
    EXPECT_NE(outcome.out.find("Not drawn: block NOWHERE is missing."), std::string::npos)
        << outcome.out;
    EXPECT_EQ(outcome.out.find("not supported"), std::string::npos) << outcome.out;

    // Text with a character no font has: said once, with the rest of the report.
    dxf.insert(dxf.find("0\nENDSEC"), "0\nTEXT\n8\n0\n10\n0\n20\n0\n40\n5\n1\n\xE2\x82\xAC 5\n");
    plot(dxf);
    EXPECT_NE(outcome.out.find("Not in any font, drawn as \"?\": 1 character (U+20AC)."),
              std::string::npos)
        << outcome.out;
}

}  // namespace
}  // namespace tvk::host_test
