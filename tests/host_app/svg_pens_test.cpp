// Colour names and #rrggbb given to --pen choose the pens of a drawing's
// true colours (an SVG's strokes), and a dry run says which true colour
// became which colour number and pen.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

TEST(SvgPensTest, NamedAndHexColoursChooseThePensOfSvgColours) {
    TempDir dir;
    dir.write("c.svg",
              "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100mm\" height=\"50mm\" "
              "viewBox=\"0 0 100 50\"><path d=\"M0 0 L100 50\" stroke=\"blue\"/>"
              "<path d=\"M0 50 L100 0\" stroke=\"#ff8000\"/></svg>");
    struct Case {
        std::vector<std::string> pens;
        std::vector<double> expected;
    };
    const std::vector<Case> cases = {
        {{"--pen", "blue=4"}, {4}},
        {{"--pen", "blue=4", "--pen", "#FF8000=6"}, {4, 6}},
        {{"--pen", "#00f=5", "--pen", "#ff8000=3"}, {3, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.pens));
        std::vector<std::string> args = {"plot", dir.file("c.svg"), "--dry-run", "--yes", "--json"};
        args.insert(args.end(), c.pens.begin(), c.pens.end());
        const Outcome o = run_tvkplot(args, dir.file("config"));
        ASSERT_EQ(o.exit_code, 0) << o.err;
        const Json j = parse_json(o.out);
        for (const double pen : c.expected) {
            bool found = false;
            for (const Json& p : j["pens"].items) found = found || p.number == pen;
            EXPECT_TRUE(found) << pen << " " << o.out;
        }
    }
    const Outcome shown = run_tvkplot(
        {"plot", dir.file("c.svg"), "--dry-run", "--yes", "--pen", "blue=4"}, dir.file("config"));
    ASSERT_EQ(shown.exit_code, 0) << shown.err;
    const std::string all = shown.out + shown.err;
    EXPECT_NE(all.find("Colours: #0000FF (colour "), std::string::npos) << all;
    EXPECT_NE(all.find(") on pen 4"), std::string::npos) << all;
    EXPECT_NE(all.find("#FF8000 (colour "), std::string::npos) << all;
}

}  // namespace
}  // namespace tvk::host_test
