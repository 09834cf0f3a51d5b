// Faults found by plotting real drawings against an independent rendering:
// every number read, hatch boundaries chained, blocks reported by what is
// wrong with them, infinite lines, true colours.
#include <gtest/gtest.h>

#include <cmath>

#include "dxf_builder.h"

namespace tvk::host::test {
namespace {

TEST(CadFaults, SubnormalNumbersAreReadAsTheNumbersTheyAre) {
    // Real files carry them in header variables and in coordinates.
    const std::string dxf = dxf_file(
        entity("LINE", {{8, "0"},
                        {10, "2.20304232307e-313"},
                        {20, "-4.94065645841e-324"},
                        {11, "10"},
                        {21, "1e-310"}}),
        "", "",
        "  9\n$ANGBASE\n 50\n4.94065645841e-324\n  9\n$EXTMIN\n 10\n0\n 20\n2.20304232307e-313\n");
    const FlatDrawing f = flat(dxf);
    ASSERT_EQ(f.paths.size(), 1u);
    EXPECT_NEAR(f.paths[0].points[0].x, 0, 1e-300);
    EXPECT_NEAR(f.paths[0].points[0].y, 0, 1e-300);
    EXPECT_NEAR(f.paths[0].points[1].x, 10, 1e-12);
    // Numbers beyond a double are still refused.
    EXPECT_THROW(load(dxf_file(entity("LINE", {{8, "0"}, {10, "1e400"}, {20, "0"}}))), DxfError);
}

TEST(CadFaults, RaysAndLinesAreDrawnAcrossThePlottedWindowWithoutWideningIt) {
    const std::string frame =
        entity("LINE", {{8, "0"}, {10, "0"}, {20, "0"}, {11, "10"}, {21, "10"}});
    auto infinite = [](const std::string& type, Vec2 base, Vec2 dir) {
        return entity(type, {{8, "0"},
                             {10, std::to_string(base.x)},
                             {20, std::to_string(base.y)},
                             {11, std::to_string(dir.x)},
                             {21, std::to_string(dir.y)}});
    };
    // A block turns its content a quarter: the ray then runs up from (2, 3).
    const std::string turned = block("T", {0, 0}, infinite("RAY", {3, -2}, {1, 0}));
    const Drawing d = load(
        dxf_file(frame + infinite("XLINE", {5, 5}, {0, 2}) + infinite("RAY", {4, 4}, {-1, -1}) +
                     infinite("XLINE", {0, 20}, {1, 0}) +  // outside the window: nothing
                     entity("INSERT", {{8, "0"}, {2, "T"}, {10, "0"}, {20, "0"}, {50, "90"}}),
                 turned));
    const Box extents = d.extents();
    EXPECT_EQ(extents.max_x, 10);
    EXPECT_EQ(extents.max_y, 10);
    struct Expected {
        Vec2 a, b;
    };
    const std::vector<Expected> expected = {
        {{0, 0}, {10, 10}}, {{5, 0}, {5, 10}}, {{4, 4}, {0, 0}}, {{2, 3}, {2, 10}}};
    auto check = [&](const FlatDrawing& f, const std::vector<Expected>& want) {
        ASSERT_EQ(f.paths.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            ASSERT_EQ(f.paths[i].points.size(), 2u) << i;
            EXPECT_NEAR(f.paths[i].points[0].x, want[i].a.x, 1e-9) << i;
            EXPECT_NEAR(f.paths[i].points[0].y, want[i].a.y, 1e-9) << i;
            EXPECT_NEAR(f.paths[i].points[1].x, want[i].b.x, 1e-9) << i;
            EXPECT_NEAR(f.paths[i].points[1].y, want[i].b.y, 1e-9) << i;
        }
    };
    check(d.flatten(0.01), expected);
    // Across a wider window (the paper, when it is wider than the drawing).
    Box paper;
    paper.add(Vec2{-10, -5});
    paper.add(Vec2{30, 25});
    check(d.flatten(0.01, paper), {{{0, 0}, {10, 10}},
                                   {{5, -5}, {5, 25}},
                                   {{4, 4}, {-5, -5}},
                                   {{-10, 20}, {30, 20}},
                                   {{2, 3}, {2, 25}}});
}

}  // namespace
}  // namespace tvk::host::test
