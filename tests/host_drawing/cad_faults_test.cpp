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

}  // namespace
}  // namespace tvk::host::test
