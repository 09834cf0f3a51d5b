// The host's own pieces where a fault would not show plainly in a plot:
// clipping at the paper's edges, placement, line-type names, profiles.
#include <gtest/gtest.h>

#include "host/host_error.h"
#include "host/plotting/clipping.h"
#include "host/plotting/line_types.h"
#include "host/plotting/placement.h"
#include "host/settings/profile.h"
#include "host/ui/display_text.h"
#include "host/ui/plot_report.h"
#include "program.h"

namespace tvk::host {
namespace {

using Points = std::vector<HostPoint>;

TEST(Clipping, PolylinesAreCutAtTheEdgesAndSplitWhereTheyLeave) {
    const HostArea area{100, 50};
    // In, out across the right edge, back in across the top edge.
    const auto pieces = clip_polyline({{10, 10}, {150, 10}, {150, 40}, {90, 80}, {50, 40}}, area);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0], (Points{{10, 10}, {100, 10}}));
    EXPECT_EQ(pieces[1], (Points{{60, 50}, {50, 40}}));
    // Wholly outside, and far outside the 16 bits: nothing at all.
    EXPECT_TRUE(clip_polyline({{-70000, -5}, {-1, 60}}, area).empty());
    EXPECT_TRUE(clip_polyline({{1e9, 1e9}, {2e9, 1e9}}, area).empty());
    // A dot stays a dot inside, and goes outside.
    EXPECT_EQ(clip_polyline({{3.4, 4.6}}, area), (std::vector<Points>{{{3, 5}}}));
    EXPECT_TRUE(clip_polyline({{-3, 4}}, area).empty());
}

TEST(Clipping, PointsRoundToTheNearestUnitHalvesUp) {
    const HostArea area{100, 50};
    // Halves go up; the double just below a half goes down, as do points
    // within the slack outside the edge, and a path reused for the next
    // keeps nothing of the last.
    std::vector<HostPolyline> pieces;
    clip_polyline({{2.5, 0.49999999999999994}, {7.5, 49.5}, {99.5, 49.9}, {100.2, -0.2}}, area,
                  pieces);
    EXPECT_EQ(pieces, (std::vector<Points>{{{3, 0}, {8, 50}, {100, 50}, {100, 0}}}));
    clip_polyline({{1.4999999999999998, 3}}, area, pieces);
    EXPECT_EQ(pieces, (std::vector<Points>{{{1, 3}}}));
}

TEST(Clipping, RingsRunAlongTheEdgeOutside) {
    const HostArea area{100, 100};
    EXPECT_EQ(clip_ring({{50, 50}, {150, 50}, {150, 150}, {50, 150}}, area),
              (Points{{50, 50}, {100, 50}, {100, 100}, {50, 100}}));
    EXPECT_TRUE(clip_ring({{200, 200}, {300, 200}, {300, 300}}, area).empty());
}

TEST(Placement, FitCentresTheExtentsAndRotateTurnsThemFirst) {
    Box box;
    box.add(Vec2{10, 20});
    box.add(Vec2{30, 30});  // 20 by 10
    const HostArea area{1000, 1000};
    const Placement fit = Placement::fit(box, false, area);
    EXPECT_DOUBLE_EQ(fit.scale(), 50);
    EXPECT_DOUBLE_EQ(fit.apply({10, 20}).x, 0);
    EXPECT_DOUBLE_EQ(fit.apply({10, 20}).y, 250);
    EXPECT_DOUBLE_EQ(fit.apply({30, 30}).y, 750);

    const Placement turned = Placement::fit(box, true, HostArea{1000, 2000});
    EXPECT_DOUBLE_EQ(turned.scale(), 100);  // 10 across, 20 up
    EXPECT_DOUBLE_EQ(turned.apply({10, 30}).x, 0);
    EXPECT_DOUBLE_EQ(turned.apply({10, 20}).x, 1000);
    EXPECT_DOUBLE_EQ(turned.apply({30, 30}).y, 2000);

    const Placement scaled = Placement::scaled(box, false, 2);
    EXPECT_DOUBLE_EQ(scaled.apply({10, 20}).x, 0);
    EXPECT_DOUBLE_EQ(scaled.apply({30, 30}).x, 40);
}

TEST(Placement, TheAreaStaysWithin16Bits) {
    const HostArea a = host_area(100, 2, 1016);
    EXPECT_EQ(a.width, 65535);
    EXPECT_EQ(a.height, 2032);
}

