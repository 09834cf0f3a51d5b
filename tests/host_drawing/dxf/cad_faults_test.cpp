// Faults found by plotting real drawings against an independent rendering:
// every number read, hatch boundaries chained, blocks reported by what is
// wrong with them, infinite lines, true colours.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/host_drawing/dxf/dxf_builder.h"

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

namespace tvk::host::test {
namespace {

// A hatch of one boundary path of edges (group 72 and its groups each), solid
// or of 45 degree lines 1 apart.
std::string edge_hatch(const std::vector<std::string>& edges, bool solid) {
    std::string h = entity("HATCH", {{8, "0"},
                                     {10, "0"},
                                     {20, "0"},
                                     {30, "0"},
                                     {2, solid ? "SOLID" : "ANSI31"},
                                     {70, solid ? "1" : "0"},
                                     {71, "0"},
                                     {91, "1"}});
    h += "92\n1\n93\n" + std::to_string(edges.size()) + "\n";
    for (const std::string& e : edges) h += e;
    h += "97\n0\n75\n1\n76\n1\n";
    if (!solid) h += "52\n0\n41\n1\n77\n0\n78\n1\n53\n45\n43\n0\n44\n0\n45\n-0.7\n46\n0.7\n79\n0\n";
    return h + "98\n0\n";
}

std::string line_edge(Vec2 a, Vec2 b) {
    return "72\n1\n10\n" + std::to_string(a.x) + "\n20\n" + std::to_string(a.y) + "\n11\n" +
           std::to_string(b.x) + "\n21\n" + std::to_string(b.y) + "\n";
}

// A half disc over (0, 10)-(10, 10), counter-clockwise from (10, 10), or
// clockwise from (0, 10) (its angles stored mirrored, as files store them).
std::string arc_edge(bool ccw) {
    return std::string("72\n2\n10\n5\n20\n10\n40\n5\n") +
           (ccw ? "50\n0\n51\n180\n73\n1\n" : "50\n180\n51\n360\n73\n0\n");
}

double ring_area(const std::vector<Vec2>& ring) {
    double twice = 0;
    for (size_t i = 0; i < ring.size(); ++i) {
        Vec2 a = ring[i], b = ring[(i + 1) % ring.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return std::fabs(twice) / 2;
}

TEST(CadFaults, HatchBoundaryEdgesAreChainedEndToStartInAnyOrderAndDirection) {
    // A 10 x 10 square under a half disc of radius 5.
    const double area = 100 + std::numbers::pi * 25 / 2;
    const std::string bottom = line_edge({0, 0}, {10, 0}), right = line_edge({10, 0}, {10, 10}),
                      left = line_edge({0, 10}, {0, 0});
    const std::string bottom_back = line_edge({10, 0}, {0, 0}),
                      right_back = line_edge({10, 10}, {10, 0});
    const struct {
        const char* what;
        std::vector<std::string> edges;
    } cases[] = {
        {"in order", {bottom, right, arc_edge(true), left}},
        {"shuffled", {left, bottom, arc_edge(true), right}},
        {"some reversed", {arc_edge(true), bottom_back, left, right_back}},
        {"clockwise arc the other way", {bottom, arc_edge(false), right, left}},
        {"ends a little apart",
         {line_edge({0, 0}, {10, 1e-5}), right, arc_edge(true), line_edge({1e-5, 10}, {0, 0})}},
    };
    for (const auto& c : cases) {
        const FlatDrawing solid = flat(dxf_file(edge_hatch(c.edges, true)));
        ASSERT_EQ(solid.fills.size(), 1u) << c.what;
        ASSERT_EQ(solid.fills[0].rings.size(), 1u) << c.what;
        EXPECT_NEAR(ring_area(solid.fills[0].rings[0]), area, 0.15) << c.what;
        // The pattern's lines fill the same shape: as many as the area asks.
        const Drawing pattern = load(dxf_file(edge_hatch(c.edges, false)));
        EXPECT_TRUE(pattern.unsupported().empty()) << c.what;
        double drawn = 0;
        for (const Path& p : pattern.flatten(0.01).paths) {
            ASSERT_EQ(p.points.size(), 2u) << c.what;
            drawn += std::hypot(p.points[1].x - p.points[0].x, p.points[1].y - p.points[0].y);
            for (Vec2 q : p.points) {
                EXPECT_TRUE(q.x > -1e-6 && q.x < 10 + 1e-6 && q.y > -1e-6 && q.y < 15 + 1e-6)
                    << c.what;
            }
        }
        EXPECT_NEAR(drawn, area, area * 0.05) << c.what;  // lines 1 apart
    }
}

TEST(CadFaults, AHatchBoundaryThatDoesNotCloseIsDrawnAsItsEdgesAndReported) {
    const std::vector<std::string> edges = {line_edge({0, 0}, {10, 0}), arc_edge(true),
                                            line_edge({10, 0}, {10, 10})};
    for (bool solid : {true, false}) {
        const Drawing d = load(dxf_file(edge_hatch(edges, solid)));
        EXPECT_EQ(d.unsupported().at("HATCH boundary that does not close"), 1);
        const FlatDrawing f = d.flatten(0.01);
        EXPECT_TRUE(f.fills.empty());
        EXPECT_EQ(f.paths.size(), 3u);  // each edge where it stands
    }
}

// A solid hatch of an outer path of edges and a circular hole of radius 5
// about (20, 15).
std::string hatch_with_hole(const std::vector<std::string>& outer) {
    std::string h = entity("HATCH", {{8, "0"},
                                     {10, "0"},
                                     {20, "0"},
                                     {30, "0"},
                                     {2, "SOLID"},
                                     {70, "1"},
                                     {71, "0"},
                                     {91, "2"}});
    h += "92\n1\n93\n" + std::to_string(outer.size()) + "\n";
    for (const std::string& e : outer) h += e;
    h += "97\n0\n92\n16\n93\n1\n72\n2\n10\n20\n20\n15\n40\n5\n50\n0\n51\n360\n73\n1\n97\n0\n";
    h += "75\n1\n76\n1\n";
    return h + "98\n0\n";
}

TEST(CadFaults, AnOpenOuterBoundaryLeavesItsHoleAsEdgesNotAFilledDisc) {
    // Three sides of a 40 x 30 rectangle: the fourth is missing.
    const Drawing d = load(dxf_file(hatch_with_hole(
        {line_edge({0, 0}, {40, 0}), line_edge({40, 0}, {40, 30}), line_edge({40, 30}, {0, 30})})));
    EXPECT_EQ(d.unsupported().at("HATCH boundary that does not close"), 1);
    const FlatDrawing f = d.flatten(0.01);
    EXPECT_TRUE(f.fills.empty());
    EXPECT_EQ(f.paths.size(), 4u);  // the three sides and the hole's circle
}

TEST(CadFaults, ABoundaryWhoseEndsLieWithinTheGapToleranceIsClosedAndFilled) {
    const std::vector<std::string> outer = {line_edge({0, 0}, {40, 0}),
                                            line_edge({40, 0}, {40, 30}),
                                            line_edge({40, 30}, {0, 30}),
                                            line_edge({0, 30}, {0, 0.5})};
    // Half a unit short: within a $HPGAPTOL of 1, not without it.
    const Drawing closed =
        load(dxf_file(hatch_with_hole(outer), "", "", "9\n$HPGAPTOL\n40\n1\n"));
    EXPECT_TRUE(closed.unsupported().empty());
    const FlatDrawing f = closed.flatten(0.01);
    ASSERT_EQ(f.fills.size(), 1u);
    EXPECT_EQ(f.fills[0].rings.size(), 2u);  // the rectangle and its hole
    const Drawing open = load(dxf_file(hatch_with_hole(outer)));
    EXPECT_EQ(open.unsupported().at("HATCH boundary that does not close"), 1);
    // A gap too small to see is closed whatever the tolerance.
    const std::vector<std::string> nearly = {line_edge({0, 0}, {40, 0}),
                                             line_edge({40, 0}, {40, 30}),
                                             line_edge({40, 30}, {0, 30}),
                                             line_edge({0, 30}, {0, 0.02})};
    EXPECT_TRUE(load(dxf_file(hatch_with_hole(nearly))).unsupported().empty());
}

}  // namespace
}  // namespace tvk::host::test

namespace tvk::host::test {
namespace {

TEST(CadFaults, TrueColoursAreCarriedThroughLayersAndBlocks) {
    auto line_at = [](double y, const Groups& colour, const std::string& layer = "0") {
        Groups g = {
            {8, layer}, {10, "0"}, {20, std::to_string(y)}, {11, "1"}, {21, std::to_string(y)}};
        g.insert(g.end(), colour.begin(), colour.end());
        return entity("LINE", g);
    };
    const std::string layers =
        entity("LAYER", {{2, "TC"}, {70, "0"}, {62, "1"}, {420, "65280"}, {6, "CONTINUOUS"}});
    const std::string blocks = block("B", {0, 0}, line_at(5, {{62, "0"}}));  // BYBLOCK
    std::string lines = line_at(0, {{420, "16711680"}}) +                    // red alone: index 1
                        line_at(1, {{62, "5"}, {420, "16744448"}}) +  // orange beside index 5
                        line_at(2, {{62, "3"}}) +                     // indexed only
                        line_at(3, {}, "TC") +                        // the layer's
                        entity("INSERT", {{8, "0"}, {2, "B"}, {10, "0"}, {20, "0"}, {420, "255"}});
    const FlatDrawing f = flat(dxf_file(lines, blocks, layers));
    const struct {
        int color;
        int32_t true_color;
    } expected[] = {{1, 0xFF0000}, {5, 0xFF8000}, {3, -1}, {1, 0x00FF00}, {5, 0x0000FF}};
    ASSERT_EQ(f.paths.size(), std::size(expected));
    for (size_t i = 0; i < f.paths.size(); ++i) {
        EXPECT_EQ(f.paths[i].color, expected[i].color) << i;
        EXPECT_EQ(f.paths[i].true_color, expected[i].true_color) << i;
    }
}

}  // namespace
}  // namespace tvk::host::test
