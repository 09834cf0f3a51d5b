// tvkplot layers, and the layers named where a choice of layers plots
// nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

TEST(LayersTest, ListsEachLayerWithColourLineTypeEntitiesAndState) {
    TempDir dir;
    const Outcome text = run_tvkplot({"layers", example("floorplan.dxf")}, dir.file("config"));
    ASSERT_EQ(text.exit_code, 0) << text.err;
    EXPECT_NE(text.out.find("AXES                     8              DASHDOT                2  "
                            "on, plotted\n"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("DEFPOINTS                7 (white)      CONTINUOUS             0  "
                            "off, not plotted\n"),
              std::string::npos)
        << text.out;

    const Outcome json =
        run_tvkplot({"layers", example("floorplan.dxf"), "--json"}, dir.file("config"));
    ASSERT_EQ(json.exit_code, 0) << json.err;
    const Json j = parse_json(json.out);
    std::map<std::string, const Json*> by_name;
    for (const Json& l : j["layers"].items) by_name[l["name"].text] = &l;
    ASSERT_TRUE(by_name.contains("WINDOWS")) << json.out;
    const Json& windows = *by_name["WINDOWS"];
    EXPECT_EQ(windows["colour"].number, 5);
    EXPECT_EQ(windows["line_type"].text, "CONTINUOUS");
    EXPECT_EQ(windows["entities"].number, 5);
    EXPECT_TRUE(windows["on"].boolean);
    EXPECT_FALSE(windows["frozen"].boolean);
    EXPECT_TRUE(windows["plotted"].boolean);
    EXPECT_FALSE((*by_name["DEFPOINTS"])["plotted"].boolean);

    // A layer entities name that the table lacks is listed too.
    dir.write("loose.dxf", dxf_of_lines({{0, 0, 1, 1, 3, "CONTINUOUS", "LOOSE"}}));
    const Outcome loose = run_tvkplot({"layers", dir.file("loose.dxf"), "--json"},
                                      dir.file("config"));
    ASSERT_EQ(loose.exit_code, 0) << loose.err;
    const Json all = parse_json(loose.out);
    const auto& items = all["layers"].items;
    const auto it = std::find_if(items.begin(), items.end(),
                                 [](const Json& x) { return x["name"].text == "LOOSE"; });
    ASSERT_NE(it, items.end()) << loose.out;
    const Json& l = *it;
    EXPECT_EQ(l["entities"].number, 1);
    EXPECT_FALSE(l["in_table"].boolean);
}

TEST(LayersTest, LayersThatPlotNothingAreAnsweredWithTheDrawingsLayers) {
    TempDir dir;
    const Outcome o = run_tvkplot(
        {"plot", example("floorplan.dxf"), "--layers", "NOSUCH", "--dry-run", "--yes"},
        dir.file("config"));
    EXPECT_EQ(o.exit_code, 1);
    EXPECT_NE(o.err.find("has nothing to plot on the layers chosen; its layers with entities are "
                         "AXES, DOORS, FURNITURE, SANITARY, TEXT, WALLS, WINDOWS"),
              std::string::npos)
        << o.err;
}

}  // namespace
}  // namespace tvk::host_test
