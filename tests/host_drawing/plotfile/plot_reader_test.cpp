// Plot files read as drawings: pen paths, line types and filled polygons of
// HP-GL and VTX-GL, in millimetres by the source plotter's units.
#include "host/drawing/plotfile/plot_reader.h"

#include <gtest/gtest.h>

namespace tvk::host::test {
namespace {

struct Read {
    int color;
    std::string linetype;
    bool filled;
    std::vector<Vec2> points;
};

std::vector<Read> read(const std::string& plot, double units_per_inch = 1016) {
    Drawing::Impl impl;
    read_plot(plot, "t.plt", units_per_inch, impl);
    std::vector<Read> out;
    for (const Entity& e : impl.entities) {
        if (!std::holds_alternative<Shape>(e.what)) continue;
        const Shape& shape = std::get<Shape>(e.what);
        const auto& line = std::get<Polyline>(shape.traces.at(0).elements.at(0));
        out.push_back({e.color, e.linetype, shape.filled, line.points});
    }
    return out;
}

void expect_points(const std::vector<Vec2>& got, const std::vector<Vec2>& expected) {
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(got[i].x, expected[i].x, 1e-9) << i;
        EXPECT_NEAR(got[i].y, expected[i].y, 1e-9) << i;
    }
}

TEST(PlotReader, HpglPensLineTypesAndFillsBecomeColoursLineTypesAndFilledShapes) {
    const auto r = read(
        "IN;SP2;PU0,0;PD1016,0,1016,1016;LT3;PR;PD-1016,0;PA;LT;SP7;PU2032,0;PD2032,40;"
        "SP3;PU0,0;PM0;PD400,0,400,400;PM2;FP;");
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].color, 2);
    EXPECT_EQ(r[0].linetype, "CONTINUOUS");
    expect_points(r[0].points, {{0, 0}, {25.4, 0}, {25.4, 25.4}});
    EXPECT_EQ(r[1].linetype, "DASHED");
    expect_points(r[1].points, {{25.4, 25.4}, {0, 25.4}});
    EXPECT_EQ(r[2].color, 7);
    expect_points(r[2].points, {{50.8, 0}, {50.8, 1}});
    EXPECT_TRUE(r[3].filled);
    EXPECT_EQ(r[3].color, 3);
    EXPECT_EQ(r[3].points.size(), 3u);
}

TEST(PlotReader, VtxGlIsToldFromItsCommandsAndUnitsPerInchScaleIt) {
    // Pen 1, dashes "L1" (the HP-GL pattern 2), one step of 100 units.
    const auto r = read("\x1b.(R0,0J1L1I100,0L0I0,100", 254);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].linetype, "HIDDEN");
    expect_points(r[0].points, {{0, 0}, {10, 0}});
    EXPECT_EQ(r[1].linetype, "CONTINUOUS");
}

TEST(PlotReader, DrawingCommandsTheDecoderDoesNotFollowAreCountedAsNotDrawn) {
    const Drawing d = Drawing::from_plot("IN;SP1;PD100,0;CI50;ci20;LBtext\x03;PU;", "t.plt", 1016);
    EXPECT_EQ(d.unsupported(), (std::map<std::string, int>{{"HP-GL CI", 2}, {"HP-GL LB", 1}}));
}

TEST(PlotReader, NothingDrawnIsNotADrawing) {
    for (const char* plot : {"", "IN;SP1;PU100,100;", "hello, world"}) {
        Drawing::Impl impl;
        EXPECT_THROW(read_plot(plot, "t.plt", 1016, impl), DrawingError) << plot;
    }
}

}  // namespace
}  // namespace tvk::host::test
