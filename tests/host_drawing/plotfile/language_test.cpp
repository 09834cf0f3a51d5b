// The language of a plot file, chosen on the share of it each language
// explains: labels of any text, VTX-GL streams, HP-GL/2 and its wrappers.
#include "host/drawing/plotfile/language.h"

#include <gtest/gtest.h>

#include "tests/host_drawing/plotfile/plot_file_test.h"

namespace tvk::host::test {
namespace {

using plotfile::choose_language;
using plotfile::PlotLanguage;

std::string hello(const std::string& label) {
    return "IN;SP1;PU0,0;PD4000,0,4000,4000,0,4000,0,0;PU2000,2000;CI1000;PU500,500;PD;PR1000,0,"
           "0,1000,-1000,0,0,-1000;PU;PA;SP2;PA500,4500;LB" +
           label + "\x03;PU;SP3;PA6000,0;PD;PA8000,2000;PU;SP0;";
}

TEST(PlotFileLanguage, LabelsOfAnyTextLeaveHpGlHpGl) {
    for (const char* label :
         {"HELLO PLOTTER", "AB", "PART 12", "HELLO", "E", "ABCDE", "TVKPLOT1", "R0,0I100,0"}) {
        SCOPED_TRACE(label);
        const auto choice = choose_language(hello(label));
        EXPECT_EQ(choice.language, PlotLanguage::kHpgl);
        EXPECT_FALSE(choice.close);
        // Drawn whole: square, circle, relative square, label, last line.
        Read r;
        read_into(r, hello(label), {1016, "", 0});
        EXPECT_EQ(r.notes.front(), "Read as HP-GL.");
        std::set<int> colours;
        for (const Entity* e : r.stroked) colours.insert(e->color);
        EXPECT_EQ(colours, (std::set<int>{1, 2, 3}));
    }
    // A label is drawn even when it makes the file short.
    const std::string small = "PD;PA1000,0;PU;LBa\x03;";
    EXPECT_EQ(choose_language(small).language, PlotLanguage::kHpgl);
    Read r;
    read_into(r, small, {1016, "", 0});
    EXPECT_GT(r.segments.size(), 3u);
}

TEST(PlotFileLanguage, EachLanguageIsToldFromWhatItsFilesHold) {
    struct Case {
        std::string plot;
        PlotLanguage language;
        std::string note;
    };
    const std::vector<Case> cases = {
        // The driver's VTX-GL: single letters.
        {"\x1b.(R0,0J1L1I100,0L0I0,100\x1b.)", PlotLanguage::kVtxGl, "Read as VTX-GL."},
        {"H J2 M100,100 D200,100,200,200 R-50,0 I0,-10", PlotLanguage::kVtxGl, "Read as VTX-GL."},
        // The driver's TK-GL1 and TK-GL3.
        {"IN;SP1;PU0,0;PD100,0;PU;SP0;", PlotLanguage::kHpgl, "Read as HP-GL."},
        {"IN;PS16800,11880;SP1;PW0.35;PU;PE<=A?A?;PD100,0;PU;", PlotLanguage::kHpgl2,
         "Read as HP-GL/2 (it has PS, PW, PE)."},
        // HP-GL/2 in a PCL wrapper.
        {"\x1b"
         "E\x1b%0BIN;SP1;PA0,0;PD10,10;\x1b%0A\x1b"
         "E",
         PlotLanguage::kHpgl2, "Read as HP-GL/2 (it has PCL)."},
        {"\x1b%-12345X@PJL ENTER LANGUAGE=HPGL2\nIN;SP1;PD10,10;", PlotLanguage::kHpgl2,
         "Read as HP-GL/2 (it has PCL)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plot);
        const auto choice = choose_language(c.plot);
        EXPECT_EQ(choice.language, c.language);
        EXPECT_EQ(plotfile::language_note(choice), c.note);
    }
}

TEST(PlotFileLanguage, AFileTwoLanguagesReadAboutAsWellSaysSoAndTheUserChooses) {
    plotfile::LanguageChoice choice;
    choice.language = PlotLanguage::kHpgl;
    choice.close = PlotLanguage::kVtxGl;
    EXPECT_EQ(plotfile::language_note(choice),
              "Read as HP-GL; VTX-GL reads it about as well: --language VTX-GL reads it so.");
    // An HP-GL file whose instructions are mostly VTX-GL letters is not close.
    EXPECT_FALSE(choose_language("IR10,10,90,90;DI1,0;").close);
    // --language decides.
    Read vtx;
    read_into(vtx, "M0,0D10,0", {25.4, "VTX-GL", 0});
    EXPECT_EQ(vtx.notes.front(), "Read as VTX-GL.");
    EXPECT_EQ(vtx.segments.size(), 1u);
    Read named;
    EXPECT_THROW(read_into(named, "M0,0D10,0", {25.4, "HP-GL", 0}), DrawingError);
    EXPECT_FALSE(plotfile::plot_language_from_name("HP-GL/3"));
    EXPECT_EQ(plotfile::plot_language_from_name("tk-gl3"), PlotLanguage::kHpgl2);
}

}  // namespace
}  // namespace tvk::host::test
