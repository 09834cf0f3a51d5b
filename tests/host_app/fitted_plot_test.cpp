// Fitted plots of the bundled drawings say nothing about clipping: lines on
// the paper's edge, or a rounding error of the fit, are not cut off.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

TEST(FittedPlotTest, NoClippingWarningWhereNothingVisibleIsCutOff) {
    TempDir dir;
    const std::vector<std::vector<std::string>> cases = {
        {example("bracket.dxf")},
        {example("logo.dxf")},
        {example("floorplan.dxf"), "--layers", "walls"},
        {example("floorplan.dxf"), "--margin", "20"},
        {example("floorplan.dxf"), "--model", "TVK-RX36", "--paper", "A1"},
        {example("bracket.dxf"), "--rotate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        std::vector<std::string> args = {"plot"};
        args.insert(args.end(), c.begin(), c.end());
        args.insert(args.end(), {"--dry-run", "--yes"});
        const Outcome text = run_tvkplot(args, dir.file("config"));
        ASSERT_EQ(text.exit_code, 0) << text.err;
        EXPECT_EQ((text.out + text.err).find("cut off"), std::string::npos)
            << text.out << text.err;
        args.push_back("--json");
        const Outcome json = run_tvkplot(args, dir.file("config"));
        ASSERT_EQ(json.exit_code, 0) << json.err;
        const Json j = parse_json(json.out);
        EXPECT_EQ(j["clipped_share"].number, 0);
        for (const char* edge : {"left_mm", "right_mm", "bottom_mm", "top_mm"}) {
            EXPECT_EQ(j["outside"][edge].number, 0) << edge;
        }
    }
}

TEST(FittedPlotTest, ASmallCutIsReportedInAWholeSentence) {
    TempDir dir;
    // 100 mm at scale 1 from the margin, moved 1 mm past the right edge of A3.
    dir.write("edge.dxf", dxf_of_lines({{0, 0, 0, 100}, {0, 100, 100, 100}}));
    const Outcome o = run_tvkplot({"plot", dir.file("edge.dxf"), "--dry-run", "--yes", "--paper",
                                   "A3", "--scale", "1", "--offset", "316,0"},
                                  dir.file("config"));
    ASSERT_EQ(o.exit_code, 0) << o.err;
    const std::string all = o.out + o.err;
    EXPECT_NE(all.find("of the pen-down length lies outside the paper and is cut off: "),
              std::string::npos)
        << all;
    EXPECT_NE(all.find(" mm beyond the right edge."), std::string::npos) << all;
    EXPECT_EQ(all.find("cut off:."), std::string::npos) << all;
}

}  // namespace
}  // namespace tvk::host_test
