// The bundled example drawings read completely.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "host/drawing/model/drawing.h"

namespace tvk::host {
namespace {

Drawing example(const std::string& name) {
    return Drawing::load_dxf(std::string(TVK_SOURCE_DIR) + "/examples/" + name);
}

TEST(Examples, EveryEntityOfTheExamplesIsDrawn) {
    for (const char* name : {"bracket.dxf", "floorplan.dxf", "logo.dxf"}) {
        Drawing d = example(name);
        EXPECT_TRUE(d.unsupported().empty()) << name;
        EXPECT_FALSE(d.extents().empty()) << name;
    }
    // The bracket: 120 x 80 plate, dimensions outside it, notes below.
    Box bracket = example("bracket.dxf").extents();
    EXPECT_DOUBLE_EQ(bracket.min_x, 0);
    EXPECT_GT(bracket.max_x, 130);
    EXPECT_LT(bracket.min_y, -30);
    // The logo: three hatches, two solids and a trace are filled areas.
    EXPECT_EQ(example("logo.dxf").flatten(0.05).fills.size(), 6u);
    // The floor plan: furniture and text in blocks, several colours.
    auto plan = example("floorplan.dxf").flatten(1);
    std::set<int> colours;
    for (const auto& p : plan.paths) colours.insert(p.color);
    EXPECT_GE(colours.size(), 6u);
}

// A plot lets go of the drawing as it flattens it: the paths are the same,
// and nothing is left to draw afterwards.
TEST(Examples, FlatteningWhileLettingGoDrawsTheSame) {
    struct Collect : FlatSink {
        FlatDrawing flat;
        void add(Path path) override { flat.paths.push_back(std::move(path)); }
        void add(Fill fill) override { flat.fills.push_back(std::move(fill)); }
    };
    for (const char* name : {"bracket.dxf", "floorplan.dxf", "logo.dxf"}) {
        Drawing d = example(name);
        const Box box = d.extents();
        const FlatDrawing kept = d.flatten(0.05, box);
        Collect let_go;
        NoProgress progress;
        d.flatten_letting_go(0.05, box, progress, let_go);
        ASSERT_EQ(let_go.flat.paths.size(), kept.paths.size()) << name;
        for (size_t i = 0; i < kept.paths.size(); ++i) {
            ASSERT_EQ(let_go.flat.paths[i].points.size(), kept.paths[i].points.size()) << name;
            for (size_t k = 0; k < kept.paths[i].points.size(); ++k) {
                EXPECT_EQ(let_go.flat.paths[i].points[k].x, kept.paths[i].points[k].x);
                EXPECT_EQ(let_go.flat.paths[i].points[k].y, kept.paths[i].points[k].y);
            }
        }
        EXPECT_EQ(let_go.flat.fills.size(), kept.fills.size()) << name;
        EXPECT_TRUE(d.extents().empty()) << name;
        EXPECT_TRUE(d.unsupported().empty()) << name;
    }
}

}  // namespace
}  // namespace tvk::host
