// Block references: transforms, arrays, nesting, and what they hand down
// (layer 0, BYBLOCK colours and line types); layers that hide entities.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/host_drawing/dxf/dxf_builder.h"

namespace tvk::host::test {
namespace {

std::string line(const Groups& attributes, Vec2 a = {0, 0}, Vec2 b = {1, 0}) {
    Groups g = attributes;
    g.insert(g.end(), {{10, std::to_string(a.x)},
                       {20, std::to_string(a.y)},
                       {11, std::to_string(b.x)},
                       {21, std::to_string(b.y)}});
    return entity("LINE", g);
}

// An INSERT on layer 0 unless `extra` names another.
std::string insert(const std::string& name, Vec2 at, const Groups& extra = {}) {
    Groups g = extra;
    if (std::none_of(extra.begin(), extra.end(),
                     [](const auto& group) { return group.first == 8; }))
        g.push_back({8, "0"});
    g.insert(g.end(), {{2, name}, {10, std::to_string(at.x)}, {20, std::to_string(at.y)}});
    return entity("INSERT", g);
}

void expect_segment(const Path& p, Vec2 a, Vec2 b) {
    ASSERT_EQ(p.points.size(), 2u);
    EXPECT_NEAR(p.points[0].x, a.x, 1e-9);
    EXPECT_NEAR(p.points[0].y, a.y, 1e-9);
    EXPECT_NEAR(p.points[1].x, b.x, 1e-9);
    EXPECT_NEAR(p.points[1].y, b.y, 1e-9);
}

TEST(Blocks, NestedInsertWithRotationScaleAndBasePointLandsWhereExpected) {
    // INNER: a unit line. OUTER (base 5,0): INNER at (10,0), turned 90 degrees, twice the size.
    // The drawing: OUTER at (100,100), turned 90 degrees, three times the size.
    std::string blocks =
        block("INNER", {0, 0}, line({{8, "0"}})) +
        block("OUTER", {5, 0}, insert("INNER", {10, 0}, {{41, "2"}, {42, "2"}, {50, "90"}}));
    auto f =
        flat(dxf_file(insert("OUTER", {100, 100}, {{41, "3"}, {42, "3"}, {50, "90"}}), blocks));
    ASSERT_EQ(f.paths.size(), 1u);
    expect_segment(f.paths[0], {100, 115}, {94, 115});
}

TEST(Blocks, MirroredAndArrayedInserts) {
    std::string blocks = block("L", {0, 0}, line({{8, "0"}}, {0, 0}, {2, 1}));
    auto mirrored = flat(dxf_file(insert("L", {10, 0}, {{41, "-1"}}), blocks));
    ASSERT_EQ(mirrored.paths.size(), 1u);
    expect_segment(mirrored.paths[0], {10, 0}, {8, 1});

    // Three columns 10 apart and two rows 20 apart, the whole array turned 90 degrees.
    auto array = flat(dxf_file(
        insert("L", {0, 0}, {{50, "90"}, {70, "3"}, {71, "2"}, {44, "10"}, {45, "20"}}), blocks));
    ASSERT_EQ(array.paths.size(), 6u);
    expect_segment(array.paths[0], {0, 0}, {-1, 2});
    expect_segment(array.paths[1], {0, 10}, {-1, 12});
    expect_segment(array.paths[3], {-20, 0}, {-21, 2});
    expect_segment(array.paths[5], {-20, 20}, {-21, 22});
}

TEST(Blocks, ByBlockAndLayerZeroTakeTheInsertsProperties) {
    std::string layers = layer("RED", 1, "CENTER") + layer("BLUE", 5, "DASHED");
    std::string blocks =
        block("B", {0, 0},
              line({{8, "0"}, {62, "0"}, {6, "BYBLOCK"}}) +  // BYBLOCK colour and line type
                  line({{8, "0"}}) +                         // layer 0, BYLAYER
                  line({{8, "BLUE"}}) +                      // its own layer
                  line({{8, "0"}, {62, "2"}}));              // its own colour
    auto f = flat(
        dxf_file(insert("B", {0, 0}, {{8, "RED"}, {62, "6"}, {6, "DASHDOT"}}), blocks, layers));
    ASSERT_EQ(f.paths.size(), 4u);
    EXPECT_EQ(f.paths[0].color, 6);
    EXPECT_EQ(f.paths[0].linetype, "DASHDOT");
    EXPECT_EQ(f.paths[1].color, 1);
    EXPECT_EQ(f.paths[1].linetype, "CENTER");
    EXPECT_EQ(f.paths[2].color, 5);
    EXPECT_EQ(f.paths[2].linetype, "DASHED");
    EXPECT_EQ(f.paths[3].color, 2);
    EXPECT_EQ(f.paths[3].linetype, "CENTER");

    // A BYLAYER INSERT hands down its layer's colour; BYBLOCK at the top is white.
    auto bylayer = flat(
        dxf_file(insert("B", {0, 0}, {{8, "RED"}}) + line({{8, "0"}, {62, "0"}}), blocks, layers));
    EXPECT_EQ(bylayer.paths[0].color, 1);
    EXPECT_EQ(bylayer.paths[4].color, 7);
    EXPECT_EQ(bylayer.paths[4].linetype, "CONTINUOUS");
}

TEST(Blocks, NestedByBlockColoursPassThroughEachLevel) {
    std::string blocks = block("INNER", {0, 0}, line({{8, "0"}, {62, "0"}})) +
                         block("OUTER", {0, 0}, insert("INNER", {0, 0}, {{62, "0"}}));
    auto f = flat(dxf_file(insert("OUTER", {0, 0}, {{62, "4"}}), blocks));
    ASSERT_EQ(f.paths.size(), 1u);
    EXPECT_EQ(f.paths[0].color, 4);
}

TEST(Blocks, LayersThatAreOffOrFrozenAreNeitherDrawnNorCounted) {
    std::string layers = layer("OFF", -3) + layer("FROZEN", 3, "CONTINUOUS", 1) + layer("ON", 3);
    std::string blocks =
        block("B", {0, 0}, line({{8, "0"}}) + line({{8, "ON"}}) + entity("MLINE", {{8, "0"}}));
    auto d =
        load(dxf_file(line({{8, "OFF"}}) + line({{8, "FROZEN"}}) + entity("MLINE", {{8, "OFF"}}) +
                          entity("MLINE", {{8, "FROZEN"}}) +
                          // Frozen: nothing of the block. Off: only what is on other layers.
                          insert("B", {0, 0}, {{8, "FROZEN"}}) + insert("B", {50, 0}, {{8, "OFF"}}),
                      blocks, layers));
    EXPECT_TRUE(d.unsupported().empty());
    auto f = d.flatten(0.01);
    ASSERT_EQ(f.paths.size(), 1u);
    EXPECT_EQ(f.paths[0].points[0].x, 50);
}

TEST(Blocks, LayersNotToBePlottedAndDefpointsAreNotPlotted) {
    std::string layers =
        entity("LAYER", {{2, "NOPLOT"}, {70, "0"}, {62, "3"}, {6, "CONTINUOUS"}, {290, "0"}});
    auto d = load(dxf_file(line({{8, "NOPLOT"}}) + line({{8, "Defpoints"}}) +
                               entity("POINT", {{8, "DEFPOINTS"}, {10, "5"}, {20, "5"}}) +
                               line({{8, "0"}}, {0, 9}, {1, 9}),
                           "", layers));
    auto f = d.flatten(0.01);
    ASSERT_EQ(f.paths.size(), 1u);
    EXPECT_EQ(f.paths[0].points[0].y, 9);
}

TEST(Blocks, UnsupportedEntitiesInBlocksCountOncePerCopyDrawn) {
    std::string blocks = block("B", {0, 0}, entity("MLINE", {{8, "0"}}));
    auto d =
        load(dxf_file(insert("B", {0, 0}, {{70, "2"}, {71, "3"}, {44, "5"}, {45, "5"}}), blocks));
    EXPECT_EQ(d.unsupported().at("MLINE"), 6);
}

TEST(Blocks, MissingAndSelfInsertingBlocksAreReportedNotFollowed) {
    std::string blocks = block("LOOP", {0, 0}, line({{8, "0"}}) + insert("LOOP", {1, 0}));
    auto d = load(dxf_file(insert("NOWHERE", {0, 0}) + insert("LOOP", {0, 0}), blocks));
    EXPECT_TRUE(d.unsupported().empty());
    EXPECT_EQ(d.notes(), (std::vector<std::string>{"Not drawn: block LOOP inserts itself.",
                                                   "Not drawn: block NOWHERE is missing."}));
    EXPECT_EQ(d.flatten(0.01).paths.size(), 1u);  // the line, once
}

TEST(Blocks, ADrawingWhoseArraysMultiplyBeyondReasonIsRefused) {
    std::string blocks = block("A", {0, 0}, line({{8, "0"}}));
    Groups array{{70, "1000"}, {71, "1000"}};
    blocks += block("B", {0, 0}, insert("A", {0, 0}, array)) +
              block("C", {0, 0}, insert("B", {0, 0}, array));
    try {
        load(dxf_file(insert("C", {0, 0}), blocks));
        FAIL() << "expected DxfError";
    } catch (const DxfError& e) {
        EXPECT_NE(std::string(e.what()).find("expand"), std::string::npos) << e.what();
    }
    // Fewer copies of a polyline of many points multiply as far.
    std::string many_points = entity("LWPOLYLINE", {{8, "0"}, {90, "1"}, {70, "0"}});
    for (int i = 0; i < 1000; ++i) many_points += "10\n" + std::to_string(i) + "\n20\n0\n";
    std::string heavy = block("P", {0, 0}, many_points) +
                        block("Q", {0, 0}, insert("P", {0, 0}, {{70, "200"}, {71, "200"}}));
    EXPECT_THROW(load(dxf_file(insert("Q", {0, 0}), heavy)), DxfError);
    EXPECT_NO_THROW(load(dxf_file(insert("P", {0, 0}, {{70, "20"}, {71, "20"}}), heavy)));
    // A circle counts as the points it is drawn with: a million of them in a
    // 300-byte file would take gigabytes to plot.
    const std::string circle =
        block("O", {0, 0}, entity("CIRCLE", {{8, "0"}, {10, "0"}, {20, "0"}, {40, "1"}}));
    EXPECT_THROW(load(dxf_file(insert("O", {0, 0}, {{70, "1000"}, {71, "1000"}}), circle)),
                 DxfError);
    EXPECT_NO_THROW(load(dxf_file(insert("O", {0, 0}, {{70, "200"}, {71, "200"}}), circle)));
}

TEST(Blocks, ConstantAttributesShowInEveryReference) {
    auto attdef = [](const std::string& flags) {
        return entity("ATTDEF", {{8, "0"},
                                 {10, "0"},
                                 {20, "0"},
                                 {40, "5"},
                                 {1, "VALUE"},
                                 {3, "Prompt"},
                                 {2, "TAG"},
                                 {70, flags}});
    };
    auto shown = [&](const std::string& flags) {
        std::string blocks = block("B", {0, 0}, attdef(flags));
        return !load(dxf_file(insert("B", {10, 0}) + insert("B", {50, 0}), blocks))
                    .extents()
                    .empty();
    };
    EXPECT_TRUE(shown("2"));   // constant
    EXPECT_FALSE(shown("0"));  // each reference has an ATTRIB of its own
    EXPECT_FALSE(shown("3"));  // constant but invisible
    Box both =
        load(dxf_file(insert("B", {10, 0}) + insert("B", {50, 0}), block("B", {0, 0}, attdef("2"))))
            .extents();
    EXPECT_NEAR(both.max_y, 5, 1e-9);
    EXPECT_GT(both.max_x, 60);
}

TEST(Blocks, DimensionsAreDrawnFromTheirBlocks) {
    std::string blocks = block("*D1", {0, 0}, line({{8, "0"}, {62, "0"}}, {0, 0}, {30, 0}));
    auto d = load(dxf_file(
        entity("DIMENSION", {{8, "0"}, {62, "3"}, {2, "*D1"}, {10, "0"}, {20, "0"}, {70, "0"}}) +
            entity("DIMENSION", {{8, "0"}, {2, "*D9"}, {10, "0"}, {20, "0"}, {70, "0"}}),
        blocks));
    EXPECT_EQ(d.unsupported().at("DIMENSION"), 1);
    auto f = d.flatten(0.01);
    ASSERT_EQ(f.paths.size(), 1u);
    EXPECT_EQ(f.paths[0].color, 3);
    expect_segment(f.paths[0], {0, 0}, {30, 0});
}

}  // namespace
}  // namespace tvk::host::test
