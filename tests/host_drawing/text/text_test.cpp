// TEXT and MTEXT drawn with the stroke font: size, placement, formatting codes.
#include "host/drawing/text/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <optional>

#include "host/drawing/text/code_page.h"
#include "host/drawing/text/stroke_font.h"
#include "tests/host_drawing/dxf/dxf_builder.h"

namespace tvk::host::test {
namespace {

Box bounds(const FlatDrawing& f) {
    Box box;
    for (const auto& p : f.paths)
        for (Vec2 q : p.points) box.add(q);
    return box;
}

std::string text(const std::string& s, const Groups& extra) {
    Groups g{{8, "0"}, {1, s}, {40, "10"}};
    g.insert(g.end(), extra.begin(), extra.end());
    return entity("TEXT", g);
}

TEST(Text, CapitalsStandAsHighAsTheTextHeight) {
    auto f = flat(dxf_file(text("HE", {{10, "0"}, {20, "0"}})));
    ASSERT_FALSE(f.paths.empty());
    Box box = bounds(f);
    EXPECT_NEAR(box.min_y, 0, 1e-9);
    EXPECT_NEAR(box.max_y, 10, 1e-9);
    EXPECT_GT(box.min_x, 0);  // the side bearing of the H
    EXPECT_LT(box.max_x, 20);
}

TEST(Text, RotationWidthFactorAndAlignment) {
    Box turned = bounds(flat(dxf_file(text("H", {{10, "5"}, {20, "0"}, {50, "90"}}))));
    EXPECT_NEAR(turned.min_x, -5, 1e-9);
    EXPECT_NEAR(turned.max_x, 5, 1e-9);
    EXPECT_GT(turned.min_y, 0);

    Box narrow = bounds(flat(dxf_file(text("H", {{10, "0"}, {20, "0"}}))));
    Box wide = bounds(flat(dxf_file(text("H", {{10, "0"}, {20, "0"}, {41, "2"}}))));
    EXPECT_NEAR(wide.max_x - wide.min_x, 2 * (narrow.max_x - narrow.min_x), 1e-9);

    // Centred on (50, 0): the H is symmetric about the alignment point.
    Box centred =
        bounds(flat(dxf_file(text("H", {{10, "0"}, {20, "0"}, {11, "50"}, {21, "0"}, {72, "1"}}))));
    EXPECT_NEAR((centred.min_x + centred.max_x) / 2, 50, 1e-9);
    // Middle: centred both ways.
    Box middle = bounds(
        flat(dxf_file(text("H", {{10, "0"}, {20, "0"}, {11, "50"}, {21, "50"}, {72, "4"}}))));
    EXPECT_NEAR((middle.min_y + middle.max_y) / 2, 50, 1e-9);
    // Right aligned, top: the H hangs below and left of the point.
    Box top_right = bounds(flat(
        dxf_file(text("H", {{10, "0"}, {20, "0"}, {11, "50"}, {21, "50"}, {72, "2"}, {73, "3"}}))));
    EXPECT_LT(top_right.max_x, 50);
    EXPECT_NEAR(top_right.max_y, 50, 1e-9);
    // Fit between two points keeps the height and stretches the width.
    Box fit = bounds(
        flat(dxf_file(text("HH", {{10, "0"}, {20, "0"}, {11, "100"}, {21, "0"}, {72, "5"}}))));
    EXPECT_NEAR(fit.max_y, 10, 1e-9);
    EXPECT_GT(fit.max_x, 90);
}

TEST(Text, MTextLinesAttachmentAndDirection) {
    auto mtext = [](const std::string& s, int attachment, const Groups& extra = {}) {
        Groups g{{8, "0"}, {10, "0"}, {20, "0"}, {40, "10"}, {71, std::to_string(attachment)},
                 {1, s}};
        g.insert(g.end(), extra.begin(), extra.end());
        return entity("MTEXT", g);
    };
    // Top left: the first line's capitals start at the insertion point and go down.
    Box two = bounds(flat(dxf_file(mtext("H\\PH", 1))));
    EXPECT_NEAR(two.max_y, 0, 1e-9);
    EXPECT_NEAR(two.min_y, -10 - 10 * 5.0 / 3.0, 1e-9);
    // Bottom right: the last baseline at the point, the text to its left.
    Box bottom_right = bounds(flat(dxf_file(mtext("H\\PH", 9))));
    EXPECT_NEAR(bottom_right.min_y, 0, 1e-9);
    EXPECT_LT(bottom_right.max_x, 0);
    // Text running up the page.
    Box up = bounds(flat(dxf_file(mtext("HHH", 7, {{11, "0"}, {21, "1"}}))));
    EXPECT_GT(up.max_y - up.min_y, up.max_x - up.min_x);
    // Chunks of more than 250 characters arrive in groups 3 before group 1.
    auto chunked = entity(
        "MTEXT", {{8, "0"}, {10, "0"}, {20, "0"}, {40, "10"}, {71, "1"}, {3, "H\\P"}, {1, "H"}});
    EXPECT_NEAR(bounds(flat(dxf_file(chunked))).min_y, two.min_y, 1e-9);
}

TEST(Text, MTextFormattingCodesAreDropped) {
    auto lines =
        mtext_lines("{\\fArial|b1;GROUND}\\PScale \\S1/2;\\P\\LUnder\\l 50%%d\\~A\\\\B\\{x\\}");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], U"GROUND");
    EXPECT_EQ(lines[1], U"Scale 1/2");
    EXPECT_EQ(lines[2], U"Under 50\u00B0 A\\B{x}");
    EXPECT_EQ(mtext_lines("\\H0.7x;small\\C1;red\\U+00D8"),
              std::vector<std::u32string>{U"smallred\u00D8"});
}

