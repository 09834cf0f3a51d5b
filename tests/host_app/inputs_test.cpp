// SVG drawings and plot files given to `tvkplot plot`: placed at their real
// size, pens by colour; a plot read back and plotted again in another
// language draws the same lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

using decoder::Language;

class InputsTest : public ::testing::Test {
  protected:
    decoder::Decoded plot(const std::vector<std::string>& args, Language language,
                          const std::string& out = "out.plt") const {
        std::vector<std::string> all = {"plot"};
        all.insert(all.end(), args.begin(), args.end());
        all.insert(all.end(), {"-o", dir.file(out), "--yes"});
        const Outcome o = run_tvkplot(all, dir.file("config"));
        EXPECT_EQ(o.exit_code, 0) << o.out << o.err;
        const decoder::Decoded d = decoder::decode(read_file(dir.file(out)), language);
        EXPECT_TRUE(d.problems.empty()) << d.problems.front().what;
        return d;
    }
    TempDir dir;
};

// Pen-down segments in tenths of a millimetre, each with its pen and line
// type, the same whichever way they were drawn.
using Drawn = std::set<std::tuple<int, int, int64_t, int64_t, int64_t, int64_t>>;
Drawn drawn(const decoder::Decoded& d, int64_t units_per_tenth, int line_type_offset) {
    Drawn out;
    for (const decoder::Segment& s : decoder::drawn_segments(d)) {
        auto a = std::make_pair(s.from.x / units_per_tenth, s.from.y / units_per_tenth);
        auto b = std::make_pair(s.to.x / units_per_tenth, s.to.y / units_per_tenth);
        if (a == b) continue;
        if (b < a) std::swap(a, b);
        const int line_type = s.style.line_type ? s.style.line_type + line_type_offset : 0;
        out.emplace(s.style.pen, line_type, a.first, a.second, b.first, b.second);
    }
    return out;
}

TEST_F(InputsTest, AnSvgPlotsAtItsRealSizeWithAPenPerColour) {
    dir.write("page.svg",
              "<?xml version='1.0'?>\n"
              "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'"
              " width='100mm' height='100mm' viewBox='0 0 1000 1000'>\n"
              "<rect width='1000' height='1000' fill='none' stroke='black'/>\n"
              "<g transform='translate(100,200) scale(2)' stroke='red'>\n"
              "  <line x1='0' y1='0' x2='50' y2='0'/>\n"
              "  <defs><path id='tick' d='M 0 0 v 25'/></defs>\n"
              "  <use xlink:href='#tick' x='10' y='10'/>\n"
              "</g>\n"
              "<circle cx='500' cy='500' r='100' fill='none' stroke='#0000ff'/>\n"
              "</svg>\n");
    const decoder::Decoded d =
        plot({dir.file("page.svg"), "--scale", "1", "--margin", "0"}, Language::kTkGl1);
    // 40 units a millimetre; the page's lower-left corner at the paper's.
    const Extent e = drawn_extent(d);
    EXPECT_EQ(e.min_x, 0);
    EXPECT_EQ(e.min_y, 0);
    EXPECT_EQ(e.max_x, 4000);
    EXPECT_EQ(e.max_y, 4000);
    const Drawn all = drawn(d, 1, 0);
    // The line: (10, 80) to (20, 80) mm; the tick: (12, 78) down to (12, 73) mm; pen 2.
    EXPECT_TRUE(all.count({2, 0, 400, 3200, 800, 3200}));
    EXPECT_TRUE(all.count({2, 0, 480, 2920, 480, 3120}));
    int circle = 0;
    for (const auto& s : decoder::drawn_segments(d)) {
        if (s.style.pen != 3) continue;
        ++circle;
        EXPECT_NEAR(std::hypot(s.to.x - 2000.0, s.to.y - 2000.0), 400, 1);
    }
    EXPECT_GT(circle, 20);
}

