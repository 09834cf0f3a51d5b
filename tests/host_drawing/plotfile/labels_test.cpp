// Labels in the stroke fonts: where the label state puts them and how large,
// the control characters of a label, and the character sets.
#include <memory>

#include "host/drawing/plotfile/character_sets.h"
#include "host/drawing/text/stroke_font.h"
#include "tests/host_drawing/plotfile/plot_file_test.h"

namespace tvk::host::test {
namespace {

using plotfile::set_character;

// A dot drawn after the label marks where the label left the pen.
Vec2 pen_after(const std::string& plot) {
    Read r;
    read_into(r, plot + "PD;PU;");
    EXPECT_FALSE(r.segments.empty());
    return r.segments.back().a;
}

Box label_bounds(const std::string& plot) {
    Read r;
    read_into(r, plot);
    return bounds(r.segments);
}

// SI1,1: one centimetre, ten units, wide and high; a cell is 1.5 widths.
constexpr const char* kSized = "IN;SP1;SI1,1;PA0,0;";

TEST(PlotFileLabels, TheLabelStateSetsPlaceSizeAndDirection) {
    // Capitals stand on the baseline and reach the cap height.
    Box b = label_bounds(std::string(kSized) + "LBHE\x03");
    EXPECT_NEAR(b.min_y, 0, 1e-9);
    EXPECT_NEAR(b.max_y, 10, 1e-9);
    EXPECT_GT(b.min_x, 0);
    EXPECT_LT(b.max_x, 26);
    EXPECT_GT(b.max_x, 20);
    // The pen ends a cell past each character.
    Vec2 p = pen_after(std::string(kSized) + "LBHE\x03;");
    EXPECT_NEAR(p.x, 30, 1e-9);
    EXPECT_NEAR(p.y, 0, 1e-9);
    // ES: half a cell more a character.
    p = pen_after(std::string(kSized) + "ES0.5;LBHE\x03;");
    EXPECT_NEAR(p.x, 45, 1e-9);
    // DI: upwards; the letters stand left of the line.
    b = label_bounds(std::string(kSized) + "DI0,1;LBH\x03");
    EXPECT_NEAR(b.max_x, 0, 1e-9);
    EXPECT_NEAR(b.min_x, -10, 1e-9);
    EXPECT_GT(b.min_y, 0);
    // DR: relative to P1 and P2, here twice as high as wide: 1,1 is upwards steeper.
    p = pen_after("IN;SP1;IP0,0,100,200;SI1,1;PA0,0;DR1,1;LBH\x03;");
    EXPECT_NEAR(p.y / p.x, 2, 1e-9);
    // SR: percentages of P2 - P1.
    b = label_bounds("IN;SP1;IP0,0,1000,500;SR1,4;PA0,0;LBH\x03");
    EXPECT_NEAR(b.max_y, 20, 1e-9);
    p = pen_after("IN;SP1;IP0,0,1000,500;SR1,4;PA0,0;LBH\x03;");
    EXPECT_NEAR(p.x, 15, 1e-9);
    // SL: the cap height leans by the slant.
    const Box upright = label_bounds(std::string(kSized) + "LBI\x03");
    const Box slanted = label_bounds(std::string(kSized) + "SL1;LBI\x03");
    EXPECT_NEAR(slanted.max_x - upright.max_x, 10, 0.5);
}

// DT's mode 0 prints its terminator with the label; mode 1, the default,
// does not; IN brings back ETX.
TEST(PlotFileLabels, TheTerminatorIsPrintedInMode0) {
    const auto segments = [](const std::string& plot) {
        Read r;
        read_into(r, std::string(kSized) + plot);
        return r.segments;
    };
    expect_segments(segments("DT#,0;LBI#;"), segments("LBI#\x03"));
    expect_segments(segments("DT#;LBI#;"), segments("LBI\x03"));
    expect_segments(segments("DT#,1;LBI#;"), segments("LBI\x03"));
    expect_segments(segments("DT#,0;IN;SP1;SI1,1;PA0,0;LBI\x03"), segments("LBI\x03"));
}

// LM: in two-byte mode each pair of bytes is one character of a two-byte
// font, which no stroke font has: none is drawn, each is counted, and LM0
// brings back the one-byte labels. So does a row of such a font in 8-bit mode.
TEST(PlotFileLabels, TwoByteLabelsAreCountedNotDrawnAsOneByteCharacters) {
    const auto drawn_and_counted = [](const std::string& plot) {
        auto r = std::make_unique<Read>();
        read_into(*r, std::string(kSized) + plot);
        int counted = 0;
        for (const Entity& e : r->impl.entities) {
            if (const auto* u = std::get_if<Unsupported>(&e.what))
                counted += u->type.str().starts_with("HP-GL LB (two-byte") ? 1 : 0;
        }
        return std::pair{r->segments.size(), counted};
    };
    const auto [plain_segments, plain_counted] = drawn_and_counted("LBAB\x03");
    EXPECT_GT(plain_segments, 0u);
    EXPECT_EQ(plain_counted, 0);
    const auto [two_segments, two_counted] = drawn_and_counted("LM1;LB\x30\x21\x30\x22\x03PD;PU;");
    EXPECT_EQ(two_segments, 1u);  // the dot after it
    EXPECT_EQ(two_counted, 2);
    const auto [row_segments, row_counted] = drawn_and_counted("LM0,33;LBAB\x03PD;PU;");
    EXPECT_EQ(row_segments, 1u);
    EXPECT_EQ(row_counted, 2);
    EXPECT_EQ(drawn_and_counted("LM1;LM0;LBAB\x03"), drawn_and_counted("LBAB\x03"));
}

// UC: a character of the file's own on a grid of 4 by 8 to the character
// body (here one unit each way); the pen goes on a cell.
TEST(PlotFileLabels, UserCharactersAreDrawnOnTheCharacterGrid) {
    Read r;
    read_into(r, "IN;SP1;SI0.4,0.8;PA10,10;UC99,4,8,-99,0,-8,99,-4,8;PD;PU;");
    expect_segments(r.segments, {{{10, 10}, {14, 18}}, {{14, 10}, {10, 18}}, {{16, 10}, {16, 10}}});
    // Turned with the label direction, and one cell for a UC of no strokes.
    Read turned;
    read_into(turned, "IN;SP1;SI0.4,0.8;DI0,1;PA10,10;UC;UC99,4,0;PD;PU;");
    expect_segments(turned.segments, {{{10, 16}, {10, 20}}, {{10, 22}, {10, 22}}});
}

// DV: characters below one another (two cap heights apart), lines fed to
// the left; the characters themselves stay upright.
TEST(PlotFileLabels, VerticalLabelsStackTheirCharacters) {
    const Box one = label_bounds(std::string(kSized) + "LBE\x03");
    const Box down = label_bounds(std::string(kSized) + "DV1;LBEE\x03");
    EXPECT_NEAR(down.max_y, 10, 1e-9);
    EXPECT_NEAR(down.min_y, -20, 1e-9);
    EXPECT_NEAR(down.min_x, one.min_x, 1e-9);
    EXPECT_NEAR(down.max_x, one.max_x, 1e-9);
    const Box fed = label_bounds(std::string(kSized) + "DV1;LBE\r\nE\x03");
    EXPECT_NEAR(fed.min_x, one.min_x - 15, 1e-9);
    EXPECT_NEAR(fed.min_y, 0, 1e-9);
    // Up the page, and DV; back to the right.
    EXPECT_NEAR(pen_after(std::string(kSized) + "DV3;LBEE\x03;").y, 40, 1e-9);
    EXPECT_NEAR(pen_after(std::string(kSized) + "DV1;DV;LBEE\x03;").x, 30, 1e-9);
}

TEST(PlotFileLabels, TheOriginAlignsEachLine) {
    // Two characters: 2 cells less the space after the last, 25 units.
    Box b = label_bounds(std::string(kSized) + "LO5;LBHH\x03");
    EXPECT_NEAR(b.min_y, -5, 1e-9);
    EXPECT_NEAR(b.max_y, 5, 1e-9);
    EXPECT_NEAR((b.min_x + b.max_x) / 2, 0, 1e-9);
    b = label_bounds(std::string(kSized) + "LO9;LBHH\x03");
    EXPECT_NEAR(b.max_y, 0, 1e-9);
    EXPECT_NEAR(b.max_x, -(b.min_x + 25), 25);
    EXPECT_LT(b.max_x, 0);
    // LO 11 to 19 stand off the point by half a character.
    b = label_bounds(std::string(kSized) + "LO11;LBH\x03");
    EXPECT_NEAR(b.min_y, 5, 1e-9);
    // HP-GL/2's LO21 begins at the pen as LO1 does; a position no plotter
    // has leaves the origin as it was.
    const auto hpgl2_bounds = [](const std::string& plot) {
        Read r;
        read_into(r, plot, {25.4, "HP-GL/2", 0});
        return bounds(r.segments);
    };
    const Box one = hpgl2_bounds(std::string(kSized) + "LBHH\x03");
    const Box twenty_one = hpgl2_bounds(std::string(kSized) + "LO5;LO21;LBHH\x03");
    EXPECT_EQ(twenty_one.min_x, one.min_x);
    EXPECT_EQ(twenty_one.min_y, one.min_y);
    const Box five = hpgl2_bounds(std::string(kSized) + "LO5;LBHH\x03");
    const Box kept = hpgl2_bounds(std::string(kSized) + "LO5;LO10;LO22;LBHH\x03");
    EXPECT_EQ(kept.min_x, five.min_x);
    EXPECT_EQ(kept.min_y, five.min_y);
}

TEST(PlotFileLabels, ControlCharactersMoveThePenAndCpMovesByCells) {
    // CR LF: the next line two cap heights down, from the label's start.
    Vec2 p = pen_after(std::string(kSized) + "LBHH\r\nH\x03;");
    EXPECT_NEAR(p.x, 15, 1e-9);
    EXPECT_NEAR(p.y, -20, 1e-9);
    // Backspace goes back a cell.
    p = pen_after(std::string(kSized) + "LBHH\bH\x03;");
    EXPECT_NEAR(p.x, 30, 1e-9);
    // CP: cells and lines, in parts of them too.
    p = pen_after(std::string(kSized) + "CP2,-1;");
    EXPECT_NEAR(p.x, 30, 1e-9);
    EXPECT_NEAR(p.y, -20, 1e-9);
    p = pen_after(std::string(kSized) + "CP0.5,0.25;");
    EXPECT_NEAR(p.x, 7.5, 1e-9);
    EXPECT_NEAR(p.y, 5, 1e-9);
    // TD1: control characters are characters, and take their cells.
    p = pen_after(std::string(kSized) + "LBH\rH\x03;");
    EXPECT_NEAR(p.x, 15, 1e-9);
    p = pen_after(std::string(kSized) + "TD1;LBH\rH\x03;");
    EXPECT_NEAR(p.x, 45, 1e-9);
    EXPECT_NEAR(p.y, 0, 1e-9);
    // DT: another terminator, then the file goes on.
    p = pen_after(std::string(kSized) + "DT#;LBHH#;");
    EXPECT_NEAR(p.x, 30, 1e-9);
    // BL and PB: a label kept, drawn later.
    p = pen_after(std::string(kSized) + "BLHHH\x03;PA0,0;PB;");
    EXPECT_NEAR(p.x, 45, 1e-9);
    // SM: a symbol at each point, centred on it.
    Read r;
    read_into(r, std::string(kSized) + "SM+;PA20,20;");
    const Box plus = bounds(r.segments);
    // The character's cell is centred, not its strokes.
    EXPECT_NEAR((plus.min_y + plus.max_y) / 2, 20, 1.5);
    EXPECT_NEAR((plus.min_x + plus.max_x) / 2, 20, 1.5);
}

TEST(PlotFileLabels, CharacterSetsGiveTheCharacterOfEachByte) {
    EXPECT_EQ(set_character(0, false, 'A'), U'A');
    EXPECT_EQ(set_character(33, false, '['), U'Ä');  // ISO German
    EXPECT_EQ(set_character(33, false, '~'), U'ß');
    EXPECT_EQ(set_character(35, false, '#'), U'£');   // ISO UK
    EXPECT_EQ(set_character(7, false, 'E'), U'é');    // Roman extensions: Roman-8 0xC5
    EXPECT_EQ(set_character(277, true, 0xC5), U'é');  // Roman-8
    EXPECT_EQ(set_character(277, true, 0xFE), U'±');
    EXPECT_EQ(set_character(14, true, 0xE9), U'é');  // ISO 8859-1
    EXPECT_EQ(set_character(39, true, '}'), U'ü');   // HP-GL/2 1G, German
    // SO and SI shift between the standard and alternate sets within a label.
    Read shifted, direct;
    read_into(shifted, std::string(kSized) + "CA33;LB\x0e[\x0f[\x03");
    read_into(direct, std::string(kSized) + "CS33;LB[\x03");
    EXPECT_GT(shifted.segments.size(), direct.segments.size());
    // SA and SS choose between them for the labels that follow.
    Read alternate, standard;
    read_into(alternate, std::string(kSized) + "CA33;SA;LB[\x03");
    read_into(standard, std::string(kSized) + "CA33;SA;SS;LB[\x03");
    EXPECT_EQ(alternate.segments.size(), direct.segments.size());
    Read ascii;
    read_into(ascii, std::string(kSized) + "LB[\x03");
    EXPECT_EQ(standard.segments.size(), ascii.segments.size());
    // A character no font has is counted as missing.
    Read missing;
    read_into(missing, "IN;SP1;PA0,0;CS7;LB\x7c\x03");  // Roman-8 0xFC: a black square
    if (!StrokeFont::standard().has(U'\u25A0')) {
        EXPECT_EQ(missing.impl.missing_characters.count(U'\u25A0'), 1u);
    }
}

TEST(PlotFileLabels, HpGl2FontsSizeTheirCharactersByPitchAndHeight) {
    // 10 characters an inch (25.4 units at one a millimetre): a cell is 2.54.
    Vec2 p = pen_after("\x1b%0BIN;PS1000,1000;SP1;SD1,277,2,0,3,10,4,12;PA0,0;LBHHHH\x03;");
    EXPECT_NEAR(p.x, 4 * 2.54, 1e-9);
    // AD sizes the alternate font, SA draws in it, SS back in the standard one.
    p = pen_after("\x1b%0BIN;PS1000,1000;SP1;SD3,10;AD3,5;SA;PA0,0;LBHH\x03;");
    EXPECT_NEAR(p.x, 2 * 5.08, 1e-9);
    p = pen_after("\x1b%0BIN;PS1000,1000;SP1;SD3,10;AD3,5;SA;SS;PA0,0;LBHH\x03;");
    EXPECT_NEAR(p.x, 2 * 2.54, 1e-9);
    // SI overrides the font's size.
    p = pen_after("\x1b%0BIN;PS1000,1000;SP1;SD3,10;SI1,1;PA0,0;LBHH\x03;");
    EXPECT_NEAR(p.x, 30, 1e-9);
}

}  // namespace
}  // namespace tvk::host::test