TEST(Text, MTextHeightsWidthsAndSlantsHoldToTheEndOfTheirBraces) {
    auto mtext = [](const std::string& s) {
        return bounds(flat(dxf_file(
            entity("MTEXT", {{8, "0"}, {10, "0"}, {20, "0"}, {40, "10"}, {71, "7"}, {1, s}}))));
    };
    Box plain = mtext("H");
    EXPECT_NEAR(plain.max_y - plain.min_y, 10, 1e-9);
    EXPECT_NEAR(mtext("{\\H2x;H}").max_y, 20, 1e-9);
    EXPECT_NEAR(mtext("\\H25;H").max_y, 25, 1e-9);
    EXPECT_NEAR(mtext("{\\H3x;}H").max_y, 10, 1e-9);
    Box wide = mtext("\\W2;H");
    EXPECT_NEAR(wide.max_x - wide.min_x, 2 * (plain.max_x - plain.min_x), 1e-9);
    // A line of mixed heights stands on one baseline.
    EXPECT_NEAR(mtext("H{\\H2x;H}").min_y, 0, 1e-9);
}

TEST(Text, MTextColumnsOfTheEmbeddedObjectStandSideBySide) {
    // As AutoCAD 2018 writes them: the embedded object repeats the codes of the
    // entity (10 is its direction there, not the insertion point).
    auto columns = entity("MTEXT", {{8, "0"},
                                    {10, "100"},
                                    {20, "50"},
                                    {40, "10"},
                                    {41, "40"},
                                    {71, "1"},
                                    {1, "H\\NH"},
                                    {101, "Embedded Object"},
                                    {70, "1"},
                                    {10, "1"},
                                    {20, "0"},
                                    {11, "100"},
                                    {21, "50"},
                                    {40, "40"},
                                    {41, "30"},
                                    {71, "1"},
                                    {72, "2"},
                                    {44, "40"},
                                    {45, "5"}});
    Box b = bounds(flat(dxf_file(columns)));
    EXPECT_NEAR(b.max_y, 50, 1e-9);
    EXPECT_NEAR(b.min_y, 40, 1e-9);  // one line in each column
    EXPECT_GT(b.min_x, 100);
    EXPECT_GT(b.max_x, 145);  // the second column begins 45 to the right
    EXPECT_LT(b.max_x, 155);
}

