// Text in every script and in the drawing's own fonts: styles to Hershey
// families, Greek, Cyrillic and Japanese glyphs, characters no font has.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>

#include "host/drawing/geometry/geometry.h"
#include "host/drawing/text/font_families.h"
#include "tests/host_drawing/dxf/dxf_builder.h"

namespace tvk::host::test {
namespace {

const std::string kFonts = "/usr/share/hershey-fonts/";

bool fonts_installed() {
    return std::ifstream(kFonts + "japanese.jhf").good();
}

TEST(Fonts, StyleFontFilesGoToTheirFamilies) {
    const std::pair<const char*, const char*> cases[] = {
        {"txt", "simplex"},
        {"romans.shx", "simplex"},
        {"ROMAND.SHX", "duplex"},
        {"romant", "triplex"},
        {"romanc.shx", "complex"},
        {"italicc.shx", "italic"},
        {"scripts.shx", "script"},
        {"scriptc.shx", "script complex"},
        {"gothice.shx", "gothic"},
        {"greeks.shx", "greek"},
        {"greekc.shx", "greek complex"},
        {"cyrillic.shx", "cyrillic"},
        {"C:\\Fonts\\isocp.shx", "simplex"},
        {"arial.ttf", "simplex"},
        {"Microsoft Sans Serif", "simplex"},
        {"times.ttf", "complex"},
        {"Times New Roman", "complex"},
        {"timesbd.ttf", "complex"},
        {"Old English Text MT", "gothic"},
        {"Brush Script MT", "script"},
        {"symbol.ttf", "greek"},
        {"", "simplex"},
        {"unknown.shx", "simplex"},
    };
    for (const auto& [file, family] : cases) EXPECT_EQ(font_family(file), family) << file;
}

TEST(Fonts, GreekCyrillicAndJapaneseTakeTheirGlyphsFromTheHersheySets) {
    if (!fonts_installed()) GTEST_SKIP() << "hershey-fonts-data is not installed";
    const StrokeFont& font = StrokeFont::standard();
    // The alphabetical sets stand at the ASCII letters: Ж is the 7th capital,
    // λ the 11th small Greek letter, Я the transliterated set's '^'.
    const StrokeFont cyrillic = StrokeFont::load_jhf(kFonts + "cyrilc_1.jhf");
    const StrokeFont transliterated = StrokeFont::load_jhf(kFonts + "cyrillic.jhf");
    const StrokeFont greek = StrokeFont::load_jhf(kFonts + "greeks.jhf");
    const struct {
        char32_t c;
        const StrokeFont& from;
        char32_t at;
    } cases[] = {{U'Ж', cyrillic, U'G'},       {U'щ', cyrillic, U'z'}, {U'Я', transliterated, U'^'},
                 {U'ы', transliterated, U'&'}, {U'λ', greek, U'k'},    {U'Ω', greek, U'X'},
                 {U'Σ', greek, U'R'},          {U'ς', greek, U'r'}};
    for (const auto& c : cases) {
        EXPECT_TRUE(font.has(c.c)) << unsigned(c.c);
        EXPECT_EQ(font.glyph(c.c).strokes, c.from.glyph(c.at).strokes) << unsigned(c.c);
    }
    // Ё is Е with a diaeresis; the kana of both syllabaries and the numerals are there.
    EXPECT_EQ(font.glyph(U'Ё').strokes.size(), font.glyph(U'Е').strokes.size() + 2);
    for (char32_t c : {U'あ', U'ん', U'ぽ', U'ア', U'ヲ', U'ポ', U'一', U'九', U'東', U'京'})
        EXPECT_TRUE(font.has(c)) << unsigned(c);
    EXPECT_NE(font.glyph(U'あ').strokes, font.glyph(U'ア').strokes);
    EXPECT_NE(font.glyph(U'ぱ').strokes, font.glyph(U'ば').strokes);
    EXPECT_FALSE(font.has(U'€'));
}

// A STYLE table with the given entries (name, font file, width factor, oblique).
std::string styles(const std::vector<std::tuple<std::string, std::string, double, double>>& s) {
    std::string out = entity("ENDTAB", {}) + entity("TABLE", {{2, "STYLE"}});
    for (const auto& [name, file, width, oblique] : s)
        out += entity("STYLE", {{2, name},
                                {70, "0"},
                                {40, "0"},
                                {41, std::to_string(width)},
                                {50, std::to_string(oblique)},
                                {71, "0"},
                                {42, "2.5"},
                                {3, file},
                                {4, ""}});
    return out;
}

TEST(Fonts, TextIsDrawnInItsStylesFamilyWithItsWidthFactorAndSlant) {
    if (!fonts_installed()) GTEST_SKIP() << "hershey-fonts-data is not installed";
    const std::string table =
        styles({{"GOTH", "gothice.shx", 2, 15}, {"ARIAL", "arial.ttf", 1, 0}});
    auto first_point = [&](const std::string& type, const std::string& style) {
        Groups g = {{8, "0"}, {7, style}, {1, "H"}, {10, "0"}, {20, "0"}, {40, "10"}};
        if (type == "MTEXT") g.push_back({71, "7"});  // bottom left, at the baseline's depth
        const FlatDrawing f = flat(dxf_file(entity(type, g), "", table));
        EXPECT_FALSE(f.paths.empty());
        return f.paths.empty() ? Vec2{} : f.paths[0].points[0];
    };
    // The gothic H's first point, as the style sets it: twice as wide, and
    // slanted 15 degrees.
    const StrokeFont gothic = StrokeFont::load_jhf(kFonts + "gothiceng.jhf");
    const Glyph& h = gothic.glyph(U'H');
    const Vec2 g = h.strokes[0][0];
    const Vec2 expected{(g.x - h.left) * 20 + std::tan(15 * std::numbers::pi / 180) * g.y * 10,
                        g.y * 10};
    const Vec2 text = first_point("TEXT", "GOTH");
    EXPECT_NEAR(text.x, expected.x, 1e-9);
    EXPECT_NEAR(text.y, expected.y, 1e-9);
    // MTEXT takes the same font, width and slant; only where it stands differs.
    const Vec2 mtext = first_point("MTEXT", "GOTH");
    const Vec2 plain = first_point("MTEXT", "ARIAL");
    EXPECT_NEAR(mtext.y - text.y, plain.y - first_point("TEXT", "ARIAL").y, 1e-9);
    EXPECT_NEAR(mtext.x, text.x, 1e-9);
    // A TrueType sans-serif style is drawn in the simplex family.
    const Glyph& simplex = StrokeFont::standard().glyph(U'H');
    EXPECT_NEAR(first_point("TEXT", "ARIAL").x, (simplex.strokes[0][0].x - simplex.left) * 10,
                1e-9);
}

TEST(Fonts, CharactersNoFontHasAreCountedAndReportedOnce) {
    if (!fonts_installed()) GTEST_SKIP() << "hershey-fonts-data is not installed";
    const Drawing d = load(dxf_file(entity("TEXT", {{8, "0"}, {1, "Жλあ€ €"}, {40, "1"}}) +
                                    entity("MTEXT", {{8, "0"}, {1, "\\U+0531ok"}, {40, "1"}})));
    EXPECT_EQ(d.notes(),
              (std::vector<std::string>{
                  "Not in any font, drawn as \"?\": 3 characters (U+0531, U+20AC x2)."}));
    const Drawing fine = load(dxf_file(entity("TEXT", {{8, "0"}, {1, "Жλあ"}, {40, "1"}})));
    EXPECT_TRUE(fine.notes().empty());
}

}  // namespace
}  // namespace tvk::host::test
