// tvkplot run as a user runs it, with the bundled definition file: models,
// configure, show, plot to files and standard output, preview, bad drawings.
// Plots are decoded back and checked against the drawing.
#include "program.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>

#include "fixtures.h"
#include "host/settings/profile.h"

namespace tvk::host_test {
namespace {

using decoder::Language;

// A3 landscape at 1016 units per inch, the first model's default paper.
constexpr double kA3Width = 420 / 25.4 * 1016;
constexpr double kA3Height = 297 / 25.4 * 1016;
constexpr double kMargin = 5 * 40;  // the default 5 mm at 40 units per millimetre

const std::vector<Line> kSquare = {
    {0, 0, 100, 0, 3}, {100, 0, 100, 100, 3}, {100, 100, 0, 100, 3}, {0, 100, 0, 0, 3}};

class ProgramTest : public ::testing::Test {
  protected:
    std::string config() const { return dir.file("config"); }
    Outcome tvkplot(const std::vector<std::string>& args) const {
        return run_tvkplot(args, config());
    }

    std::string drawing(const std::vector<Line>& lines, const std::string& name = "d.dxf") const {
        dir.write(name, dxf_of_lines(lines));
        return dir.file(name);
    }

    // Plots and decodes; the plot must succeed.
    decoder::Decoded plot(const std::vector<std::string>& args, Language language,
                          std::string* stream = nullptr) const {
        std::vector<std::string> all = {"plot"};
        all.insert(all.end(), args.begin(), args.end());
        all.insert(all.end(), {"-o", dir.file("out.plt"), "--yes"});
        const Outcome o = tvkplot(all);
        EXPECT_EQ(o.exit_code, 0) << o.out << o.err;
        const std::string bytes = read_file(dir.file("out.plt"));
        if (stream) *stream = bytes;
        const decoder::Decoded d = decoder::decode(bytes, language);
        EXPECT_TRUE(d.problems.empty()) << d.problems.front().what;
        return d;
    }

