// RAY and XLINE entities that miss the part of the drawing plotted are
// counted as not drawn, with the reason, instead of vanishing.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

std::string dxf_with_infinite_lines() {
    std::string s = "0\nSECTION\n2\nENTITIES\n";
    s += "0\nLINE\n8\n0\n10\n0\n20\n0\n11\n100\n21\n100\n";
    // Through the drawing: drawn.
    s += "0\nRAY\n8\n0\n10\n50\n20\n50\n11\n1\n21\n0\n";
    // Far above it, running along: misses the window plotted.
    s += "0\nXLINE\n8\n0\n10\n0\n20\n5000\n11\n1\n21\n0\n";
    s += "0\nRAY\n8\n0\n10\n0\n20\n-5000\n11\n-1\n21\n0\n";
    s += "0\nENDSEC\n0\nEOF\n";
    return s;
}

TEST(InfiniteLinesTest, ThoseThatMissThePlottedWindowAreCountedWithTheReason) {
    TempDir dir;
    dir.write("x.dxf", dxf_with_infinite_lines());
    const Outcome text =
        run_tvkplot({"plot", dir.file("x.dxf"), "--dry-run", "--yes"}, dir.file("config"));
    ASSERT_EQ(text.exit_code, 0) << text.err;
    EXPECT_NE((text.out + text.err)
                  .find("Not drawn: 1 RAY, 1 XLINE (infinite lines that miss the part of the "
                        "drawing plotted)."),
              std::string::npos)
        << text.out << text.err;
    const Outcome json = run_tvkplot({"plot", dir.file("x.dxf"), "--dry-run", "--yes", "--json"},
                                     dir.file("config"));
    ASSERT_EQ(json.exit_code, 0) << json.err;
    const Json j = parse_json(json.out);
    EXPECT_EQ(j["not_drawn"]["XLINE"].number, 1) << json.out;
    EXPECT_EQ(j["not_drawn"]["RAY"].number, 1) << json.out;
    EXPECT_EQ(j["vectors"].number, 2) << json.out;  // the line and the ray that crosses
}

}  // namespace
}  // namespace tvk::host_test
