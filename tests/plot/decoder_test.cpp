// The stream decoder on streams written by hand: the examples of the
// languages, device-control sequences, and what it reports as problems.
#include <gtest/gtest.h>

#include "decoder/stream_decoder.h"

namespace tvk::decoder {
namespace {

TEST(Decoder, PeStreamWithOpeningAndClosing) {
    const Decoded d =
        decode("BPSP1WU0PWPRPUSP1PE7<s__i;SP2;PUPA-10,-5;WU0PW;LT;SP;PGRP2;", Language::kTkGl3);
    EXPECT_TRUE(d.problems.empty());
    ASSERT_EQ(d.segments.size(), 3u);
    EXPECT_EQ(d.segments[0].to, (Point{10, 0}));
    EXPECT_FALSE(d.segments[0].pen_down);
    EXPECT_EQ(d.segments[1].from, (Point{10, 0}));
    EXPECT_EQ(d.segments[1].to, (Point{10, 5}));
    EXPECT_TRUE(d.segments[1].pen_down);
    EXPECT_EQ(d.segments[1].style.pen, 1);
    EXPECT_EQ(d.segments[2].to, (Point{-10, -5})) << "PA is absolute";
    EXPECT_EQ(d.end_position, (Point{-10, -5}));
    EXPECT_EQ(d.replots, 2);
    EXPECT_EQ(d.other_commands, (std::vector<std::string>{"BP", "WU0", "PW", "WU0", "PW", "PG"}));
}

TEST(Decoder, EightBitPeAndPenFlag) {
    // ":" and 2 (pen 1), then "<" and (0, 0), then (32, 1000).
    const Decoded d = decode("PE:\xc1<\xbf\xbf\x3f\xc0\x4f\xde;", Language::kTkGl2);
    EXPECT_TRUE(d.problems.empty());
    ASSERT_EQ(d.segments.size(), 2u);
    EXPECT_EQ(d.segments[1].to, (Point{32, 1000}));
    EXPECT_EQ(d.segments[1].style.pen, 1);
}

TEST(Decoder, PolygonModeCollectsTheOutline) {
    const Decoded d = decode("PRSP2PU0,0PM0PD100,0,-100,100,0,-100PM2FPEPSP1", Language::kTkGl3);
    ASSERT_EQ(d.polygons.size(), 1u);
    EXPECT_EQ(d.polygons[0].vertices, (std::vector<Point>{{0, 0}, {100, 0}, {0, 100}, {0, 0}}));
    EXPECT_TRUE(d.polygons[0].filled && d.polygons[0].edged);
    EXPECT_EQ(d.polygons[0].style.pen, 2);
    EXPECT_TRUE(drawn_segments(d).empty()) << "the outline is not a drawn vector";
    const auto lines = drawn_polylines(d);
    ASSERT_EQ(lines.size(), 1u) << "but its edge is drawn";
    EXPECT_EQ(lines[0].points.size(), 4u);
}

TEST(Decoder, VtxGlListsAndHome) {
    const Decoded d = decode("M0,0J2L-3B320I4,4,1,0R4,-4H", Language::kVtxGl);
    EXPECT_TRUE(d.problems.empty());
    const auto lines = drawn_polylines(d);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points, (std::vector<Point>{{0, 0}, {4, 4}, {5, 4}}));
    EXPECT_EQ(lines[0].style.pen, 2);
    EXPECT_EQ(lines[0].style.line_type, 3);
    EXPECT_EQ(lines[0].style.pattern_length, 320);
    EXPECT_EQ(d.end_position, (Point{0, 0}));
}

TEST(Decoder, DeviceControlAndPlotSize) {
    const Decoded d =
        decode("\x1b.(\x1b.M50;0;0;13;26;0:\x1b.@;1:INPS16794,11836;PA5,5PD6,6", Language::kTkGl2);
    EXPECT_TRUE(d.problems.empty());
    EXPECT_EQ(d.other_commands[1], "\x1b.M50;0;0;13;26;0:");
    ASSERT_TRUE(d.plot_size);
    EXPECT_EQ(*d.plot_size, (Point{16794, 11836}));
    EXPECT_EQ(drawn_segments(d).size(), 1u);
}

// Raster plotters take HP-GL/2 between PCL escapes; the escapes end where
// PCL says, so the drawing between them is still read.
TEST(Decoder, PclEscapesAroundHpgl2) {
    const Decoded d = decode(
        "\x1b"
        "E\x1b%0BBP;PA5,5PD6,6;PG;\x1b%0A\x1b&l1O\x1b"
        "E",
        Language::kTkGl3);
    EXPECT_TRUE(d.problems.empty());
    EXPECT_EQ(d.other_commands.front(),
              "\x1b"
              "E");
    EXPECT_EQ(d.other_commands[1], "\x1b%0B");
    EXPECT_EQ(drawn_segments(d).size(), 1u);
    EXPECT_EQ(d.other_commands.back(),
              "\x1b"
              "E");
}

TEST(Decoder, ReportsWhatItCannotRead) {
    EXPECT_FALSE(decode("PD1,", Language::kTkGl1).problems.empty()) << "odd coordinate count";
    EXPECT_FALSE(decode("PD1.2.3,4", Language::kTkGl1).problems.empty());
    EXPECT_FALSE(decode("PE7s;", Language::kTkGl3).problems.empty()) << "x without y";
    EXPECT_FALSE(decode("PE7\x01;", Language::kTkGl3).problems.empty());
    EXPECT_FALSE(decode("\x01", Language::kVtxGl).problems.empty());
    const Decoded huge = decode(
        "SP99999999999999999999LT-99999999999PA1,1PD99999999999999999999999,0", Language::kTkGl1);
    EXPECT_EQ(huge.segments.size(), 2u) << "absurd numbers are held, not trusted";
    EXPECT_EQ(language_from_name("TK-GL2"), Language::kTkGl2);
    EXPECT_FALSE(language_from_name("PE-CMD"));
}

// A label's text is never commands, whatever it says, up to the terminator
// of the moment; DT changes it and IN brings ETX back.
TEST(Decoder, PassesOverLabelTextToItsTerminator) {
    const Decoded d = decode(
        "IN;PA0,0;LBPD100,0;PA9,9\x03;PD10,0;DT*;LBPD5,5\x03*PD20,0;BLSP2PD*;INLBPR5,5\x03;PU;",
        Language::kTkGl3);
    const auto drawn = drawn_segments(d);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].to, (Point{10, 0}));
    EXPECT_EQ(drawn[1].to, (Point{20, 0}));
    EXPECT_EQ(drawn[1].style.pen, 0) << "the SP in the buffered label selects nothing";
    EXPECT_EQ(d.labels, 3u);
    EXPECT_TRUE(d.problems.empty());
    // A label that never ends takes the rest of the stream.
    EXPECT_TRUE(drawn_segments(decode("PD;LBPA5,5;PD9,9", Language::kTkGl3)).empty());
}

