// Line types drawn as the file's plotter draws them: the pattern's dashes,
// gaps and dots at its length, continued across the vertices of a pen-down
// path, begun anew after the pen is lifted and on every vector of an
// adaptive pattern.
#include "tests/host_drawing/plotfile/plot_file_test.h"

namespace tvk::host::test {
namespace {

// P1-P2 is 100 units long, so pattern lengths in percent are in units.
const std::string kFrame = "IN;IP0,0,100,0;SP1;";

struct LineTypeCase {
    const char* name;
    std::string plot;
    std::vector<DrawnSegment> expected;
    const char* language = "";
};

TEST(PlotFileLineTypes, PatternsAreDrawnAtTheirLength) {
    const LineTypeCase cases[] = {
        // Pattern 2 is half dash, half gap: 5 and 5; the gap spans the corner.
        {"continued across a vertex",
         kFrame + "LT2,10;PA0,0;PD7,0,7,8;",
         {{{0, 0}, {5, 0}}, {{7, 3}, {7, 8}}}},
        {"begun anew after the pen is lifted",
         kFrame + "LT2,10;PA0,0;PD3,0;PU0,5;PD8,5;",
         {{{0, 0}, {3, 0}}, {{0, 5}, {5, 5}}}},
        // Adaptive: 12 units hold one pattern of 12, 14 units one of 14.
        {"adaptive, whole patterns on each vector",
         kFrame + "LT-2,10;PA0,0;PD12,0,12,14;",
         {{{0, 0}, {6, 0}}, {{12, 0}, {12, 7}}}},
        // Pattern 1: a dot where each pattern begins.
        {"dots",
         kFrame + "LT1,10;PA0,0;PD25,0;",
         {{{0, 0}, {0, 0}}, {{10, 0}, {10, 0}}, {{20, 0}, {20, 0}}}},
        // UL: 20 % down, 10 up, a dot, 10 up, 40 down, 20 up of 10 units.
        {"a pattern of the file's own",
         kFrame + "UL3,20,10,0,10,40,20;LT3,10;PA0,0;PD10,0;",
         {{{0, 0}, {2, 0}}, {{3, 0}, {3, 0}}, {{4, 0}, {8, 0}}}},
        {"UL; brings back the plotter's own",
         kFrame + "UL3,20,10,0,10,40,20;UL;LT3,10;PA0,0;PD10,0;",
         {{{0, 0}, {7, 0}}}},
        // LT; draws solid; LT99 brings back the pattern LT; put away.
        {"LT; and LT99",
         kFrame + "LT2,10;LT;PA0,0;PD8,0;LT99;PU0,5;PD8,5;",
         {{{0, 0}, {8, 0}}, {{0, 5}, {5, 5}}}},
        // HP-GL/2 mode 1: the length in millimetres (one unit is one here).
        {"absolute length",
         "IN;SP1;LT2,6,1;PA0,0;PD12,0;",
         {{{0, 0}, {3, 0}}, {{6, 0}, {9, 0}}},
         "HP-GL/2"},
        // A number no plotter has leaves the line type as it was.
        {"out of range", kFrame + "LT2,10;LT12;PA0,0;PD8,0;", {{{0, 0}, {5, 0}}}},
    };
    for (const LineTypeCase& c : cases) {
        SCOPED_TRACE(c.name);
        Read r;
        read_into(r, c.plot, {25.4, c.language, 0});
        expect_segments(r.segments, c.expected, 1e-9);
    }
}

TEST(PlotFileLineTypes, LabelsAreDrawnSolidInAnyLineType) {
    Read solid, dashed;
    read_into(solid, kFrame + "PA0,0;SI1,2;LBEH\x03");
    read_into(dashed, kFrame + "LT2,0.5;PA0,0;SI1,2;LBEH\x03PD5,0;");
    ASSERT_GT(dashed.segments.size(), solid.segments.size());
    expect_segments({dashed.segments.begin(), dashed.segments.begin() + solid.segments.size()},
                    solid.segments);
}

}  // namespace
}  // namespace tvk::host::test