TEST(Text, SpecialCharactersAndEncodings) {
    EXPECT_EQ(decode_text("%%c8 %%p0.1 45%%d 100%%%"), U"\u22058 \u00B10.1 45\u00B0 100%");
    EXPECT_EQ(decode_text("%%065"), U"A");
    EXPECT_EQ(decode_text("\xC3\x98"
                          "20"),
              U"\u00D820");  // UTF-8
    EXPECT_EQ(decode_text("\xB0"
                          "C"),
              U"\u00B0C");  // the Windows code page
    EXPECT_EQ(decode_text("\\U+00B1"), U"\u00B1");
    // The specials have glyphs of their own, wider than nothing.
    const StrokeFont& font = StrokeFont::standard();
    for (char32_t c : {U'\u2205', U'\u00B0', U'\u00B1'})
        EXPECT_FALSE(font.glyph(c).strokes.empty());
}

TEST(Text, UnderlinesAndOverlinesRunUnderAndOverWhatTheySwitch) {
    // A horizontal stroke at y in the paths, from x0 to x1.
    auto rule_at = [](const FlatDrawing& f, double y) -> std::optional<std::pair<double, double>> {
        for (const auto& p : f.paths)
            if (p.points.size() == 2 && std::abs(p.points[0].y - y) < 1e-9 &&
                std::abs(p.points[1].y - y) < 1e-9)
                return std::pair{p.points[0].x, p.points[1].x};
        return std::nullopt;
    };
    auto plain = flat(dxf_file(text("AB", {{10, "0"}, {20, "0"}})));
    auto under = flat(dxf_file(text("%%uAB%%u", {{10, "0"}, {20, "0"}})));
    EXPECT_EQ(under.paths.size(), plain.paths.size() + 1);
    auto line = rule_at(under, 10 * kUnderline);
    ASSERT_TRUE(line);
    EXPECT_NEAR(line->first, 0, 1e-9);
    EXPECT_NEAR(line->second, 10 * text_width(U"AB", StrokeFont::standard()), 1e-9);
    // Left open, it runs to the end; overlines stand above.
    EXPECT_TRUE(rule_at(flat(dxf_file(text("A%%oB", {{10, "0"}, {20, "0"}}))), 10 * kOverline));
    // MTEXT: \L to \l, one stroke under each character.
    auto mtext = flat(dxf_file(entity(
        "MTEXT", {{8, "0"}, {10, "0"}, {20, "0"}, {40, "10"}, {71, "7"}, {1, "\\LAB\\lC"}})));
    int rules = 0;
    for (const auto& p : mtext.paths)
        if (p.points.size() == 2 && std::abs(p.points[0].y - 10 * kUnderline) < 1e-9) ++rules;
    EXPECT_EQ(rules, 2);
}

TEST(Text, CodePagesOfOlderDrawings) {
    EXPECT_EQ(to_utf8("\x80 5", "ANSI_1252"), "\u20AC 5");
    EXPECT_EQ(to_utf8("\xCF\xF0\xE8", "ANSI_1251"), "\u041F\u0440\u0438");
    EXPECT_EQ(to_utf8("\x80", ""), "\u20AC");  // Windows-1252 unless told otherwise
    EXPECT_EQ(to_utf8("Stra\xC3\x9F"
                      "e",
                      "ANSI_1251"),
              "Stra\u00DF"
              "e");                                       // UTF-8 as it is
    EXPECT_EQ(double_byte_to_utf8(1, 0x82A0), "\u3042");  // Shift-JIS hiragana a
    EXPECT_EQ(double_byte_to_utf8(9, 0x82A0), "?");
    // A drawing in the Central European code page: 0xE8 is c with caron there,
    // not e with grave.
    auto strokes = [](const std::string& header, const std::string& text) {
        std::string file =
            dxf_file(entity("TEXT", {{8, "0"}, {10, "0"}, {20, "0"}, {40, "10"}, {1, text}}), "",
                     "", header);
        std::vector<std::vector<Vec2>> out;
        for (const auto& p : flat(file).paths) out.push_back(p.points);
        return out;
    };
    std::string central = "  9\n$DWGCODEPAGE\n  3\nANSI_1250\n";
    EXPECT_EQ(strokes(central, "\xE8"), strokes("", "\u010D"));
    EXPECT_NE(strokes(central, "\xE8"), strokes("", "\u00E8"));
}