// Numbers beyond what the language carries are reported where they stand and
// held at the limit; no run of relative steps carries the position past what
// a picture can show, whichever path (PR, PD in relative mode, PE, polygon
// outlines, VTX-GL) takes it there.
TEST(Decoder, HoldsNumbersAndPositionsWithinTheLanguage) {
    constexpr int64_t kLimit = 1073741823;
    const struct {
        const char* stream;
        Language language;
        std::size_t first_offset;
        Point end;
    } cases[] = {
        {"PR9000000000000000000,0,9000000000000000000,0;", Language::kTkGl1, 2, {2 * kLimit, 0}},
        {"PRPD99999999999999999999,-99999999999999999999", Language::kTkGl1, 4, {kLimit, -kLimit}},
        // Two 8-bit PE numbers of 9 digits each: 64^9 / 2, far beyond 2^30.
        {"PE\x7e\x7e\x7e\x7e\x7e\x7e\x7e\x7e\xfe\x7e\x7e\x7e\x7e\x7e\x7e\x7e\x7e\xfe;",
         Language::kTkGl2,
         2,
         {-kLimit, -kLimit}},
        {"PRPM0PD9000000000000000000,0PM2", Language::kTkGl3, 7, {kLimit, 0}},
        {"I9000000000000000000,0,9000000000000000000,0", Language::kVtxGl, 1, {2 * kLimit, 0}},
    };
    for (const auto& c : cases) {
        const Decoded d = decode(c.stream, c.language);
        ASSERT_FALSE(d.problems.empty()) << c.stream;
        EXPECT_EQ(d.problems.front().offset, c.first_offset) << c.stream;
        EXPECT_NE(d.problems.front().what.find("beyond the range"), std::string::npos)
            << d.problems.front().what;
        EXPECT_EQ(d.end_position, c.end) << c.stream;
    }
    // Many steps at the limit still add up exactly: the position is only held
    // where a picture could no longer show it.
    std::string many = "PRPD";
    for (int i = 0; i < 1000; ++i) many += "1073741823,0,";
    EXPECT_EQ(decode(many + "0,0", Language::kTkGl1).end_position, (Point{1000 * kLimit, 0}));
}

// What is not understood is reported up to a limit, so that a large file
// that is no plot (a DXF, an image) cannot fill the memory with reports.
TEST(Decoder, StopsReadingAfterTooManyPartsNotUnderstood) {
    const Decoded d = decode(std::string(300000, '0'), Language::kTkGl1);
    ASSERT_EQ(d.problems.size(), 100001u);
    EXPECT_EQ(d.problems.back().offset, 100000u);
    EXPECT_NE(d.problems.back().what.find("more than 100000 parts not understood"),
              std::string::npos);
}

TEST(Decoder, NamesTheLanguages) {
    EXPECT_FALSE(language_from_name("PE-CMD"));
}

}  // namespace
}  // namespace tvk::decoder
