// Text whose characters the PDF does not give (an embedded font without a
// ToUnicode map, Type 3 glyphs with names of their own) is drawn as the
// glyphs' outlines at their place, size and angle; with the characters it
// stays in the stroke font; text that paints nothing is not drawn.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

#include "host/drawing/model/drawing.h"
#include "pdf_maker.h"

namespace tvk::host::test {
namespace {

constexpr double kMmPerPoint = 25.4 / 72;
const char* const kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::string read_font() {
    std::ifstream in(kFont, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t be(const std::string& f, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | static_cast<uint8_t>(f.at(at + i));
    return v;
}

// The glyph of a character in the font, through its Unicode (3,1) cmap of
// format 4; 0 where it has none.
unsigned glyph_of(const std::string& font, char32_t c) {
    const uint32_t tables = be(font, 4, 2);
    for (uint32_t t = 0; t < tables; ++t) {
        const size_t entry = 12 + 16 * t;
        if (font.compare(entry, 4, "cmap") != 0) continue;
        const size_t cmap = be(font, entry + 8, 4);
        for (uint32_t s = 0; s < be(font, cmap + 2, 2); ++s) {
            const size_t rec = cmap + 4 + 8 * s;
            if (be(font, rec, 2) != 3 || be(font, rec + 2, 2) != 1) continue;
            const size_t sub = cmap + be(font, rec + 4, 4);
            if (be(font, sub, 2) != 4) continue;
            const uint32_t segs = be(font, sub + 6, 2) / 2;
            const size_t ends = sub + 14, starts = ends + 2 * segs + 2, deltas = starts + 2 * segs,
                         offsets = deltas + 2 * segs;
            for (uint32_t i = 0; i < segs; ++i) {
                if (c > be(font, ends + 2 * i, 2) || c < be(font, starts + 2 * i, 2)) continue;
                const uint32_t offset = be(font, offsets + 2 * i, 2);
                if (offset == 0) return (c + be(font, deltas + 2 * i, 2)) & 0xFFFF;
                const size_t at = offsets + 2 * i + offset + 2 * (c - be(font, starts + 2 * i, 2));
                const uint32_t g = be(font, at, 2);
                return g == 0 ? 0 : (g + be(font, deltas + 2 * i, 2)) & 0xFFFF;
            }
        }
    }
    return 0;
}

// The whole font embedded as /G0, Identity-H: the text is glyph numbers,
// and without a ToUnicode map nothing says which characters they are.
pdf_test::ExtraObjects embedded_font(const std::string& font, bool to_unicode) {
    pdf_test::ExtraObjects x;
    std::string type0 =
        "<< /Type /Font /Subtype /Type0 /BaseFont /DejaVuSans /Encoding /Identity-H "
        "/DescendantFonts [@1]";
    if (to_unicode) type0 += " /ToUnicode @4";
    x.objects.push_back(type0 + " >>");
    x.objects.push_back(
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /DejaVuSans /CIDSystemInfo << "
        "/Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor @2 "
        "/CIDToGIDMap /Identity /DW 700 >>");
    x.objects.push_back(
        "<< /Type /FontDescriptor /FontName /DejaVuSans /Flags 4 /FontBBox [-1021 -463 1793 "
        "1232] /ItalicAngle 0 /Ascent 928 /Descent -236 /CapHeight 729 /StemV 80 /FontFile2 @3 "
        ">>");
    x.objects.push_back("<< /Length " + std::to_string(font.size()) + " >>\nstream\n" + font +
                        "\nendstream");
    // H and I as themselves.
    char cmap[512];
    std::snprintf(cmap, sizeof cmap,
                  "/CIDInit /ProcSet findresource begin 12 dict begin begincmap "
                  "/CMapName /T def /CMapType 2 def 1 begincodespacerange <0000> <FFFF> "
                  "endcodespacerange 2 beginbfchar <%04X> <0048> <%04X> <0049> endbfchar "
                  "endcmap CMapName currentdict /CMap defineresource pop end end",
                  glyph_of(font, U'H'), glyph_of(font, U'I'));
    x.objects.push_back("<< /Length " + std::to_string(std::strlen(cmap)) + " >>\nstream\n" + cmap +
                        "\nendstream");
    x.fonts.push_back({"G0", 0});
    return x;
}

// A Type 3 font of one glyph, a filled square of the em, under `name`.
pdf_test::ExtraObjects square_font(const std::string& name) {
    pdf_test::ExtraObjects x;
    x.objects.push_back(
        "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix "
        "[0.001 0 0 0.001 0 0] /CharProcs << /" +
        name + " @1 >> /Encoding << /Type /Encoding /Differences [65 /" + name +
        "] >> /FirstChar 65 /LastChar 65 /Widths [1000] /Resources << >> >>");
    const std::string square = "1000 0 0 0 1000 1000 d1 0 0 m 1000 0 l 1000 1000 l 0 1000 l f";
    x.objects.push_back("<< /Length " + std::to_string(square.size()) + " >>\nstream\n" + square +
                        "\nendstream");
    x.fonts.push_back({"T3", 0});
    return x;
}

class PdfGlyphs : public ::testing::Test {
  protected:
    void SetUp() override {
        font = read_font();
        if (font.empty()) GTEST_SKIP() << "no " << kFont << " (Debian's fonts-dejavu-core)";
        h = glyph_of(font, U'H');
        ASSERT_NE(h, 0u);
    }
    Drawing drawing(const std::string& content, const pdf_test::ExtraObjects& x) const {
        return Drawing::from_pdf(pdf_test::pdf_of({content}, "0 0 200 100", x), "t.pdf", 1);
    }
    std::string hh() const {
        char text[16];
        std::snprintf(text, sizeof text, "<%04X%04X>", h, h);
        return text;
    }

    std::string font;
    unsigned h = 0;
};

TEST_F(PdfGlyphs, GlyphsWithoutCharactersAreFilledOutlinesAtTheirPlaceAndSize) {
    const Drawing d =
        drawing("BT /G0 20 Tf 30 40 Td " + hh() + " Tj ET", embedded_font(font, false));
    const FlatDrawing f = d.flatten(0.01);
    EXPECT_TRUE(f.paths.empty());
    ASSERT_EQ(f.fills.size(), 2u);  // an H each
    const Box box = d.extents();
    // DejaVu's H: on the baseline, 0.729 of the em high, its stem 0.098 of
    // the em from its origin; the second 0.752 of the em on.
    EXPECT_NEAR(box.min_y, 40 * kMmPerPoint, 0.02);
    EXPECT_NEAR(box.max_y - box.min_y, 0.729 * 20 * kMmPerPoint, 0.02);
    EXPECT_NEAR(box.min_x, (30 + 0.098 * 20) * kMmPerPoint, 0.02);
    EXPECT_NEAR(box.max_x, (30 + 0.7 * 20 + 0.654 * 20) * kMmPerPoint, 0.05);
    bool told = false;
    for (const std::string& n : d.notes()) told |= n.find("outlines") != std::string::npos;
    EXPECT_TRUE(told);
    EXPECT_EQ(d.unsupported().count("GLYPH"), 0u);

    // An O keeps its hole: its contours wind against each other.
    char o[16];
    std::snprintf(o, sizeof o, "<%04X>", glyph_of(font, U'O'));
    const FlatDrawing ring =
        drawing(std::string("BT /G0 20 Tf 30 40 Td ") + o + " Tj ET", embedded_font(font, false))
            .flatten(0.01);
    ASSERT_EQ(ring.fills.size(), 1u);
    EXPECT_EQ(ring.fills[0].rings.size(), 2u);

    // Turned a quarter, the two glyphs stand one above the other.
    const Box turned =
        drawing("BT /G0 20 Tf 0 1 -1 0 100 10 Tm " + hh() + " Tj ET", embedded_font(font, false))
            .extents();
    EXPECT_NEAR(turned.max_x, 100 * kMmPerPoint, 0.02);  // the baseline
    EXPECT_GT(turned.max_y - turned.min_y, turned.max_x - turned.min_x);
}

TEST_F(PdfGlyphs, RenderModesPaintTheOutlineAsTheyPaintText) {
    const auto x = embedded_font(font, false);
    const FlatDrawing stroked =
        drawing("BT 1 Tr /G0 20 Tf 30 40 Td " + hh() + " Tj ET", x).flatten(0.01);
    EXPECT_TRUE(stroked.fills.empty());
    EXPECT_GE(stroked.paths.size(), 2u);  // the outlines, as lines
    const FlatDrawing both =
        drawing("BT 2 Tr /G0 20 Tf 30 40 Td " + hh() + " Tj ET", x).flatten(0.01);
    EXPECT_EQ(both.fills.size(), 2u);
    EXPECT_FALSE(both.paths.empty());
    // Invisible (a scan's words), and clip only: nothing drawn.
    for (const char* mode : {"3", "7"}) {
        const FlatDrawing none =
            drawing(std::string("BT ") + mode + " Tr /G0 20 Tf 30 40 Td " + hh() + " Tj ET", x)
                .flatten(0.01);
        EXPECT_TRUE(none.fills.empty() && none.paths.empty()) << mode;
    }
}

TEST_F(PdfGlyphs, WithAToUnicodeMapTheTextIsDrawnInTheStrokeFont) {
    const Drawing d =
        drawing("BT /G0 20 Tf 30 40 Td " + hh() + " Tj ET", embedded_font(font, true));
    const FlatDrawing f = d.flatten(0.01);
    EXPECT_TRUE(f.fills.empty());
    EXPECT_FALSE(f.paths.empty());
}

TEST_F(PdfGlyphs, Type3GlyphsAreDrawnAsTheirOwnDrawingUnlessTheirCharactersAreKnown) {
    // A glyph named g7 says no character: its square is drawn, 20 points a side.
    const Drawing square = drawing("BT /T3 20 Tf 30 40 Td (A) Tj ET", square_font("g7"));
    const FlatDrawing f = square.flatten(0.01);
    ASSERT_EQ(f.fills.size(), 1u);
    const Box box = square.extents();
    EXPECT_NEAR(box.min_x, 30 * kMmPerPoint, 1e-6);
    EXPECT_NEAR(box.min_y, 40 * kMmPerPoint, 1e-6);
    EXPECT_NEAR(box.max_x, 50 * kMmPerPoint, 1e-6);
    // Invisible, it is not drawn.
    EXPECT_TRUE(drawing("BT 3 Tr /T3 20 Tf 30 40 Td (A) Tj ET", square_font("g7"))
                    .flatten(0.01)
                    .fills.empty());
    // Named B, it is the letter B: in the stroke font.
    const FlatDrawing letter =
        drawing("BT /T3 20 Tf 30 40 Td (A) Tj ET", square_font("B")).flatten(0.01);
    EXPECT_TRUE(letter.fills.empty());
    EXPECT_FALSE(letter.paths.empty());
}

}  // namespace
}  // namespace tvk::host::test
