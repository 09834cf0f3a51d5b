// Annotations: multileaders, the arrowheads and curves of leaders,
// multilines, and tables drawn from their blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tests/host_drawing/dxf/dxf_builder.h"

namespace tvk::host::test {
namespace {

Box bounds(const std::vector<Vec2>& points) {
    Box box;
    for (Vec2 p : points) box.add(p);
    return box;
}

// A multileader as AutoCAD writes it: a leader from (60, 120) to (70, 128.5)
// with a dogleg of 8 to the right; `content` holds the groups of its text or block.
std::string multileader(const Groups& content, const Groups& entity_groups = {}) {
    Groups g{{8, "0"},    {300, "CONTEXT_DATA{"}, {40, "1.0"}, {10, "78"}, {20, "128.5"},
             {41, "3.0"}, {140, "4.0"},           {145, "2.0"}};
    g.insert(g.end(), content.begin(), content.end());
    Groups leader{{302, "LEADER{"}, {290, "1"},  {291, "1"}, {10, "70"},  {20, "128.5"},
                  {11, "1"},        {21, "0"},   {90, "0"},  {40, "8.0"}, {304, "LEADER_LINE{"},
                  {10, "60"},       {20, "120"}, {91, "0"},  {305, "}"},  {271, "0"},
                  {303, "}"},       {301, "}"},  {170, "1"}, {291, "1"},  {42, "4.0"}};
    g.insert(g.end(), leader.begin(), leader.end());
    g.insert(g.end(), entity_groups.begin(), entity_groups.end());
    return entity("MULTILEADER", g);
}

const Groups kText{{290, "1"}, {304, "Note"}, {12, "80"}, {22, "130"}, {13, "1"},
                   {23, "0"},  {43, "0"},     {170, "1"}, {171, "1"},  {296, "0"}};

TEST(Annotations, MultileaderDrawsItsLeaderArrowheadAndText) {
    auto d = load(dxf_file(multileader(kText)));
    EXPECT_TRUE(d.unsupported().empty());
    auto f = d.flatten(0.01);
    // The arrowhead: a filled triangle 4 long with its tip on the first point.
    ASSERT_EQ(f.fills.size(), 1u);
    Box arrow = bounds(f.fills[0].rings[0]);
    EXPECT_NEAR(arrow.min_x, 60, 1e-9);
    EXPECT_NEAR(arrow.min_y, 120, 1e-9);
    EXPECT_LT(arrow.max_x, 64);
    // The leader from the back of the arrowhead to the last point, then the dogleg.
    const Path* leader = nullptr;
    for (const Path& p : f.paths)
        if (p.points.size() == 3) leader = &p;
    ASSERT_NE(leader, nullptr);
    EXPECT_NEAR(leader->points[1].x, 70, 1e-9);
    EXPECT_NEAR(leader->points[2].x, 78, 1e-9);
    EXPECT_NEAR(leader->points[2].y, 128.5, 1e-9);
    // "Note" hangs from its top left corner at (80, 130), 3 high.
    Box all = d.extents();
    EXPECT_NEAR(all.max_y, 130, 1e-9);
    EXPECT_GT(all.max_x, 85);
}

TEST(Annotations, MultileaderBlockContentIsFoundByItsBlockRecord) {
    std::string records = entity("BLOCK_RECORD", {{5, "1F"}, {2, "Tag"}});
    std::string blocks =
        block("TAG", {0, 0}, entity("CIRCLE", {{8, "0"}, {10, "0"}, {20, "0"}, {40, "5"}}));
    Groups content{{290, "0"}, {296, "1"},    {341, "1F"}, {14, "0"}, {24, "0"}, {34, "1"},
                   {15, "90"}, {25, "128.5"}, {16, "2"},   {26, "2"}, {46, "0"}};
    auto d = load(dxf_file(multileader(content), blocks, records));
    EXPECT_TRUE(d.unsupported().empty());
    Box all = d.extents();
    EXPECT_NEAR(all.max_x, 100, 1e-9);  // a circle of radius 10 about (90, 128.5)
    EXPECT_NEAR(all.max_y, 138.5, 1e-9);
    // A block record that is not there: the content is reported.
    std::string missing = dxf_file(multileader(content), blocks);
    EXPECT_EQ(load(missing).unsupported().at("MULTILEADER"), 1);
}

TEST(Annotations, InvisibleLeaderDrawsOnlyItsContent) {
    auto f = load(dxf_file(multileader(kText, {{170, "0"}}))).flatten(0.01);
    EXPECT_TRUE(f.fills.empty());
    for (const Path& p : f.paths) EXPECT_GE(p.points[0].x, 80);
}

std::string leader(const std::string& style, const Groups& extra = {}) {
    Groups g{{8, "0"},  {3, style}, {71, "1"},  {72, "0"},  {73, "3"},  {76, "3"},
             {10, "0"}, {20, "0"},  {10, "20"}, {20, "20"}, {10, "40"}, {20, "20"}};
    g.insert(g.end(), extra.begin(), extra.end());
    return entity("LEADER", g);
}

TEST(Annotations, LeaderArrowheadsTakeTheSizeOfTheirDimensionStyle) {
    // DIMASZ 5 at DIMSCALE 2: a closed filled arrowhead 10 long at the first vertex.
    std::string styles = entity("DIMSTYLE", {{2, "Mine"}, {70, "0"}, {40, "2"}, {41, "5"}});
    auto arrow_length = [&](const std::string& file) {
        auto f = load(file).flatten(0.01);
        EXPECT_EQ(f.fills.size(), 1u);
        if (f.fills.empty()) return 0.0;
        EXPECT_NEAR(bounds(f.fills[0].rings[0]).min_x, 0, 1e-9);
        // Its back corners stand out a sixth of its length on either side.
        double far = 0;
        for (Vec2 p : f.fills[0].rings[0]) far = std::max(far, std::hypot(p.x, p.y));
        return far / std::hypot(1, std::sin(18.924644 / 2 * std::numbers::pi / 180));
    };
    EXPECT_NEAR(arrow_length(dxf_file(leader("MINE"), "", styles)), 10, 1e-9);
    // Overridden in the leader's extended data: DIMASZ 3.
    Groups dstyle{{1001, "ACAD"}, {1000, "DSTYLE"}, {1002, "{"},
                  {1070, "41"},   {1040, "3"},      {1002, "}"}};
    EXPECT_NEAR(arrow_length(dxf_file(leader("Mine", dstyle), "", styles)), 6, 1e-9);
    // Without an arrowhead.
    EXPECT_TRUE(
        load(dxf_file(leader("Mine", {{71, "0"}}), "", styles)).flatten(0.01).fills.empty());
}

TEST(Annotations, LeaderArrowBlockAndSplinePath) {
    std::string tables = entity("BLOCK_RECORD", {{5, "2A"}, {2, "_Dot"}}) +
                         entity("DIMSTYLE", {{2, "Dots"}, {70, "0"}, {41, "2"}, {341, "2A"}});
    std::string blocks =
        block("_DOT", {0, 0}, entity("CIRCLE", {{8, "0"}, {10, "0"}, {20, "0"}, {40, "0.5"}}));
    auto d = load(dxf_file(leader("Dots", {{72, "1"}}), blocks, tables));
    EXPECT_TRUE(d.unsupported().empty());
    // The dot: a circle of radius 1 about the first vertex.
    Box b = d.extents();
    EXPECT_NEAR(b.min_x, -1, 1e-9);
    EXPECT_NEAR(b.min_y, -1, 1e-9);
    // The path is a curve through the vertices, not the two straight lines.
    auto f = d.flatten(0.01);
    const Path* path = nullptr;
    for (const Path& p : f.paths)
        if (p.points.size() > 10) path = &p;
    ASSERT_NE(path, nullptr);
    EXPECT_NEAR(path->points.back().x, 40, 1e-9);
}

TEST(Annotations, MultilineElementsFollowTheirMitres) {
    // Two elements 0.5 either side of an L from (0, 0) over (10, 0) to (10, 10).
    Groups g{{8, "0"},  {2, "STANDARD"}, {40, "1"}, {70, "0"}, {71, "1"},
             {72, "3"}, {73, "2"},       {10, "0"}, {20, "0"}};
    auto vertex = [&](double x, double y, double mx, double my) {
        for (Groups::value_type v : Groups{{11, std::to_string(x)},
                                           {21, std::to_string(y)},
                                           {12, "1"},
                                           {22, "0"},
                                           {13, std::to_string(mx)},
                                           {23, std::to_string(my)},
                                           {74, "2"},
                                           {41, "0.5"},
                                           {41, "0"},
                                           {75, "0"},
                                           {74, "2"},
                                           {41, "-0.5"},
                                           {41, "0"},
                                           {75, "0"}})
            g.push_back(v);
    };
    vertex(0, 0, 0, 1);
    vertex(10, 0, -1, 1);  // the mitre at the corner, as long as it reaches the offsets
    vertex(10, 10, -1, 0);
    auto f = load(dxf_file(entity("MLINE", g))).flatten(0.01);
    ASSERT_EQ(f.paths.size(), 2u);
    ASSERT_EQ(f.paths[0].points.size(), 3u);
    EXPECT_NEAR(f.paths[0].points[1].x, 9.5, 1e-9);  // the inner corner
    EXPECT_NEAR(f.paths[0].points[1].y, 0.5, 1e-9);
    EXPECT_NEAR(f.paths[1].points[2].x, 10.5, 1e-9);  // the outer line's end
}

TEST(Annotations, TablesAndArcDimensionsAreDrawnFromTheirBlocks) {
    std::string blocks =
        block("*T1", {0, 0},
              entity("LINE", {{8, "0"}, {10, "0"}, {20, "0"}, {11, "30"}, {21, "0"}})) +
        block("*D2", {0, 0},
              entity("LINE", {{8, "0"}, {10, "0"}, {20, "5"}, {11, "30"}, {21, "5"}}));
    auto d =
        load(dxf_file(entity("ACAD_TABLE", {{8, "0"}, {2, "*T1"}, {10, "100"}, {20, "50"}}) +
                          entity("ARC_DIMENSION", {{8, "0"}, {2, "*D2"}, {10, "0"}, {20, "0"}}) +
                          entity("ACAD_TABLE", {{8, "0"}, {10, "0"}, {20, "0"}}),
                      blocks));
    EXPECT_EQ(d.unsupported().size(), 1u);  // the table without its block
    EXPECT_EQ(d.unsupported().at("ACAD_TABLE"), 1);
    Box b = d.extents();
    EXPECT_NEAR(b.max_x, 130, 1e-9);  // the table at its insertion point
    EXPECT_NEAR(b.min_y, 5, 1e-9);    // the dimension where it is
}

}  // namespace
}  // namespace tvk::host::test