TEST(LineTypes, NamesToEachLanguagesNumbers) {
    EXPECT_EQ(hardware_line_type("Continuous", false, 8), 0);
    EXPECT_EQ(hardware_line_type("BYLAYER", false, 8), 0);
    EXPECT_EQ(hardware_line_type("DOT", false, 6), 1);
    EXPECT_EQ(hardware_line_type("dashed2", false, 6), 3);
    EXPECT_EQ(hardware_line_type("DIVIDE", false, 8), 7);
    EXPECT_EQ(hardware_line_type("DIVIDE", false, 6), 6);  // TK-GL1 has no 7
    EXPECT_EQ(hardware_line_type("BORDERX2", false, 6), 4);
    // VTX-GL has no dotted line and counts the dashes from 1.
    EXPECT_EQ(hardware_line_type("DOT", true, 5), 1);
    EXPECT_EQ(hardware_line_type("DASHED", true, 5), 2);
    EXPECT_EQ(hardware_line_type("PHANTOM", true, 5), 5);
    EXPECT_EQ(hardware_line_type("DIVIDE", true, 5), 5);
    EXPECT_EQ(hardware_line_type("ZIGZAG", false, 8), -1);
}

TEST(Profiles, RoundTripKeepsTheStoredBlockByteForByte) {
    host_test::TempDir dir;
    Profile p;
    p.model = "MODEL \"Q\" 1";
    for (size_t i = 0; i < p.stored.size(); ++i) p.stored[i] = static_cast<uint8_t>(0xF0 + i);
    p.pen_options = 0x010F;
    p.pens = 8;
    p.pen_speed = 30;
    p.pen_width = 0.01;
    p.max_line_type = 8;  // TK-GL3, as the stored block's language bits say
    p.stored[2] = 0x08;
    set_default_colour_tables(p);
    p.pen_colour[3] = 0xFF8000;
    p.area_x = 16.535433070866142;
    p.area_y = 11.69;
    p.resolution = 1016;
    p.line = {19200, 7, 2, 2, 1};
    p.port_kind = 2;
    p.pen_by_colour[255] = 7;
    p.width_by_colour[3] = 0.011811023622047244;
    save_profile(p, dir.file("sub/p.toml"));
    const Profile q = load_profile(dir.file("sub/p.toml"));
    EXPECT_EQ(q.model, p.model);
    EXPECT_EQ(q.stored, p.stored);
    EXPECT_EQ(q.pen_options, p.pen_options);
    EXPECT_EQ(q.area_x, p.area_x);
    EXPECT_EQ(q.line.baud, 19200);
    EXPECT_EQ(q.line.parity, 2);
    EXPECT_EQ(q.line.handshake, 1);
    EXPECT_EQ(q.port_kind, 2);
    EXPECT_EQ(q.pen_by_colour, p.pen_by_colour);
    for (size_t k = 0; k < 256; ++k) EXPECT_NEAR(q.width_by_colour[k], p.width_by_colour[k], 1e-12);
    EXPECT_EQ(q.pen_colour, p.pen_colour);
}

TEST(Profiles, ABadProfileIsReportedWithItsFileAndKey) {
    host_test::TempDir dir;
    Profile p;
    p.model = "M";
    save_profile(p, dir.file("p.toml"));
    std::string text = host_test::read_file(dir.file("p.toml"));
    text.replace(text.find("stored_configuration = \"") + 24, 2, "zz");
    dir.write("p.toml", text);
    try {
        load_profile(dir.file("p.toml"));
        FAIL() << "loaded";
    } catch (const HostError& e) {
        EXPECT_NE(std::string(e.what()).find(dir.file("p.toml")), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("stored_configuration"), std::string::npos);
    }
    dir.write("q.toml", "model = \"M\"\n[plotter\n");
    EXPECT_THROW(load_profile(dir.file("q.toml")), HostError);
    // A value shown in the message as written; small numbers in an array
    // took toml++'s own writer into undefined behaviour.
    text = host_test::read_file(dir.file("p.toml"));
    const size_t model = text.find("model = ");
    text.replace(model, text.find('\n', model) - model, "model = [0.0118, -2, { a = 0.5 }]");
    dir.write("p.toml", text);
    try {
        load_profile(dir.file("p.toml"));
        FAIL() << "loaded";
    } catch (const HostError& e) {
        EXPECT_NE(std::string(e.what()).find("model = [0.0118, -2, { a = 0.5 }]"),
                  std::string::npos)
            << e.what();
    }
}

