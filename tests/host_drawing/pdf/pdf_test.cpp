// PDF drawings read into the drawing model: strokes with their widths,
// curves, fills and their rules, clip paths, pages, text in the stroke font
// where the PDF gives its characters, and what is not drawn (images, white
// paint, invisible text); damaged and encrypted files refused by name.
#include <gtest/gtest.h>

#include <cmath>

#include "host/drawing/model/drawing.h"
#include "host/drawing/pdf/pdf_reader.h"
#include "pdf_maker.h"

namespace tvk::host::test {
namespace {

constexpr double kMmPerPoint = 25.4 / 72;
using pdf_test::pdf_of;

FlatDrawing flat(const std::string& content, int page = 1) {
    return Drawing::from_pdf(pdf_of({content}), "t.pdf", page).flatten(0.001);
}

void expect_near(Vec2 p, double x_pt, double y_pt) {
    EXPECT_NEAR(p.x, x_pt * kMmPerPoint, 1e-6);
    EXPECT_NEAR(p.y, y_pt * kMmPerPoint, 1e-6);
}

TEST(PdfDrawings, StrokesAreInMillimetresFromTheLowerLeftCornerWithTheirWidthsAndColours) {
    const FlatDrawing f =
        flat("1 0 0 RG 2 w 10 20 m 110 20 l 110 70 l S 0 0 1 RG 0 w 5 5 m 6 6 l S");
    ASSERT_EQ(f.paths.size(), 2u);
    ASSERT_EQ(f.paths[0].points.size(), 3u);
    expect_near(f.paths[0].points[0], 10, 20);
    expect_near(f.paths[0].points[2], 110, 70);
    EXPECT_NEAR(f.paths[0].width, 2 * kMmPerPoint, 1e-9);
    EXPECT_EQ(f.paths[0].true_color, 0xFF0000);
    EXPECT_EQ(f.paths[1].true_color, 0x0000FF);
    EXPECT_NE(f.paths[0].color, f.paths[1].color);  // a pen each
    EXPECT_EQ(f.paths[1].width, 0);                 // the thinnest line: the pen's own
}

TEST(PdfDrawings, TheCtmAndClosedSubpathsAndCurvesApply) {
    // Scaled by 2 and moved; a closed triangle; a quarter circle as a Bezier.
    const FlatDrawing f = flat(
        "q 2 0 0 2 10 10 cm 0 0 m 10 0 l 10 10 l h S Q "
        "50 0 m 50 27.6 27.6 50 0 50 c S");
    ASSERT_EQ(f.paths.size(), 2u);
    expect_near(f.paths[0].points.front(), 10, 10);
    expect_near(f.paths[0].points[1], 30, 10);
    expect_near(f.paths[0].points.back(), 10, 10);  // closed where it began
    for (const Vec2 p : f.paths[1].points) {
        EXPECT_NEAR(std::hypot(p.x, p.y), 50 * kMmPerPoint, 0.01);
    }
    EXPECT_GT(f.paths[1].points.size(), 8u);
}

TEST(PdfDrawings, FillsKeepTheirRuleAndWhitePaintsNothing) {
    const FlatDrawing f = flat(
        "0 1 0 rg 10 10 m 90 10 l 90 90 l 10 90 l h 30 30 m 70 30 l 70 70 l "
        "30 70 l h f* 1 1 1 rg 0 0 200 100 re f 1 G 0 0 m 50 50 l S");
    ASSERT_EQ(f.fills.size(), 1u);
    EXPECT_EQ(f.fills[0].rings.size(), 2u);  // the hole stays a hole
    EXPECT_EQ(f.fills[0].true_color, 0x00FF00);
    EXPECT_TRUE(f.paths.empty());
}

TEST(PdfDrawings, StrokesAreCutToTheClipPathUntilTheStateIsRestored) {
    const FlatDrawing f = flat("q 0 0 50 100 re W n 0 50 m 100 50 l S Q 0 60 m 100 60 l S");
    ASSERT_EQ(f.paths.size(), 2u);
    double longest = 0;
    for (const Path& p : f.paths)
        longest = std::max(longest, p.points.back().x - p.points.front().x);
    EXPECT_NEAR(std::abs(f.paths[0].points.back().x - f.paths[0].points.front().x),
                50 * kMmPerPoint, 1e-3);
    EXPECT_NEAR(longest, 100 * kMmPerPoint, 1e-3);
}

TEST(PdfDrawings, TextIsDrawnInTheStrokeFontAtItsPlaceAndSize) {
    const Drawing d = Drawing::from_pdf(pdf_of({"BT /F1 20 Tf 30 40 Td (Hi) Tj ET"}), "t.pdf", 1);
    const Box box = d.extents();
    EXPECT_NEAR(box.min_x, 30 * kMmPerPoint, 1.5);
    EXPECT_NEAR(box.min_y, 40 * kMmPerPoint, 1);
    EXPECT_NEAR(box.max_y - box.min_y, 20 * 0.7 * kMmPerPoint, 1.5);  // capitals' height
    EXPECT_FALSE(d.notes().empty());
    // Turned text stays turned: a 90-degree text matrix draws upwards.
    const Box turned =
        Drawing::from_pdf(pdf_of({"BT /F1 20 Tf 0 1 -1 0 100 10 Tm (HIHIHI) Tj ET"}), "t.pdf", 1)
            .extents();
    EXPECT_GT(turned.max_y - turned.min_y, turned.max_x - turned.min_x);
    // Invisible text (the words over a scanned page) is not drawn.
    EXPECT_TRUE(flat("BT 3 Tr /F1 20 Tf 30 40 Td (Hidden) Tj ET").paths.empty());
}

TEST(PdfDrawings, ImagesAreCountedAsNotDrawn) {
    const Drawing d =
        Drawing::from_pdf(pdf_of({"q 50 0 0 50 10 10 cm /Im1 Do Q 0 0 m 10 10 l S"}), "t.pdf", 1);
    EXPECT_EQ(d.unsupported().at("IMAGE"), 1);
}

TEST(PdfDrawings, EachPageIsReadByItself) {
    const std::string pdf = pdf_of({"0 0 m 10 0 l S", "0 0 m 0 10 l S 5 5 m 6 6 l S"});
    EXPECT_EQ(pdf_page_count(pdf, "t.pdf"), 2);
    EXPECT_EQ(Drawing::from_pdf(pdf, "t.pdf", 1).flatten(0.01).paths.size(), 1u);
    EXPECT_EQ(Drawing::from_pdf(pdf, "t.pdf", 2).flatten(0.01).paths.size(), 2u);
    try {
        Drawing::from_pdf(pdf, "t.pdf", 3);
        FAIL();
    } catch (const DrawingError& e) {
        EXPECT_STREQ(e.what(), "t.pdf: no page 3; the PDF has 2 pages");
    }
}

TEST(PdfDrawings, DamagedFilesAreRefusedByName) {
    for (const std::string& bytes : {std::string("%PDF-1.4\ngarbage"), std::string("%PDF-")}) {
        try {
            Drawing::from_pdf(bytes, "bad.pdf", 1);
            FAIL();
        } catch (const DrawingError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("bad.pdf: ", 0), 0u) << e.what();
        }
    }
}

TEST(PdfDrawings, TheFrontDoorKnowsAPdfByItsContent) {
    EXPECT_EQ(drawing_kind("%PDF-1.7\n", "drawing.dxf"), DrawingKind::kPdf);
    EXPECT_EQ(drawing_kind("IN;PD;", "drawing.pdf"), DrawingKind::kPlot);
}

}  // namespace
}  // namespace tvk::host::test
