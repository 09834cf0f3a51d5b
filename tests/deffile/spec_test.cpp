// "[SPEC]": every key with accepted and rejected values, the block rules, and
// load_plotter_specification's reports and chosen-language step.
#include <cmath>
#include <cstring>

#include "deffile_fixture.h"

namespace tvk::test {
namespace {

class SpecTest : public DefFileTest {
  protected:
    // Reads a block of model "M1" made of `lines`.
    int read_block(const std::string& lines) {
        set_models({"M1"});
        open_file("[SPEC]\n*M1\n" + lines + "\n");
        const int r = read_plotter_specification();
        close_definition_file();
        return r;
    }
    // The result of a block holding one line, fresh from the defaults.
    int one(const std::string& line) { return read_block(line); }
};

TEST_F(SpecTest, MissingSectionOrBlockKeepsEveryDefault) {
    set_models({"M1", "M2"});
    current_model = 1;
    for (const char* file :
         {"[PLOTTER]\n*M\n1\n", "[SPEC]\n*M1\nPENS:3\n[PAPER]\n*M2\nPENS:4\n", "[SPEC]\n*M1\n"}) {
        spec.pens = 99;
        open_file(file);
        EXPECT_EQ(read_plotter_specification(), 1) << file;
        close_definition_file();
        EXPECT_EQ(spec.pens, 8);
    }
    EXPECT_EQ(spec.type_flags, 0);
    EXPECT_EQ(spec.coordinate_flags, 0x02);
    EXPECT_EQ(spec.language_flags, 0x02);
    EXPECT_EQ(spec.pen_options, 0x0F);
    EXPECT_EQ(spec.baud_rate, 9600);
    EXPECT_EQ(spec.optimize, 4);
    EXPECT_EQ(spec.buffers, 1);
    EXPECT_DOUBLE_EQ(spec.max_area_x, 16.53);
    EXPECT_DOUBLE_EQ(spec.max_area_y, 11.65);
    EXPECT_DOUBLE_EQ(spec.units_per_inch[3], 1016.0);
    EXPECT_DOUBLE_EQ(spec.pen_width, 0.01);
    EXPECT_EQ(spec.pen_speed, 1);
    EXPECT_STREQ(spec.start_string[0], "");
    EXPECT_STREQ(spec.start_string[2], "IN");
    EXPECT_STREQ(spec.start_string[3], "BP");
    EXPECT_STREQ(spec.end_string[1], "NR");
    EXPECT_STREQ(spec.end_string[3], "PG");
}

TEST_F(SpecTest, BlockEndsAtTheNextModelSectionOrPercent) {
    set_models({"M1", "M2"});
    open_file("[SPEC]\n*M1\n*M2\nPENS:3\n");
    EXPECT_EQ(read_plotter_specification(), 0);
    EXPECT_EQ(spec.pens, 8) << "an empty block";
    close_definition_file();
    EXPECT_EQ(read_block("PENS:5\n%\nbogus\n"), 0);
    EXPECT_EQ(spec.pens, 5);
    EXPECT_EQ(read_block("PENS:6\n[PAPER]\nbogus\n"), 0);
    EXPECT_EQ(spec.pens, 6);
}

TEST_F(SpecTest, ModelNameOfThirtyTwoCharacters) {
    const std::string name(32, 'N');
    set_models({name});
    open_file("[SPEC]\n*" + name + "X\nPENS:2\n*" + name + "\nPENS:3\n");
    EXPECT_EQ(read_plotter_specification(), 0);
    EXPECT_EQ(spec.pens, 3);
}

TEST_F(SpecTest, FlagLists) {
    EXPECT_EQ(one("TYPE: long-plot, raster"), 0);
    EXPECT_EQ(spec.type_flags, 0x03);
    EXPECT_EQ(one("TYPE:NO-LONG"), 0);
    EXPECT_EQ(spec.type_flags, 0);
    EXPECT_EQ(one("TYPE:,SYNC,"), 0);
    EXPECT_EQ(spec.type_flags, 0);
    EXPECT_EQ(one("TYPE:LONG-PLOT\nTYPE:BREAK-ON"), 0);
    EXPECT_EQ(spec.type_flags, 0x11) << "TYPE adds";
    EXPECT_EQ(one("TYPE:"), 2);
    EXPECT_EQ(one("TYPE:,,"), 2);
    EXPECT_EQ(one("TYPE:RASTERS"), 2);

    EXPECT_EQ(one("COORDINATE:REL"), 0);
    EXPECT_EQ(spec.coordinate_flags, 0x01);
    EXPECT_EQ(one("COORDINATE:ABSOLUTE,RELATIVE"), 0);
    EXPECT_EQ(spec.coordinate_flags, 0x03);
    EXPECT_EQ(one("COORDINATE:ABS,REL\nCOORDINATE:ABS"), 0);
    EXPECT_EQ(spec.coordinate_flags, 0x02) << "COORDINATE replaces";
    EXPECT_EQ(one("COORDINATE:ABSOLUT"), 2);
    EXPECT_EQ(one("COORDINATE:ABSOLUTEE"), 2);

    EXPECT_EQ(one("LANGUAGE:TK-GL1,TK-GL3,PE-CMD"), 0);
    EXPECT_EQ(spec.language_flags, 0x1A);
    EXPECT_EQ(one("LANGUAGE:PE-CMD"), 0);
    EXPECT_EQ(spec.language_flags, 0x10);
    EXPECT_EQ(one("language: vtx-gl, oh-cmd"), 0);
    EXPECT_EQ(spec.language_flags, 0x21);
    EXPECT_EQ(one("LANGUAGE:TK-GL4"), 2);

    EXPECT_EQ(one("PEN_OPTION:MULTPEN"), 0);
    EXPECT_EQ(spec.pen_options, 0x09);
    EXPECT_EQ(one("PEN_OPTION:NOPENS"), 0);
    EXPECT_EQ(spec.pen_options, 0x88);
    EXPECT_EQ(one("PEN_OPTION:MULTPEN,MULTLINE,VARSPEED\nPEN_OPTION:MULTLINE"), 0);
    EXPECT_EQ(spec.pen_options, 0x0A) << "PEN_OPTION replaces";
    EXPECT_EQ(one("PEN_OPTION:"), 2);
}

TEST_F(SpecTest, SerialLine) {
    EXPECT_EQ(one("BAUD_RATE:19200"), 0);
    EXPECT_EQ(spec.baud_rate, 19200);
    EXPECT_EQ(spec.baud_fixed, 0);
    EXPECT_EQ(one("baud_rate: 19200, fixed"), 0);
    EXPECT_EQ(spec.baud_fixed, 1);
    EXPECT_EQ(one("BAUD_RATE:9600FIXED\nBAUD_RATE:19200"), 0);
    EXPECT_EQ(spec.baud_fixed, 1) << "a later line does not clear it";
    EXPECT_EQ(spec.baud_rate, 19200);
    EXPECT_EQ(one("BAUD_RATE:4800"), 2);
    EXPECT_EQ(one("BAUD_RATE:FIXED"), 2);
    EXPECT_EQ(one("BAUD_RATE:4294976896"), 2) << "9600 after a 32-bit wrap";

    EXPECT_EQ(one("HANDSHAKE: hardware"), 0);
    EXPECT_EQ(spec.handshake, 1);
    EXPECT_EQ(one("HANDSHAKE:XONXOFF"), 0);
    EXPECT_EQ(spec.handshake, 0);
    EXPECT_EQ(one("HANDSHAKE:XON/XOFF"), 2);
    EXPECT_EQ(one("HANDSHAKE:HARDWARE,"), 2);
}

TEST_F(SpecTest, WholeNumbers) {
    EXPECT_EQ(one("pens: 12 ; twelve pens"), 0);
    EXPECT_EQ(spec.pens, 12);
    EXPECT_EQ(one("PENS:8X"), 0);
    EXPECT_EQ(spec.pens, 8);
    EXPECT_EQ(one("PENS:0"), 2);
    EXPECT_EQ(one("PENS:32767"), 0);
    EXPECT_EQ(one("PENS:32768"), 2) << "the pen count reaches the host in 16 bits";
    EXPECT_EQ(one("PENS:X8"), 2);
    EXPECT_EQ(one("OPTIMIZE:0"), 2);
    EXPECT_EQ(one("OPTIMIZE:7"), 2);
    EXPECT_EQ(one("OPTIMIZE:6"), 0);
    EXPECT_EQ(spec.optimize, 6);
    EXPECT_EQ(one("BUFFERS:6"), 2);
    EXPECT_EQ(one("BUFFERS:0"), 0);
    EXPECT_EQ(spec.buffers, 0);
    EXPECT_EQ(one("WAIT_TIME:-1"), 2);
    EXPECT_EQ(one("WAIT_TIME:+300"), 0);
    EXPECT_EQ(spec.wait_time, 300);
    EXPECT_EQ(one("WAIT_TIME:2147483647"), 0);
    EXPECT_EQ(one("WAIT_TIME:2147483648"), 2);
}

TEST_F(SpecTest, AreaUnitsAndPens) {
    EXPECT_EQ(one("MAX_AREA: 420 mm , 297 mm, junk"), 0);
    EXPECT_NEAR(spec.max_area_x, 16.5354330708, 1e-9);
    EXPECT_NEAR(spec.max_area_y, 11.6929133858, 1e-9);
    EXPECT_EQ(one("MAX_AREA:36,24"), 0);
    EXPECT_DOUBLE_EQ(spec.max_area_x, 36.0);
    EXPECT_EQ(one("MAX_AREA:36"), 2);
    EXPECT_EQ(one("MAX_AREA:0,24"), 2);
    EXPECT_EQ(one("MAX_AREA:36CM,24"), 2);
    EXPECT_EQ(one("MAX_AREA:65535,1"), 0);
    EXPECT_EQ(one("MAX_AREA:65536,1"), 2) << "no plotter-unit size would fit 32 bits";
    EXPECT_EQ(one("MAX_AREA:1E400,1"), 2);

    EXPECT_EQ(one("UNIT(TK-GL1):40UNIT/MM"), 0);
    EXPECT_DOUBLE_EQ(spec.units_per_inch[1], 1016.0);
    EXPECT_EQ(one("UNIT(TK-GL1):1016"), 0);
    EXPECT_DOUBLE_EQ(spec.units_per_inch[1], 1016.0);
    EXPECT_DOUBLE_EQ(spec.units_per_inch[0], 1016.0);
    EXPECT_EQ(one("UNIT(TK-GL3):2540\nUNIT(VTX-GL):0.5UNIT/MM"), 0);
    EXPECT_DOUBLE_EQ(spec.units_per_inch[3], 2540.0);
    EXPECT_DOUBLE_EQ(spec.units_per_inch[0], 12.7);
    EXPECT_EQ(one("UNIT(TK-GL1):40MM"), 2);
    EXPECT_EQ(one("UNIT(TK-GL1):0"), 2);
    EXPECT_EQ(one("UNIT(PE-CMD):40"), 2) << "not a language";
    EXPECT_EQ(one("UNIT(TK-GL1):0.9"), 2) << "a resolution of 0";
    EXPECT_EQ(one("UNIT(TK-GL1):1"), 0);
    EXPECT_EQ(one("UNIT(TK-GL1):32767.9"), 0);
    EXPECT_EQ(one("UNIT(TK-GL1):32768"), 2) << "does not fit 16 bits";

    EXPECT_EQ(one("PEN_WIDTH:0.3MM"), 0);
    EXPECT_NEAR(spec.pen_width, 0.011811, 1e-6);
    EXPECT_EQ(one("PEN_WIDTH:50MM"), 0);
    EXPECT_EQ(one("PEN_WIDTH:51MM"), 2);
    EXPECT_EQ(one("PEN_WIDTH:2"), 2) << "50.8 mm";
    EXPECT_EQ(one("PEN_WIDTH:0.3MM,1"), 2);

    EXPECT_EQ(one("PEN_SPEED:15"), 0);
    EXPECT_EQ(spec.pen_speed, 38);
    EXPECT_EQ(one("PEN_SPEED:40 cm/s"), 0);
    EXPECT_EQ(spec.pen_speed, 40);
    EXPECT_EQ(one("PEN_SPEED:0.5CM/S"), 0);
    EXPECT_EQ(spec.pen_speed, 0);
    EXPECT_EQ(one("PEN_SPEED:255.9CM/S"), 0);
    EXPECT_EQ(spec.pen_speed, 255);
    EXPECT_EQ(one("PEN_SPEED:256CM/S"), 2) << "would wrap in 8 bits";
    EXPECT_EQ(one("PEN_SPEED:101"), 2) << "256.5 cm/s";
    EXPECT_EQ(one("PEN_SPEED:0"), 2);
    EXPECT_EQ(one("PEN_SPEED:15MM/S"), 2);
}

TEST_F(SpecTest, StartAndEndStrings) {
    EXPECT_EQ(read_block("START(TK-GL1):\"\\eIN;SP1; x\" trailing\n"
                         "END(TK-GL3):\"\"\n"
                         "start(tk-gl2):\"Open"),
              0);
    EXPECT_STREQ(spec.start_string[1], "\\eIN;SP1; x");
    EXPECT_STREQ(spec.end_string[3], "");
    EXPECT_STREQ(spec.start_string[2], "Open\n")
        << "key upper-cased, the text as written up to the end of its line";
    EXPECT_EQ(read_block("END(VTX-GL):\"" + std::string(112, 'e') + "\""), 0);
    EXPECT_EQ(std::string(spec.end_string[0]), std::string(112, 'e'));
    EXPECT_EQ(one("START(TK-GL1):IN"), 2) << "the key includes the opening quote";
}

TEST_F(SpecTest, RereadingStartsFromTheDefaults) {
    EXPECT_EQ(one("PENS:3\nSTART(TK-GL1):\"X\""), 0);
    EXPECT_EQ(one("OPTIMIZE:2"), 0);
    EXPECT_EQ(spec.pens, 8);
    EXPECT_STREQ(spec.start_string[1], "IN");
}

TEST_F(SpecTest, UnknownKeyStopsTheBlock) {
    EXPECT_EQ(read_block("PENS:3\nCOLOR:RED\nPENS:4"), 2);
    EXPECT_EQ(spec.pens, 3);
    EXPECT_STREQ(definition_line, "COLOR:RED");
    EXPECT_EQ(definition_line_number, 4);
}

// ---- load_plotter_specification ---------------------------------------------------

TEST_F(SpecTest, LoadWithoutSpecSectionUsesDefaultsAndAppliesTheLanguage) {
    set_models({"M1"});
    use_file("[PLOTTER]\n*M\n1\n");
    stored_config.language = 0x02;
    plot.line_type_limit = 6;
    char start[256] = "junk", end[256] = "junk";
    EXPECT_EQ(load_plotter_specification(start, end), 0);
    EXPECT_EQ(host.printed,
              "\nThe plotter specifications do not exist; Default values are used instead.\n");
    EXPECT_DOUBLE_EQ(current_paper.area_x, 16.53);
    EXPECT_DOUBLE_EQ(current_paper.area_y, 11.65);
    EXPECT_EQ(current_paper.origin_x, 0);
    EXPECT_EQ(plotter_resolution, 1016);
    EXPECT_STREQ(start, "IN");
    EXPECT_STREQ(end, "NR");
    EXPECT_EQ(spec.max_line_type, 6);
}

TEST_F(SpecTest, LoadTruncatesTheResolutionOfTheChosenLanguage) {
    set_models({"M1"});
    use_file("[SPEC]\n*M1\nUNIT(TK-GL3):1016.9\nSTART(TK-GL3):\"\\eBP;\"\nMAX_AREA:36,24\n");
    stored_config.language = 0x08;
    current_paper.origin_x = 5;
    char start[256], end[256];
    EXPECT_EQ(load_plotter_specification(start, end), 0);
    EXPECT_EQ(host.printed, "");
    EXPECT_EQ(plotter_resolution, 1016);
    EXPECT_STREQ(start, "\\eBP;");
    EXPECT_STREQ(end, "PG");
    EXPECT_DOUBLE_EQ(current_paper.area_x, 36.0);
    EXPECT_EQ(current_paper.origin_x, 0);
}

TEST_F(SpecTest, LoadWithoutBuffersLeavesResolutionAndLineTypeAlone) {
    set_models({"M1"});
    use_file("[SPEC]\n*M1\nUNIT(TK-GL1):2000\nMAX_AREA:10,5\n");
    plotter_resolution = 1024;
    spec.max_line_type = 3;
    EXPECT_EQ(load_plotter_specification(nullptr, nullptr), 0);
    EXPECT_EQ(plotter_resolution, 1024);
    EXPECT_EQ(spec.max_line_type, 8) << "the reader resets it";
    EXPECT_DOUBLE_EQ(current_paper.area_x, 10.0);
}

TEST_F(SpecTest, LoadReportsABadLineWithItsPhysicalLineNumber) {
    set_models({"TVK-X"});
    std::string file = "[PLOTTER]\n*TVK-\nX\n%\n";
    for (int i = 0; i < 29; ++i) file += "; filler\n";
    file += "[SPEC]\n*TVK-X\n  Pens : 4\n  Colour: " + std::string(90, 'r') + "\n";
    const std::string path = use_file(file);
    current_paper.area_x = 7.0;
    EXPECT_EQ(load_plotter_specification(nullptr, nullptr), -1);
    EXPECT_EQ(host.printed,
              "\nIncorrect plotter specifications in plotter definition file.\n"
              "Plotter definition file : " +
                  path +
                  "\nPlotter : TVK-X\nLine number : 37\n"
                  "Data : \n  Colour: " +
                  std::string(69, 'r') + "\n");
    EXPECT_DOUBLE_EQ(current_paper.area_x, 7.0) << "a failed load leaves the paper alone";
}

TEST_F(SpecTest, LoadRefusesAModelOutsideTheList) {
    set_models({"M1"});
    current_model = 1;
    use_file("[SPEC]\n");
    EXPECT_EQ(load_plotter_specification(nullptr, nullptr), -1);
    EXPECT_EQ(host.printed, "");
}

TEST_F(SpecTest, LoadReportsAFileThatCannotBeOpened) {
    set_models({"M1"});
    std::strcpy(definition_path, (dir / "gone.def").string().c_str());
    EXPECT_EQ(load_plotter_specification(nullptr, nullptr), -1);
    EXPECT_EQ(host.printed.rfind("\nPlotter definition file read error occured. : ", 0), 0u);
}

}  // namespace
}  // namespace tvk::test