TEST_F(InputsTest, APlotReadBackAndPlottedInAnotherLanguageDrawsTheSameLines) {
    dir.write("d.dxf", dxf_of_lines({{0, 0, 100, 0, 1},
                                     {100, 0, 100, 50, 2, "DASHED"},
                                     {100, 50, 0, 50, 3},
                                     {0, 50, 0, 0, 1},
                                     {20.5, 10.3, 60.1, 40.7, 2}}));
    // TK-GL3 at 40 units a millimetre, then VTX-GL at 10.
    const decoder::Decoded first = plot({dir.file("d.dxf"), "--scale", "1", "--model", "TVK-HG700"},
                                        Language::kTkGl3, "first.plt");
    const decoder::Decoded again =
        plot({dir.file("first.plt"), "--scale", "1", "--model", "TVK-PL250"}, Language::kVtxGl);
    const Drawn before = drawn(first, 4, 0), after = drawn(again, 1, 1);
    EXPECT_EQ(before.size(), 5u);
    // The dashed line comes back as the dashes its pattern drew on the first
    // plotter, on the line and covering part of it; the others as they were.
    Drawn solid, dashed;
    for (const auto& line : before) (std::get<1>(line) == 0 ? solid : dashed).insert(line);
    ASSERT_EQ(dashed.size(), 1u);
    const auto [pen, type, x0, y0, x1, y1] = *dashed.begin();
    const double full = std::hypot(double(x1 - x0), double(y1 - y0));
    Drawn solid_after;
    double dashes = 0;
    for (const auto& line : after) {
        const auto [p, t, a, b, c, d] = line;
        const auto off = [&](int64_t x, int64_t y) {
            return std::abs(double((x1 - x0) * (y - y0) - (y1 - y0) * (x - x0))) / full;
        };
        if (p == pen && t == 0 && off(a, b) <= 1 && off(c, d) <= 1) {
            dashes += std::hypot(double(c - a), double(d - b));
        } else {
            solid_after.insert(line);
        }
    }
    EXPECT_EQ(solid, solid_after);
    EXPECT_GT(dashes, 0.3 * full);
    EXPECT_LT(dashes, 0.95 * full);
}

TEST_F(InputsTest, UnreadableSvgsAndPlotsThatDrawNothingFailNamingTheFile) {
    dir.write("broken.svg", "<svg xmlns='http://www.w3.org/2000/svg'><rect");
    dir.write("empty.plt", "IN;SP1;PU100,100;SP0;");
    dir.write("packed.svgz", "\x1f\x8b\x08");
    for (const std::string& name :
         {dir.file("broken.svg"), dir.file("empty.plt"), dir.file("packed.svgz")}) {
        SCOPED_TRACE(name);
        const Outcome o =
            run_tvkplot({"plot", name, "-o", dir.file("out.plt"), "--yes"}, dir.file("config"));
        EXPECT_NE(o.exit_code, 0);
        EXPECT_NE(o.err.find(name + ": "), std::string::npos) << o.err;
        EXPECT_FALSE(file_exists(dir.file("out.plt")));
    }
}

TEST_F(InputsTest, StrokeWidthsBecomePenWidthsOnAPlotterThatTakesThem) {
    // 0.1 mm a user unit: black 0.5 and 0.8 mm (the widest counts), red 1.5
    // units scaled by 2 (0.3 mm), blue the default 1 unit but given on the
    // command line.
    dir.write("w.svg",
              "<svg xmlns='http://www.w3.org/2000/svg' width='100mm' height='100mm'"
              " viewBox='0 0 1000 1000'>\n"
              "<line x2='1000' stroke='black' stroke-width='5'/>\n"
              "<g style='stroke:#000;stroke-width:8'><line y2='1000'/></g>\n"
              "<line x1='100' x2='200' y1='500' y2='500' stroke='red' stroke-width='1.5'"
              " transform='scale(2)'/>\n"
              "<circle cx='500' cy='500' r='100' fill='none' stroke='#0000ff'/>\n"
              "</svg>\n");
    for (const auto& [scale, factor] : {std::pair{"1", 1.0}, std::pair{"1:2", 0.5}}) {
        std::map<int, double> widths;
        const auto d =
            plot({dir.file("w.svg"), "--scale", scale, "--model", "TVK-HG700", "--width", "3=0.35"},
                 Language::kTkGl3);
        for (const auto& s : decoder::drawn_segments(d)) widths[s.style.pen] = s.style.width_mm;
        EXPECT_NEAR(widths[1], 0.8 * factor, 1e-3) << scale;
        EXPECT_NEAR(widths[2], 0.3 * factor, 1e-3) << scale;
        EXPECT_NEAR(widths[3], 0.35, 1e-6) << scale;
    }
}

}  // namespace
}  // namespace tvk::host_test
