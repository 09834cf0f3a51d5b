// The reader takes what the file gives: the vertices that are there, whatever
// a count announces, and nothing from one entity into the next.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/host_drawing/dxf/dxf_builder.h"

namespace tvk::host::test {
namespace {

TEST(DxfReading, LeadersRunThroughTheVerticesTheFileGives) {
    const std::string vertices = "10\n0\n20\n0\n10\n20\n20\n20\n10\n40\n20\n20\n";
    const struct {
        const char* what;
        std::string count;  // group 76, if any
    } cases[] = {
        {"as many as announced", "76\n3\n"},
        {"fewer than announced", "76\n5\n"},
        {"more than announced", "76\n2\n"},
        {"no count", ""},
    };
    for (const auto& c : cases) {
        // A leader of other vertices before it leaves nothing behind.
        const std::string before = entity("LEADER", {{8, "0"},
                                                     {71, "0"},
                                                     {76, "4"},
                                                     {10, "7"},
                                                     {20, "7"},
                                                     {10, "8"},
                                                     {20, "8"},
                                                     {10, "9"},
                                                     {20, "9"},
                                                     {10, "6"},
                                                     {20, "6"}});
        const std::string leader = "0\nLEADER\n8\n0\n71\n0\n" + c.count + vertices;
        const FlatDrawing f = flat(dxf_file(before + leader));
        ASSERT_EQ(f.paths.size(), 2u) << c.what;
        const std::vector<Vec2>& p = f.paths[1].points;
        ASSERT_EQ(p.size(), 3u) << c.what;
        const Vec2 expected[] = {{0, 0}, {20, 20}, {40, 20}};
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(p[i].x, expected[i].x, 1e-9) << c.what << " vertex " << i;
            EXPECT_NEAR(p[i].y, expected[i].y, 1e-9) << c.what << " vertex " << i;
        }
    }
}

TEST(DxfReading, HatchBoundariesAreTheirPathsAlone) {
    const std::string square =
        "92\n3\n72\n0\n73\n1\n93\n4\n10\n0\n20\n0\n10\n10\n20\n0\n10\n10\n20\n10\n10\n0\n20\n10\n"
        "97\n0\n";
    const std::string edges =  // the square's sides, the last without its direction flag
        "92\n1\n93\n2\n72\n1\n10\n0\n20\n0\n11\n10\n21\n0\n72\n1\n10\n10\n20\n0\n11\n10\n21\n10\n"
        "72\n1\n10\n10\n20\n10\n11\n0\n21\n10\n"
        "72\n2\n10\n0\n20\n5\n40\n5\n50\n90\n51\n270\n97\n0\n";
    const struct {
        const char* what;
        std::string path, seeds;
        double area;
    } cases[] = {
        {"a polyline path and a seed point", square, "98\n1\n10\n5\n20\n5\n", 100},
        {"a polyline path and two seed points", square, "98\n2\n10\n2\n20\n2\n10\n8\n20\n8\n", 100},
        {"an arc edge without its direction flag", edges, "98\n0\n",
         100 + std::numbers::pi * 25 / 2},
    };
    for (const auto& c : cases) {
        const std::string hatch = entity("HATCH", {{8, "0"}, {2, "SOLID"}, {70, "1"}, {91, "1"}}) +
                                  c.path + "75\n1\n76\n1\n" + c.seeds;
        const Drawing d = load(dxf_file(hatch));
        EXPECT_TRUE(d.unsupported().empty()) << c.what;
        const FlatDrawing f = d.flatten(0.001);
        ASSERT_EQ(f.fills.size(), 1u) << c.what;
        ASSERT_EQ(f.fills[0].rings.size(), 1u) << c.what;
        const std::vector<Vec2>& ring = f.fills[0].rings[0];
        double twice = 0;
        for (size_t i = 0; i < ring.size(); ++i) {
            const Vec2 a = ring[i], b = ring[(i + 1) % ring.size()];
            twice += a.x * b.y - b.x * a.y;
        }
        EXPECT_NEAR(std::fabs(twice) / 2, c.area, 0.05) << c.what;
    }
}

TEST(DxfReading, JustifiedTextWithoutItsAlignmentPointAlignsAtItsInsertionPoint) {
    const struct {
        const char* what;
        int hjust, vjust;
        double centre_x, centre_y;  // where its middle stands, relative to the point
    } cases[] = {
        {"centred", 1, 0, 0, 0.5},
        {"right", 2, 0, -0.5, 0.5},
        {"middle", 4, 0, 0, 0},
        {"top centre", 1, 3, 0, -0.5},
    };
    for (const auto& c : cases) {
        const Box b = load(dxf_file(entity("TEXT", {{8, "0"},
                                                    {10, "100"},
                                                    {20, "50"},
                                                    {40, "10"},
                                                    {1, "HH"},
                                                    {72, std::to_string(c.hjust)},
                                                    {73, std::to_string(c.vjust)}})))
                          .extents();
        ASSERT_TRUE(std::isfinite(b.min_x) && std::isfinite(b.max_y)) << c.what;
        const double width = b.max_x - b.min_x, height = b.max_y - b.min_y;
        EXPECT_GT(width, 5) << c.what;
        EXPECT_NEAR((b.min_x + b.max_x) / 2, 100 + c.centre_x * width, 2) << c.what;
        EXPECT_NEAR((b.min_y + b.max_y) / 2, 50 + c.centre_y * height, 2) << c.what;
    }
}

}  // namespace
}  // namespace tvk::host::test