// Characters beyond ASCII where a key or a value belongs are refused before
// the TOML parser sees them (Debian's toml++ 3.3.0 reaches undefined
// behaviour on them); in quoted texts and comments they are taken.
TEST(Profiles, CharactersBeyondAsciiOnlyInTextsAndComments) {
    host_test::TempDir dir;
    for (const char* text :
         {"\xd0\xba", "model = \"M\"\n\xd0\xba = 1\n", "a = \xe3\x80\x80 1", "[\xd0\xba]",
          "a = 1 \xc2\xa0", "a = \"\"\"x\\\n  \xd0\xba\"\"\"", "a = \"x\"\xd0\xba"}) {
        dir.write("p.toml", text);
        try {
            load_profile(dir.file("p.toml"));
            FAIL() << "loaded " << text;
        } catch (const HostError& e) {
            EXPECT_NE(std::string(e.what()).find("beyond ASCII"), std::string::npos) << e.what();
        }
    }
    // Control characters where a key begins trip the parser's assertions.
    for (const char* text : {"[\x7f", "a\x01 = 1", "\x1b = 2"}) {
        dir.write("p.toml", text);
        EXPECT_THROW(load_profile(dir.file("p.toml")), HostError) << text;
    }
    Profile p;
    p.model = "Плоттер \"к\"";
    p.pens = 8;
    p.max_line_type = 5;  // VTX-GL, as the default stored block says
    set_default_colour_tables(p);
    p.area_x = 16.5;
    p.area_y = 11.7;
    p.resolution = 1016;
    save_profile(p, dir.file("q.toml"));
    std::string text = host_test::read_file(dir.file("q.toml"));
    dir.write("q.toml", "# профиль\n" + text + "# к\n");
    EXPECT_EQ(load_profile(dir.file("q.toml")).model, p.model);
    // Texts in single quotes are read as they stand, backslashes included.
    std::string edited = text;
    edited.replace(edited.find("model = "),
                   edited.find('\n', edited.find("model = ")) - edited.find("model = "),
                   "model = 'Плоттер \"к\" C:\\'");
    dir.write("q.toml", edited);
    EXPECT_EQ(load_profile(dir.file("q.toml")).model, "Плоттер \"к\" C:\\");
    // Even where the parser and this check read the text differently (a
    // broken value before a quote), the parser is given no character beyond
    // ASCII: "\xef\xba\xbf" (U+FEBF) reached its "unreachable" marker.
    dir.write("p.toml", "2=2_____=\"\xef\xba\xbf\"");
    EXPECT_THROW(load_profile(dir.file("p.toml")), HostError);
}

TEST(Report, TransferTimeCountsStartParityAndStopBits) {
    EXPECT_DOUBLE_EQ(transfer_seconds(960, {9600, 8, 0, 1, 0}), 1.0);  // 8N1: 10 bits
    EXPECT_DOUBLE_EQ(transfer_seconds(960, {9600, 7, 2, 2, 0}), 1.1);  // 7E2: 11 bits
}

TEST(Report, TheSummaryGivesThePlottersTimeAndCopiesRepeatItsOwnWork) {
    PlotFigures f;
    f.pens = 1;
    f.vectors = 4;
    f.bytes = 960;
    f.time.pen_down_s = 30;
    f.time.pen_up_s = 5;
    f.time.lifts = 1;
    f.time.lifts_s = 0.1;
    f.time.changes = 1;
    f.time.changes_s = 4;
    f.time.plotter_s = 39.1;
    f.time.total_s = 40;
    f.copies = 3;
    EXPECT_EQ(
        summary_line(f),
        "1 pen, 4 vectors, 960 bytes; pen up 0.0 mm, pen down 0.0 mm; sending takes about 1 s "
        "at 9600 baud (8N1); plotting about 40 s (drawing 30 s, pen-up moves 5 s, 1 pen "
        "lift 1 s, 1 pen change 4 s), 3 copies: about 1 min 59 s");
    f.serial = false;
    f.copies = 1;
    EXPECT_EQ(summary_line(f),
              "1 pen, 4 vectors, 960 bytes; pen up 0.0 mm, pen down 0.0 mm; plotting about 40 s "
              "(drawing 30 s, pen-up moves 5 s, 1 pen lift 1 s, 1 pen change 4 s)");
    // Against its bounds: 39.1 s against 34 s is 15 % over.
    f.bounds.lifts = 1;
    f.bounds.plotter_s = 34;
    f.pen_up_mm = 812.44;
    f.pen_up_bound_mm = 790.2;
    EXPECT_NE(summary_line(f).find("4 s); plotting time within 15.0 % of its bound (pen lifts 1, "
                                   "bound 1; pen-up travel 812.4 mm, bound 790.2 mm)"),
              std::string::npos)
        << summary_line(f);
}

TEST(DisplayText, TheDriversTextsAreConvertedByTheLanguagesCodePage) {
    // "f\xFCr" is Windows-1252, "\x83v\x83\x8D" Shift JIS; UTF-8 stays as it is.
    EXPECT_EQ(DisplayText("de").to_utf8("f\xFCr"), "f\xC3\xBCr");
    EXPECT_EQ(DisplayText("JA").to_utf8("\x83v\x83\x8D"), "\xE3\x83\x97\xE3\x83\xAD");
    EXPECT_EQ(DisplayText("RU").to_utf8("\xC4\xE0"), "\xD0\x94\xD0\xB0");
    EXPECT_EQ(DisplayText("DE").to_utf8("/tmp/\xC3\xBC.def"), "/tmp/\xC3\xBC.def");
    EXPECT_EQ(DisplayText("EN").to_utf8("plain"), "plain");
    // A byte the code page lacks, and a Shift JIS character cut short.
    EXPECT_EQ(DisplayText("DE").to_utf8("a\x81"
                                        "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(DisplayText("JA").to_utf8("a\x83"), "a\xEF\xBF\xBD");
    EXPECT_TRUE(driver_knows_language("ko"));
    EXPECT_TRUE(driver_knows_language("en"));
    EXPECT_FALSE(driver_knows_language("JAP"));
}

}  // namespace
}  // namespace tvk::host
