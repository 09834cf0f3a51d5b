// Dashes a drawing gives by size (an SVG's stroke-dasharray) go to the
// plotter as its own pattern where it has one of that shape and size on
// paper, and are cut into dashes on the host where it has none.
#include <gtest/gtest.h>

#include "host/drawing/model/drawing.h"
#include "host/plotting/line_types.h"
#include "host/plotting/plot_job.h"

namespace tvk::host {
namespace {

// On a paper whose diagonal is 500 mm the patterns 1 and 2 are 5 mm long,
// the others 10 mm.
TEST(DashPatterns, MatchThePlottersPatternsByShapeAndSize) {
    const struct {
        const char* what;
        std::vector<double> dashes;
        bool vtx_gl;
        int max_line_type;
        int expected;
    } cases[] = {
        {"half and half", {2.5, 2.5}, false, 8, 2},
        {"repeated", {2.5, 2.5, 2.5, 2.5}, false, 8, 2},
        {"twice as long: none", {5, 5}, false, 8, 0},
        {"within a factor of 1.5", {3.5, 3.5}, false, 8, 2},
        {"long dash", {7, 3}, false, 8, 3},
        {"near enough", {7.4, 2.6}, false, 8, 3},
        {"half as long: none", {3.5, 1.5}, false, 8, 0},
        {"dash dot", {8, 1, 0, 1}, false, 8, 4},
        {"dash dot begun at the dot", {0, 1, 8, 1}, false, 8, 4},
        {"dots", {0.05, 4.95}, false, 8, 1},
        {"dash two dots", {7, 1, 0, 1, 0, 1}, false, 8, 7},
        {"dash two dots on TK-GL1: none", {7, 1, 0, 1, 0, 1}, false, 6, 0},
        {"VTX-GL numbers from the dashes", {2.5, 2.5}, true, 5, 1},
        {"VTX-GL has no dots", {0.05, 4.95}, true, 5, 0},
        {"another shape", {6, 4}, false, 8, 0},
        {"solid", {}, false, 8, 0},
        {"zeros", {0, 0}, false, 8, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(matching_line_type({c.dashes, 0}, c.vtx_gl, c.max_line_type, 500), c.expected);
    }
}

// A 100 mm SVG line at full size on a 400 by 300 mm paper (a diagonal of
// 500 mm), on a TK-GL3 plotter.
TEST(DashPatterns, APlotSendsThePatternOrTheDashes) {
    const auto job = [](const std::string& dasharray, double scale) {
        const Drawing d = Drawing::from_svg(
            "<svg xmlns='http://www.w3.org/2000/svg' width='100mm' height='10mm' viewBox='0 0 100 "
            "10'><path d='M0 5 H100' stroke='black' stroke-dasharray='" +
                dasharray + "'/></svg>",
            "t.svg");
        const double units_per_mm = 1016 / 25.4;
        const HostArea area{400 * units_per_mm, 300 * units_per_mm};
        Box box;
        box.add(Vec2{0, 0});
        box.add(Vec2{100, 10});
        Profile profile;
        profile.stored[2] = 0x08;  // TK-GL3
        profile.max_line_type = 8;
        return build_job(d.flatten(0.001),
                         {Placement::scaled(box, false, scale * units_per_mm), area, 1016},
                         profile);
    };
    // The plotter's long dash: the line whole, with line type 3.
    const PlotJob matched = job("7 3", 1);
    ASSERT_EQ(matched.paths.size(), 1u);
    EXPECT_EQ(matched.paths[0].line_type, 3);
    // Four times as long: cut into its dashes, 0-20, 40-60, 80-100.
    const PlotJob cut = job("20 20", 1);
    ASSERT_EQ(cut.paths.size(), 3u);
    for (const PenPath& p : cut.paths) {
        EXPECT_EQ(p.line_type, 0);
        ASSERT_EQ(p.points.size(), 2u);
        EXPECT_NEAR(p.points[1].first - p.points[0].first, 20 * 1016 / 25.4, 1.5);
    }
    // The same drawing at a quarter of its size on paper: the pattern again.
    EXPECT_EQ(job("28 12", 0.25).paths.at(0).line_type, 3);
}

}  // namespace
}  // namespace tvk::host