TEST(StrokeFonts, HersheyFilesAndTheBuiltInFallback) {
    // A two-glyph font: the space and a '!' standing from the cap line to the baseline.
    std::string jhf = "12345  1JZ\n12345  4MWRFRT RRYRZ\n";
    std::string path = write_temp("tiny.jhf", jhf);
    EXPECT_THROW(StrokeFont::load_jhf(path), std::runtime_error);  // not the whole ASCII set
    try {
        StrokeFont::load_jhf("/nonexistent/font.jhf");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/font.jhf"), std::string::npos);
    }
    // The built-in font covers digits, capitals and small letters (drawn as capitals).
    StrokeFont builtin = StrokeFont::builtin();
    EXPECT_EQ(builtin.source(), "built-in");
    for (char32_t c = U'0'; c <= U'9'; ++c) EXPECT_FALSE(builtin.glyph(c).strokes.empty());
    for (char32_t c = U'A'; c <= U'Z'; ++c) EXPECT_FALSE(builtin.glyph(c).strokes.empty());
    EXPECT_EQ(builtin.glyph(U'a').strokes, builtin.glyph(U'A').strokes);
    EXPECT_EQ(builtin.glyph(U'\u4E00').strokes, builtin.glyph(U'?').strokes);
    // Capitals stand one cap height on the baseline.
    Box h;
    for (const auto& s : builtin.glyph(U'H').strokes)
        for (Vec2 p : s) h.add(p);
    EXPECT_DOUBLE_EQ(h.min_y, 0);
    EXPECT_DOUBLE_EQ(h.max_y, 1);
}

TEST(StrokeFonts, TheHersheyFontIsReadWhenInstalled) {
    const char* path = "/usr/share/hershey-fonts/futural.jhf";
    if (!std::ifstream(path)) GTEST_SKIP() << "hershey-fonts-data is not installed";
    StrokeFont font = StrokeFont::load_jhf(path);
    Box a;
    for (const auto& s : font.glyph(U'A').strokes)
        for (Vec2 p : s) a.add(p);
    EXPECT_NEAR(a.min_y, 0, 1e-12);
    EXPECT_NEAR(a.max_y, 1, 1e-12);
    EXPECT_GT(font.glyph(U'W').advance(), font.glyph(U'i').advance());
}

}  // namespace
}  // namespace tvk::host::test

namespace tvk::host::test {
namespace {

// In a process of its own: the standard font is chosen once per process.
TEST(StrokeFontsDeathTest, AFontThatCannotBeReadIsReplacedWithANote) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("TVK_FONT", "/nonexistent/chosen.jhf", 1);
            auto with_text = load(
                dxf_file(entity("TEXT", {{8, "0"}, {1, "A"}, {40, "1"}, {10, "0"}, {20, "0"}})));
            auto without = load(dxf_file(entity("POINT", {{8, "0"}, {10, "0"}, {20, "0"}})));
            bool noted =
                with_text.notes().size() == 1 &&
                with_text.notes()[0].find("/nonexistent/chosen.jhf") != std::string::npos &&
                without.notes().empty() && !with_text.flatten(0.1).paths.empty();
            std::exit(noted ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace tvk::host::test