    TempDir dir;
};

TEST_F(ProgramTest, ModelsListsTheBundledModels) {
    const Outcome o = tvkplot({"models"});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_NE(o.out.find("1  TVK-PL400"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("2  TVK-HG700"), std::string::npos) << o.out;
}

TEST_F(ProgramTest, ADefinitionFileOfAnotherNameInAnUpperCaseDirectoryIsFound) {
    std::filesystem::create_directories(dir.file("Plotters"));
    std::filesystem::copy_file(example("tvkplot.def"), dir.file("Plotters/Office.DEF"));
    const Outcome o = tvkplot({"--def", dir.file("Plotters/Office.DEF"), "models"});
    EXPECT_EQ(o.exit_code, 0) << o.out << o.err;
    EXPECT_NE(o.out.find("TVK-HG700"), std::string::npos) << o.out;
}

TEST_F(ProgramTest, ConfigureSavesAProfileThatShowAndPlotUse) {
    const Outcome c = tvkplot({"configure", "--model", "tvk-hg700", "--yes"});
    ASSERT_EQ(c.exit_code, 0) << c.out << c.err;
    const std::string path = config() + "/tvkplot/TVK-HG700.toml";
    const host::Profile p = host::load_profile(path);
    EXPECT_EQ(p.model, "TVK-HG700");
    EXPECT_EQ(p.language_index(), 3);  // TK-GL3, the first of its menu
    EXPECT_EQ(p.pen_by_colour[9], 1);  // 8 pens: colour 9 to pen 1
    EXPECT_NEAR(p.area_x, 841 / 25.4, 1e-9);

    const Outcome s = tvkplot({"show"});
    EXPECT_EQ(s.exit_code, 0) << s.err;
    EXPECT_NE(s.out.find("Plotter : TVK-HG700"), std::string::npos) << s.out;
    EXPECT_NE(s.out.find("Plotter language : TK-GL3"), std::string::npos) << s.out;
    EXPECT_NE(s.out.find("Line types    0 = continuous line"), std::string::npos) << s.out;

    // Without --profile, plot takes the profile configured last.
    std::string stream;
    plot({drawing(kSquare)}, Language::kTkGl3, &stream);
    EXPECT_TRUE(stream.starts_with("BP")) << stream.substr(0, 40);
    EXPECT_TRUE(stream.ends_with("PG")) << stream.substr(stream.size() - 40);

    // With --model, that model's profile, edited here: colour 3 to pen 5.
    dir.write("config/tvkplot/TVK-HG700.toml", read_file(path) + "\n[colours.3]\npen = 5\n");
    ASSERT_EQ(tvkplot({"configure", "--model", "TVK-PL400", "--yes"}).exit_code, 0);
    const auto d = plot({drawing(kSquare), "--model", "tvk-hg700"}, Language::kTkGl3);
    for (const auto& seg : decoder::drawn_segments(d)) EXPECT_EQ(seg.style.pen, 5);
}

TEST_F(ProgramTest, ADrawingWithNothingOnThePaperFails) {
    const Outcome o = tvkplot({"plot", drawing({}), "-o", dir.file("out.plt"), "--yes"});
    EXPECT_EQ(o.exit_code, 1);
    EXPECT_NE(o.err.find("has nothing to plot"), std::string::npos) << o.err;
    EXPECT_FALSE(file_exists(dir.file("out.plt")));
}

TEST_F(ProgramTest, ASquareIsFittedCentredOnThePaperWithItsColoursPen) {
    std::string stream;
    const decoder::Decoded d = plot({drawing(kSquare)}, Language::kTkGl1, &stream);
    // The first model's defaults: TK-GL1, start string IN, end string NR, no
    // serial handshake in a file.
    EXPECT_TRUE(stream.starts_with("INSP1")) << stream.substr(0, 40);
    EXPECT_TRUE(stream.ends_with("NR"));
    const auto segments = decoder::drawn_segments(d);
    ASSERT_EQ(segments.size(), 4u);
    for (const auto& s : segments) EXPECT_EQ(s.style.pen, 3);
    const Extent e = drawn_extent(d);
    EXPECT_NEAR(e.min_y, kMargin, 1);
    EXPECT_NEAR(e.max_y, kA3Height - kMargin, 1.5);
    EXPECT_NEAR(e.max_x - e.min_x, e.max_y - e.min_y, 1);
    EXPECT_NEAR(e.min_x, (kA3Width - (e.max_y - e.min_y)) / 2, 1.5);
}

TEST_F(ProgramTest, RotateScaleAndClipping) {
    const std::vector<Line> rect = {
        {0, 0, 200, 0}, {200, 0, 200, 100}, {200, 100, 0, 100}, {0, 100, 0, 0}};
    const std::string dxf = drawing(rect);

    Extent e = drawn_extent(plot({dxf, "--rotate", "--margin", "0"}, Language::kTkGl1));
    EXPECT_NEAR(e.max_y - e.min_y, kA3Height, 1.5);  // 200 units now run up the paper
    EXPECT_NEAR(e.max_x - e.min_x, kA3Height / 2, 1.5);

    // 1 mm per drawing unit: 200 mm is 8000 units at 40 per millimetre.
    e = drawn_extent(plot({dxf, "--scale", "1", "--margin", "0"}, Language::kTkGl1));
    EXPECT_EQ(e.min_x, 0);
    EXPECT_EQ(e.min_y, 0);
    EXPECT_EQ(e.max_x, 8000);
    EXPECT_EQ(e.max_y, 4000);

    // Ten times larger than the paper: cut at its edges, never wrapped around.
    e = drawn_extent(plot({dxf, "--scale", "10", "--margin", "0"}, Language::kTkGl1));
    EXPECT_EQ(e.min_x, 0);
    EXPECT_EQ(e.min_y, 0);
    EXPECT_NEAR(e.max_x, kA3Width, 1);
    EXPECT_NEAR(e.max_y, kA3Height, 1);
}

TEST_F(ProgramTest, LineTypeNamesAndPenSpeedsReachThePlotter) {
    const std::string dxf = drawing({{0, 0, 100, 0, 1, "DASHED"},
                                     {0, 10, 100, 10, 2, "DOT"},
                                     {0, 20, 100, 20, 3, "CONTINUOUS"},
                                     {0, 30, 100, 30, 4, "NO_SUCH_TYPE"}});
    const auto line_types = [](const decoder::Decoded& d) {
        std::map<int, int> by_pen;
        for (const auto& s : decoder::drawn_segments(d)) by_pen[s.style.pen] = s.style.line_type;
        return by_pen;
    };
    // TK-GL1 numbers the dotted pattern 1 and the dashed one 3; the unknown
    // name takes the colour's line type, continuous.
    const decoder::Decoded gl = plot({dxf}, Language::kTkGl1);
    EXPECT_EQ(line_types(gl), (std::map<int, int>{{1, 3}, {2, 1}, {3, 0}, {4, 0}}));
    // The first model of the bundled file sets 30 cm/s for every pen.
    for (const auto& s : decoder::drawn_segments(gl)) EXPECT_EQ(s.style.velocity, 30);

    // VTX-GL has no dotted line: its shortest dashes, number 1; dashed is 2.
    const decoder::Decoded vtx = plot({dxf, "--model", "TVK-PL250"}, Language::kVtxGl);
    EXPECT_EQ(line_types(vtx), (std::map<int, int>{{1, 2}, {2, 1}, {3, 0}, {4, 0}}));
}

TEST_F(ProgramTest, APortWithoutSerialSettingsIsWrittenAsItStands) {
    const std::string profile = dir.file("p.toml");
    ASSERT_EQ(
        tvkplot({"configure", "--model", "TVK-PL400", "--profile", profile, "--yes"}).exit_code, 0);
    std::string text = read_file(profile);
    text.replace(text.find("kind = \"serial\""), 15, "kind = \"other\"");
    dir.write("p.toml", text);
    // A port that is not there is refused, not made as a file.
    const Outcome missing = tvkplot(
        {"plot", drawing(kSquare), "--profile", profile, "--port", dir.file("lp0"), "--yes"});
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_NE(
        missing.err.find("cannot open the port " + dir.file("lp0") + ": No such file or directory"),
        std::string::npos)
        << missing.err;
    EXPECT_FALSE(file_exists(dir.file("lp0")));

    dir.write("lp0", "");
    const Outcome o = tvkplot(
        {"plot", drawing(kSquare), "--profile", profile, "--port", dir.file("lp0"), "--yes"});
    ASSERT_EQ(o.exit_code, 0) << o.err;
    const std::string stream = read_file(dir.file("lp0"));
    EXPECT_TRUE(stream.starts_with("INSP1")) << stream.substr(0, 20);
    EXPECT_EQ(decoder::drawn_segments(decoder::decode(stream, Language::kTkGl1)).size(), 4u);
    // The summary names no baud rate for such a port.
    EXPECT_EQ(o.out.find("baud"), std::string::npos) << o.out;
}

TEST_F(ProgramTest, EachExamplePlotsInsideThePaperAndFillsIt) {
    for (const char* name : {"bracket.dxf", "floorplan.dxf", "logo.dxf"}) {
        SCOPED_TRACE(name);
        const decoder::Decoded d =
            plot({example(name), "--preview", dir.file("p.svg")}, Language::kTkGl1);
        const Extent e = drawn_extent(d);
        // Inside the margins, text and all, and spanning them across or up.
        EXPECT_GE(e.min_x, kMargin - 1);
        EXPECT_GE(e.min_y, kMargin - 1);
        EXPECT_LE(e.max_x, kA3Width - kMargin + 1);
        EXPECT_LE(e.max_y, kA3Height - kMargin + 1);
        EXPECT_TRUE(e.max_x - e.min_x > (kA3Width - 2 * kMargin) * 0.99 ||
                    e.max_y - e.min_y > (kA3Height - 2 * kMargin) * 0.99);
        EXPECT_GT(decoder::drawn_segments(d).size(), 50u);
        const std::string svg = read_file(dir.file("p.svg"));
        EXPECT_NE(svg.find("<svg"), std::string::npos);
        EXPECT_NE(svg.find("class=\"paper\""), std::string::npos);
        EXPECT_NE(svg.find("class=\"pen"), std::string::npos);
    }
}

TEST_F(ProgramTest, FilledAreasGoToThePlotterOnlyWhenItFillsThem) {
    const std::string profile = dir.file("hg.toml");
    ASSERT_EQ(
        tvkplot({"configure", "--model", "TVK-HG700", "--profile", profile, "--yes"}).exit_code, 0);
    decoder::Decoded d = plot({example("logo.dxf"), "--profile", profile}, Language::kTkGl3);
    EXPECT_TRUE(d.polygons.empty());  // the host hatched them

    std::string text = read_file(profile);
    const size_t at = text.find("pen_options = ");
    const size_t end = text.find_first_not_of("0123456789", at + 14);
    const int options = std::stoi(text.substr(at + 14, end - at - 14));
    text.replace(at + 14, end - at - 14, std::to_string(options | 0x100));
    dir.write("hg.toml", text);
    d = plot({example("logo.dxf"), "--profile", profile}, Language::kTkGl3);
    ASSERT_FALSE(d.polygons.empty());
    for (const auto& p : d.polygons) EXPECT_TRUE(p.filled);
}

TEST_F(ProgramTest, StandardOutputCarriesTheSameStreamAndTheTextsGoToStandardError) {
    const std::string dxf = drawing(kSquare);
    const std::string file_stream = [&] {
        std::string s;
        plot({dxf}, Language::kTkGl1, &s);
        return s;
    }();
    const Outcome o = tvkplot({"plot", dxf, "-o", "-", "--yes"});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(o.out, file_stream);
    // The plot-time paper menu took its default, and the summary followed.
    EXPECT_NE(o.err.find("Paper size"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("<1>: 1"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("4 vectors"), std::string::npos) << o.err;
}

TEST_F(ProgramTest, BadDrawingsFailNamingTheFileAndLeaveNoOutput) {
    dir.write("broken.dxf", "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\nnot a number\n");
    for (const std::string& dxf : {dir.file("broken.dxf"), dir.file("missing.dxf")}) {
        SCOPED_TRACE(dxf);
        const Outcome o = tvkplot({"plot", dxf, "-o", dir.file("out.plt"), "--yes"});
        EXPECT_NE(o.exit_code, 0);
        EXPECT_NE(o.err.find(dxf), std::string::npos) << o.err;
        EXPECT_FALSE(file_exists(dir.file("out.plt")));
        EXPECT_FALSE(file_exists(dir.file("out.plt.part")));
    }
}

TEST_F(ProgramTest, PreviewRendersAStreamWithTravel) {
    std::string stream;
    plot({drawing(kSquare)}, Language::kTkGl1, &stream);
    const Outcome o =
        tvkplot({"preview", dir.file("out.plt"), "-o", dir.file("s.svg"), "--travel"});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    const std::string svg = read_file(dir.file("s.svg"));
    EXPECT_NE(svg.find("class=\"pen3\""), std::string::npos);
    EXPECT_NE(svg.find("class=\"travel\""), std::string::npos);
}

TEST_F(ProgramTest, OutputsThatCannotBeWrittenFailBeforeThePlotNamingTheFile) {
    const std::string dxf = drawing(kSquare);
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"-o", dir.file("no/such/dir/out.plt")},
         "cannot write the plot " + dir.file("no/such/dir/out.plt")},
        {{"-o", dir.path()}, "it is a directory"},
        {{"-o", dir.file("out.plt"), "--preview", dir.file("none/p.svg")},
         "cannot write the preview " + dir.file("none/p.svg")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args = {"plot", dxf, "--yes"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome o = tvkplot(args);
        EXPECT_EQ(o.exit_code, 1);
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        // Nothing was plotted, and nothing left behind.
        EXPECT_EQ(o.out.find("Paper size"), std::string::npos) << o.out;
        EXPECT_FALSE(file_exists(dir.file("out.plt")));
        EXPECT_FALSE(file_exists(dir.file("out.plt.part")));
    }
}

TEST_F(ProgramTest, AProfileOfAnotherModelIsRefusedWithWhatToDo) {
    const std::string profile = dir.file("hg.toml");
    ASSERT_EQ(
        tvkplot({"configure", "--model", "TVK-HG700", "--profile", profile, "--yes"}).exit_code, 0);
    const std::string out = dir.file("out.plt");
    Outcome o = tvkplot({"plot", drawing(kSquare), "--profile", profile, "--model", "TVK-PL400",
                         "-o", out, "--yes"});
    EXPECT_EQ(o.exit_code, 1);
    EXPECT_NE(o.err.find("is for TVK-HG700, not TVK-PL400"), std::string::npos) << o.err;

    // A definition file without the profile's model.
    dir.write("other.def", "[PLOTTER]\n*TEST-\nONE\n%\n[SPEC]\n*TEST-ONE\nPENS: 4\n");
    for (const std::string command : {"plot", "show"}) {
        std::vector<std::string> args = {"--def", dir.file("other.def"), command};
        if (command == "plot") args.insert(args.end(), {drawing(kSquare), "-o", out});
        args.insert(args.end(), {"--profile", profile});
        o = tvkplot(args);
        EXPECT_EQ(o.exit_code, 1) << command;
        EXPECT_NE(o.err.find("the profile " + profile + " is for the model TVK-HG700"),
                  std::string::npos)
            << o.err;
        EXPECT_NE(o.err.find("--def FILE"), std::string::npos) << o.err;
    }
    EXPECT_FALSE(file_exists(out));
}

TEST_F(ProgramTest, ABrokenProfileIsMadeAnewByConfigure) {
    dir.write("p.toml", "model = \n");
    const Outcome plot = tvkplot({"plot", drawing(kSquare), "--profile", dir.file("p.toml"), "-o",
                                  dir.file("out.plt"), "--yes"});
    EXPECT_EQ(plot.exit_code, 1);
    EXPECT_NE(plot.err.find("profile " + dir.file("p.toml") + ":1"), std::string::npos) << plot.err;
    EXPECT_NE(plot.err.find("tvkplot configure --profile " + dir.file("p.toml")), std::string::npos)
        << plot.err;

    const Outcome c =
        tvkplot({"configure", "--profile", dir.file("p.toml"), "--model", "TVK-PL250", "--yes"});
    EXPECT_EQ(c.exit_code, 0) << c.err;
    EXPECT_NE(c.err.find("configuring it anew"), std::string::npos) << c.err;
    EXPECT_EQ(host::load_profile(dir.file("p.toml")).model, "TVK-PL250");
}

TEST_F(ProgramTest, CommandLineMistakesExitWith2AndSayWhatToDo) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{}, "Usage: tvkplot [OPTIONS] COMMAND"},
        {{"frob"}, "unknown command \"frob\""},
        {{"--def", "x.def"}, "no command"},
        {{"plot", "a.dxf", "--scale", "0", "-o", "x"},
         "--scale: must be millimetres on paper per drawing unit above 0"},
        {{"plot", "a.dxf", "--scale", "1", "--fit", "-o", "x"}, "Run `tvkplot plot --help`"},
        {{"preview", "a.plt", "-o", "a.svg", "--language", "HPGL"}, "TK-GL3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const Outcome o = tvkplot(c.args);
        EXPECT_EQ(o.exit_code, 2);
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
    }
    const Outcome help = tvkplot({"plot", "--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.out.find("Usage: tvkplot plot"), std::string::npos) << help.out;
}

TEST_F(ProgramTest, PreviewTakesTheLanguageInAnyCaseAndWarnsWhenItDrawsNothing) {
    std::string stream;
    plot({drawing(kSquare), "--model", "TVK-PL250"}, Language::kVtxGl, &stream);
    Outcome o =
        tvkplot({"preview", dir.file("out.plt"), "-o", dir.file("s.svg"), "--language", "vtx-gl"});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_NE(read_file(dir.file("s.svg")).find("class=\"pen3\""), std::string::npos);

    // Read in the wrong language the stream is not understood and draws nothing.
    o = tvkplot({"preview", dir.file("out.plt"), "-o", dir.file("t.svg"), "--language", "TK-GL1"});
    EXPECT_EQ(o.exit_code, 1) << o.err;
    EXPECT_NE(o.err.find("not understood as TK-GL1"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("nothing is drawn"), std::string::npos) << o.err;
    EXPECT_FALSE(file_exists(dir.file("t.svg")));

    o = tvkplot({"preview", dir.file("missing.plt"), "-o", dir.file("m.svg")});
    EXPECT_EQ(o.exit_code, 1);
    EXPECT_NE(o.err.find("cannot read the plotter stream " + dir.file("missing.plt") +
                         ": No such file or directory"),
              std::string::npos)
        << o.err;
    EXPECT_FALSE(file_exists(dir.file("m.svg")));
}

// What is no plot is refused with the byte where reading failed; numbers
// beyond the language are reported where they stand; --travel belongs to a
// preview.
TEST_F(ProgramTest, PreviewRefusesWhatIsNoPlotAndReportsNumbersBeyondTheLanguage) {
    struct Case {
        std::string stream;
        int exit_code;
        std::string message;
    };
    const std::vector<Case> cases = {
        {read_file(example("bracket.dxf")), 1,
         dir.file("in.plt") + " is a DXF drawing, not a plotter stream: `tvkplot plot " +
             dir.file("in.plt") + " --dry-run --preview OUT.svg` previews drawings"},
        {"<svg xmlns=\"http://www.w3.org/2000/svg\"/>", 1, "is an SVG drawing, not a plotter"},
        {"", 1, dir.file("in.plt") + " is empty"},
        {" ;\n", 1, "holds no VTX-GL plotter command at all"},
        {"12,13", 1, "holds no VTX-GL plotter command at all, the first byte not understood at "
                     "byte 0"},
        {"INPAPD99999999999999999999,0", 0,
         "1 part of " + dir.file("in.plt") +
             " not understood as TK-GL3, the first at byte 6: number 99999999999999999999 "
             "beyond the range of the language (-1073741823 to 1073741823)"},
        {"IN;SP1;PD100,100;\"", 0, "the first at byte 17: unexpected byte '\"' (0x22)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        dir.write("in.plt", c.stream);
        const Outcome o = tvkplot({"preview", dir.file("in.plt"), "-o", dir.file("in.svg")});
        EXPECT_EQ(o.exit_code, c.exit_code) << o.err;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_EQ(file_exists(dir.file("in.svg")), c.exit_code == 0);
    }
    const Outcome travel =
        tvkplot({"plot", drawing(kSquare), "-o", dir.file("out.plt"), "--travel", "--yes"});
    EXPECT_EQ(travel.exit_code, 2);
    EXPECT_NE(travel.err.find("--travel requires --preview"), std::string::npos) << travel.err;
    EXPECT_FALSE(file_exists(dir.file("out.plt")));
}

TEST_F(ProgramTest, TheDriversTextsAreShownInUtf8ByTheirLanguagesCodePage) {
    // The bundled file holds German in Windows-1252 and Japanese in Shift JIS.
    const std::map<std::string, std::string> expected = {
        {"DE", "Dieser Plotter unterst\xC3\xBCtzt mehrere Plottersprachen."},
        {"fr",
         "Ce traceur accepte plusieurs langages de tra\xC3\xA7"
         "age."},
        {"JA", "\xE3\x81\x93\xE3\x81\xAE\xE3\x83\x97\xE3\x83\xAD\xE3\x83\x83\xE3\x82\xBF"},
    };
    for (const auto& [language, text] : expected) {
        SCOPED_TRACE(language);
        const Outcome o = tvkplot({"--lang", language, "configure", "--model", "TVK-HG900L",
                                   "--profile", dir.file(language + ".toml"), "--yes"});
        EXPECT_EQ(o.exit_code, 0) << o.err;
        EXPECT_NE(o.out.find(text), std::string::npos) << o.out;
    }
    const Outcome unknown = tvkplot({"--lang", "XX", "models"});
    EXPECT_EQ(unknown.exit_code, 0);
    EXPECT_NE(unknown.err.find("no texts in the language \"XX\""), std::string::npos)
        << unknown.err;
}

}  // namespace
}  // namespace tvk::host_test
