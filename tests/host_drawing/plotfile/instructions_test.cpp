// Each drawing instruction of HP-GL and HP-GL/2 on small files, against the
// segments its definition gives, computed here; one plotter unit a millimetre.
#include <cmath>
#include <functional>
#include <numbers>

#include "tests/host_drawing/plotfile/plot_file_test.h"

namespace tvk::host::test {
namespace {

constexpr double kPi = std::numbers::pi;

// The points of an arc about c from angle a0 (degrees) through `sweep` in
// chords of `chord` degrees, the last one shorter: the definition of CI, AA,
// AR and WG.
std::vector<Vec2> arc(Vec2 c, double r, double a0, double sweep, double chord) {
    std::vector<Vec2> out;
    const int whole = static_cast<int>(std::floor(std::abs(sweep) / chord + 1e-9));
    const double sign = sweep < 0 ? -1 : 1;
    for (int k = 0; k <= whole; ++k) {
        const double a = (a0 + sign * k * chord) * kPi / 180;
        out.push_back(c + r * Vec2{std::cos(a), std::sin(a)});
    }
    if (std::abs(sweep) - whole * chord > 1e-9) {
        const double a = (a0 + sweep) * kPi / 180;
        out.push_back(c + r * Vec2{std::cos(a), std::sin(a)});
    }
    return out;
}

std::vector<DrawnSegment> dot(Vec2 p) {
    return {{p, p}};
}

std::vector<DrawnSegment> operator+(std::vector<DrawnSegment> a,
                                    const std::vector<DrawnSegment>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A number of PE in the 8-bit form: sign in the lowest bit, base-64 digits
// from the lowest, the last one marked.
std::string pe_number(long v) {
    unsigned long n = static_cast<unsigned long>(std::labs(v)) * 2 + (v < 0 ? 1 : 0);
    std::string out;
    while (n >= 64) {
        out += static_cast<char>(63 + n % 64);
        n /= 64;
    }
    return out + static_cast<char>(191 + n);
}

// The same in the 7-bit form: base-32 digits from "?", the last from "_".
std::string pe7_number(long v) {
    unsigned long n = static_cast<unsigned long>(std::labs(v)) * 2 + (v < 0 ? 1 : 0);
    std::string out;
    while (n >= 32) {
        out += static_cast<char>(63 + n % 32);
        n /= 32;
    }
    return out + static_cast<char>(95 + n);
}

struct Case {
    const char* name;
    std::string plot;
    std::function<std::vector<DrawnSegment>()> expected;
};

TEST(PlotFileInstructions, EachDrawsWhatItsDefinitionGives) {
    const std::vector<Case> cases = {
        {"PA PD with several points", "IN;SP1;PU0,0;PD10,0,10,10,0,10;",
         [] {
             return chain({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
         }},
        {"PR relative, PU in relative mode", "IN;SP1;PA5,5;PR;PD10,0,0,10;PU5,0;PD0,-3;",
         [] {
             return chain({{5, 5}, {15, 5}, {15, 15}}) + chain({{20, 15}, {20, 12}});
         }},
        {"blanks and no separators between numbers", "in sp1 pu 0 0 pd 3 4 -3-4;",
         [] {
             return chain({{0, 0}, {3, 4}, {-3, -4}});
         }},
        {"a dot: PD without a move", "IN;SP1;PU3,4;PD;PU;",
         [] {
             return dot({3, 4});
         }},
        {"a dot: PD at the point it is at", "IN;SP1;PA3,4;PD3,4;PU;PD;PU7,7;",
         [] {
             return dot({3, 4}) + dot({3, 4});
         }},
        {"PD then a move is a line, no dot", "IN;SP1;PU1,1;PD;PA2,1;PU;",
         [] {
             return chain({{1, 1}, {2, 1}});
         }},
        {"PE relative and absolute, pen up flag",
         "IN;SP1;PE" + pe_number(10) + pe_number(0) + pe_number(0) + pe_number(-5) +
             "<=" + pe_number(100) + pe_number(100) + pe_number(3) + pe_number(4) + ";",
         [] {
             return chain({{0, 0}, {10, 0}, {10, -5}}) + chain({{100, 100}, {103, 104}});
         }},
        {"PE fractional bits", "IN;SP1;PE>" + pe_number(1) + pe_number(3) + pe_number(5) + ";",
         [] {
             return chain({{0, 0}, {1.5, 2.5}});
         }},
        {"PE 7-bit, a pen chosen in it, fractional, absolute after a pen-up move",
         "IN;SP1;PE7" + pe7_number(1000) + pe7_number(0) + ":" + pe7_number(0) + pe7_number(50) +
             pe7_number(50) + ":" + pe7_number(2) + ">" + pe7_number(1) + "<=" + pe7_number(-7) +
             pe7_number(9) + pe7_number(3) + pe7_number(-1) + ";",
         [] {
             // Pen 0 draws nothing; the halves follow the fractional bit.
             return chain({{0, 0}, {1000, 0}}) + chain({{-3.5, 4.5}, {-2, 4}});
         }},
        {"PE with blanks between its numbers, then PA goes on absolute",
         "IN;SP1;PA10,10;PE" + pe_number(5) + "\r\n" + pe_number(0) + ";PD20,10;",
         [] {
             return chain({{10, 10}, {15, 10}, {20, 10}});
         }},
        {"CI at 5 degrees", "IN;SP1;PA100,100;CI10;",
         [] {
             return chain(arc({100, 100}, 10, 0, 360, 5));
         }},
        {"CI with its chord angle, negative radius", "IN;SP1;PA0,0;CI-10,45;",
         [] {
             return chain(arc({0, 0}, 10, 180, 360, 45));
         }},
        {"AA with pen down, a short last chord", "IN;SP1;PA10,0;PD;AA0,0,100,30;",
         [] {
             return chain(arc({0, 0}, 10, 0, 100, 30));
         }},
        {"AR clockwise, then the pen goes on from its end",
         "IN;SP1;PA10,0;PD;AR-10,0,-90,45;PR0,5;",
         [] {
             return chain(arc({0, 0}, 10, 0, -90, 45)) + chain({{0, -10}, {0, -5}});
         }},
        {"AA with the pen up draws nothing", "IN;SP1;PA10,0;AA0,0,90;PD;PU;",
         [] {
             return dot({0, 10});
         }},
        {"AT through a point, ending exactly there", "IN;SP1;PA10,0;PD;AT0,10,-10,0,45;",
         [] {
             return chain(arc({0, 0}, 10, 0, 180, 45));
         }},
        {"RT relative, clockwise", "IN;SP1;PA-10,0;PD;RT10,10,20,0,90;",
         [] {
             return chain(arc({0, 0}, 10, 180, -180, 90));
         }},
        {"CT1: chord tolerance as a deviation", "IN;SP1;CT1;PA0,0;CI100,30;",
         [] {
             // The chord angle whose chords stand 30 units off the arc at most.
             const double chord = 2 * std::acos(1 - 30.0 / 100) * 180 / kPi;
             return chain(arc({0, 0}, 100, 0, 360, chord));
         }},
        {"EA and ER edge a rectangle, the pen stays", "IN;SP1;PA1,1;EA4,3;ER-1,-1;",
         [] {
             return chain({{1, 1}, {4, 1}, {4, 3}, {1, 3}, {1, 1}}) +
                    chain({{1, 1}, {0, 1}, {0, 0}, {1, 0}, {1, 1}});
         }},
        {"EW edges a wedge", "IN;SP1;PA0,0;EW10,0,90,45;",
         [] {
             std::vector<Vec2> ring = {{0, 0}};
             for (Vec2 p : arc({0, 0}, 10, 0, 90, 45)) ring.push_back(p);
             ring.push_back({0, 0});
             return chain(ring);
         }},
        {"FT3 hatches a rectangle", "IN;SP1;FT3,2,0;PA0,0;RA10,9;",
         [] {
             std::vector<DrawnSegment> out;
             for (double y = 0; y < 9; y += 2) out.push_back({{0, y}, {10, y}});
             return out;
         }},
        {"FT4 cross-hatches at 45 degrees", "IN;SP1;FT4,10,45;PA0,0;RR1,1;",
         [] {
             // Spacing 10 against a 1 by 1 square: the lines through the origin.
             return std::vector<DrawnSegment>{{{0, 0}, {1, 1}}};
         }},
        {"PM edges what was drawn with the pen down", "IN;SP1;PA0,0;PM0;PD10,0,10,10;PM2;EP;",
         [] {
             return chain({{0, 0}, {10, 0}, {10, 10}, {0, 0}});
         }},
        {"XT and YT ticks", "IN;SP1;IP0,0,1000,1000;TL1,2;PA50,50;XT;YT;",
         [] {
             return chain({{50, 60}, {50, 30}}) + chain({{60, 50}, {30, 50}});
         }},
        {"SC anisotropic", "IN;SP1;IP0,0,100,200;SC0,10,0,10;PA1,1;PD2,1;",
         [] {
             return chain({{10, 20}, {20, 20}});
         }},
        {"SC isotropic, centred", "IN;SP1;IP0,0,200,100;SC0,10,0,10,1;PA0,0;PD10,10;",
         [] {
             return chain({{50, 0}, {150, 100}});
         }},
        {"SC isotropic, left", "IN;SP1;IP0,0,200,100;SC0,10,0,10,1,0,0;PA0,0;PD10,10;",
         [] {
             return chain({{0, 0}, {100, 100}});
         }},
        {"SC point factor", "IN;SP1;IP7,7;SC5,2,5,3,2;PA5,5;PD6,6;",
         [] {
             return chain({{7, 7}, {9, 10}});
         }},
        {"IR in percent of the default area, SC follows",
         "IN;SP1;PS200,100;IR0,0,50,50;SC0,1,0,1;PA0,0;PD1,1;",
         [] {
             return chain({{0, 0}, {100, 50}});
         }},
        {"a circle in scaled units is an ellipse", "IN;SP1;IP0,0,20,10;SC0,1,0,1;PA0,0;CI1,90;",
         [] {
             return chain({{20, 0}, {0, 10}, {-20, 0}, {0, -10}, {20, 0}});
         }},
        {"SC isotropic, right and top", "IN;SP1;IP0,0,200,100;SC0,10,0,10,1,100,100;PA0,0;PD10,10;",
         [] {
             return chain({{100, 0}, {200, 100}});
         }},
        {"SC point factor with IP moved after it", "IN;SP1;SC0,2,0,3,2;IP10,10;PA1,1;PD2,2;",
         [] {
             return chain({{12, 13}, {14, 16}});
         }},
        {"IR with one point keeps the span",
         "IN;SP1;PS200,100;IP0,0,20,10;IR50,50;SC0,1,0,1;PA0,0;PD1,1;",
         [] {
             return chain({{100, 50}, {120, 60}});
         }},
        {"FT3 spacing in user units, along x",
         "IN;SP1;IP0,0,100,100;SC0,10,0,10;FT3,2,0;PA0,0;RA10,5;",
         [] {
             std::vector<DrawnSegment> out;
             for (double y = 0; y < 50; y += 20) out.push_back({{0, y}, {100, y}});
             return out;
         }},
        {"PM with a circle as a subpolygon", "IN;SP1;PA0,0;PM0;CI10,90;PM2;EP;",
         [] {
             return chain(arc({0, 0}, 10, 0, 360, 90));
         }},
        {"CT1: AA's chord as a deviation", "IN;SP1;CT1;PA100,0;PD;AA0,0,90,30;",
         [] {
             const double chord = 2 * std::acos(1 - 30.0 / 100) * 180 / kPi;
             return chain(arc({0, 0}, 100, 0, 90, chord));
         }},
        {"IW clips lines and dots", "IN;SP1;IW0,0,10,10;PA-5,5;PD15,5;PU20,20;PD;PU;PA5,5;PD;PU;",
         [] {
             return chain({{0, 5}, {10, 5}}) + dot({5, 5});
         }},
        {"RO 90 turns the page", "IN;SP1;RO90;PA0,0;PD10,0;",
         [] {
             return chain({{0, 0}, {0, 10}});
         }},
        {"HP-GL/2 RO 90: the origin at the turned page's corner, the pen where it was",
         "\x1b%0BIN;PS400,200;SP1;PA100,50;RO90;PD;PR10,0;PA;PU0,0;PD0,10;",
         [] {
             // (x, y) turned lies at (400 - y, x) on the page.
             return chain({{100, 50}, {100, 60}}) + chain({{400, 0}, {390, 0}});
         }},
        {"HP-GL/2 PS after RO 90 moves the turned page's corner",
         "\x1b%0BIN;RO90;PS400,200;SP1;PA0,0;PD0,10;",
         [] {
             return chain({{400, 0}, {390, 0}});
         }},
        {"SP0 puts the pen away", "IN;SP0;PA0,0;PD10,0;SP1;PD10,10;",
         [] {
             return chain({{10, 0}, {10, 10}});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Read r;
        read_into(r, c.plot);
        expect_segments(r.segments, c.expected(), 1e-6);
    }
}

// The window cuts labels' strokes and fills at its edges, as it cuts lines.
TEST(PlotFileInstructions, TheWindowClipsLabelsAndFills) {
    Read whole, cut;
    read_into(whole, "IN;SP1;SI1,1;PA0,0;LBHELLO\x03;");
    read_into(cut, "IN;SP1;SI1,1;IW0,-100,20,100;PA0,0;LBHELLO\x03;");
    ASSERT_FALSE(cut.segments.empty());
    EXPECT_GT(bounds(whole.segments).max_x, 40);
    EXPECT_NEAR(bounds(cut.segments).max_x, 20, 1e-9);  // the bars of the E
    EXPECT_LT(cut.segments.size(), whole.segments.size());
    Read fill;
    read_into(fill, "IN;SP1;IW0,0,10,10;PA-5,-5;RA5,20;");
    ASSERT_EQ(fill.fills.size(), 1u);
    Box b;
    for (const Vec2 p : fill.fills[0]) b.add(p);
    EXPECT_EQ(b.min_x, 0);
    EXPECT_EQ(b.min_y, 0);
    EXPECT_EQ(b.max_x, 5);
    EXPECT_EQ(b.max_y, 10);
}

TEST(PlotFileInstructions, BezierCurvesFollowTheirCurveFromEndToEnd) {
    for (const char* plot :
         {"IN;SP1;PA0,0;PD;BZ0,10,10,10,10,0;", "IN;SP1;PA0,0;PD;BR0,10,10,10,10,0;"}) {
        Read r;
        read_into(r, plot);
        ASSERT_GE(r.segments.size(), 4u);
        EXPECT_EQ(r.segments.front().a, (Vec2{0, 0}));
        EXPECT_EQ(r.segments.back().b, (Vec2{10, 0}));
        const auto curve = [](double t) {
            const double u = 1 - t;
            return (3 * u * u * t) * Vec2{0, 10} + (3 * u * t * t) * Vec2{10, 10} +
                   (t * t * t) * Vec2{10, 0};
        };
        for (const DrawnSegment& s : r.segments) {
            double nearest = 1e300;
            for (int i = 0; i <= 10000; ++i)
                nearest = std::min(nearest, length(s.b - curve(i / 1e4)));
            EXPECT_LT(nearest, 0.01);
            // Chords stay within a quarter unit of the curve.
            const Vec2 mid = 0.5 * (s.a + s.b);
            double off = 1e300;
            for (int i = 0; i <= 10000; ++i) off = std::min(off, length(mid - curve(i / 1e4)));
            EXPECT_LT(off, 0.26);
        }
    }
}

TEST(PlotFileInstructions, FillsAreFilledShapes) {
    Read r;
    read_into(
        r, "IN;SP2;PA0,0;RA4,3;PA10,0;WG5,0,360,90;PM0;PD20,0,20,5;PM1;PU30,0;PD31,0,31,1;PM2;FP;");
    ASSERT_EQ(r.fills.size(), 4u);
    const std::vector<Vec2> rect = {{0, 0}, {4, 0}, {4, 3}, {0, 3}, {0, 0}};
    expect_segments(chain(r.fills[0]), chain(rect));
    expect_segments(chain(r.fills[1]), chain(arc({10, 0}, 5, 0, 360, 90)));
    expect_segments(chain(r.fills[2]), chain({{10, 0}, {20, 0}, {20, 5}, {10, 0}}));
    expect_segments(chain(r.fills[3]), chain({{30, 0}, {31, 0}, {31, 1}, {30, 0}}));
    EXPECT_TRUE(r.segments.empty());
}

// FP1 fills by the nonzero rule: a square wound twice the same way inside
// another is filled, where FP (even-odd) leaves a hole; hatching follows.
TEST(PlotFileInstructions, FpFillsByTheRuleItNames) {
    const std::string squares =
        "IN;SP1;PA0,0;PM0;PD10,0,10,10,0,10,0,0;PM1;PU2,2;PD8,2,8,8,2,8,2,2;PM2;";
    for (const char* rule : {"FP;", "FP1;"}) {
        SCOPED_TRACE(rule);
        Read solid;
        read_into(solid, squares + rule);
        ASSERT_EQ(solid.impl.entities.size(), 1u);
        EXPECT_EQ(std::get<Shape>(solid.impl.entities[0].what).nonzero, rule[2] == '1');
        // Hatched a unit apart: along y = 5 one stroke across, or two beside the hole.
        Read hatched;
        read_into(hatched, squares + "FT3,1,0;" + rule);
        std::vector<DrawnSegment> middle;
        for (const DrawnSegment& s : hatched.segments)
            if (s.a.y == 5 && s.b.y == 5) middle.push_back(s);
        ASSERT_EQ(middle.size(), rule[2] == '1' ? 1u : 2u);
        EXPECT_NEAR(std::min(middle.front().a.x, middle.front().b.x), 0, 1e-9);
        EXPECT_NEAR(std::max(middle.back().a.x, middle.back().b.x), 10, 1e-9);
    }
}

TEST(PlotFileInstructions, PensColoursLineTypesAndWidthsGoWithTheStrokes) {
    Read r;
    read_into(r,
              "IN;SP3;PA0,0;PD1,0;LT2,4;PD2,0;LT;PC3,255,0,128;PW0.5;PD3,0;SP300;PD4,0;LT0;"
              "PD5,0;");
    ASSERT_EQ(r.stroked.size(), 5u);
    EXPECT_EQ(r.stroked[0]->color, 3);
    EXPECT_EQ(r.stroked[0]->linetype, "CONTINUOUS");
    // The file's pattern goes with the line, in millimetres: the plot sends
    // the target's own pattern where it has one like it, else cuts it.
    const std::string dashes = r.stroked[1]->linetype;
    ASSERT_EQ(r.impl.dash_patterns.count(dashes), 1u) << dashes;
    EXPECT_EQ(r.impl.dash_patterns.at(dashes).lengths.size(), 2u);
    EXPECT_NEAR(r.impl.dash_patterns.at(dashes).period(), 0.04 * std::hypot(250, 180), 1e-9);
    EXPECT_EQ(r.stroked[2]->true_color, 0xFF0080);
    EXPECT_EQ(std::get<Shape>(r.stroked[2]->what).width, 0.5);
    EXPECT_EQ(r.stroked[3]->color, 300 - 255);
    // LT0: a dot where the vector ends.
    EXPECT_EQ(r.segments[4].a, (Vec2{5, 0}));
    EXPECT_EQ(r.segments[4].b, (Vec2{5, 0}));
}

// What the target plotter decides for itself is said, not silently dropped.
TEST(PlotFileInstructions, PenSpeedsAndLineAttributesAreReported) {
    Read r;
    read_into(r, "IN;VS10;VS30;VS5,2;SP1;PA0,0;PD1,0;LA1,2,2,1;");
    ASSERT_EQ(r.notes.size(), 3u);
    EXPECT_EQ(
        r.notes[1],
        "The file asks for pen speeds (VS: every pen 30 cm/s, pen 2 5 cm/s); on a plotter whose "
        "pens have speeds, a pen it slows below the profile's speed is drawn at the file's "
        "(--speed PEN=CM_S sets another).");
    EXPECT_EQ(r.impl.pen_speeds, (std::map<int, double>{{0, 30}, {2, 5}}));
    EXPECT_EQ(r.notes[2],
              "The file sets line ends and joins (LA); the target plotter draws its own.");
}

TEST(PlotFileInstructions, PagesAreDrawnOneAtATime) {
    const std::string plot = "IN;SP1;PA0,0;PD1,0;PG;PG;PU;SP2;PA5,5;PD6,5;FR;";
    Read first;
    read_into(first, plot);
    expect_segments(first.segments, chain({{0, 0}, {1, 0}}));
    ASSERT_EQ(first.notes.size(), 2u);
    EXPECT_EQ(first.notes[1], "The file has 2 pages; page 1 is plotted (--page N plots another).");
    Read second;
    read_into(second, plot, {25.4, "", 2});
    expect_segments(second.segments, chain({{5, 5}, {6, 5}}));
    Read none;
    EXPECT_THROW(read_into(none, plot, {25.4, "", 3}), DrawingError);
}

TEST(PlotFileInstructions, WhatDoesNotDrawIsTakenSilently) {
    const std::string plot =
        "\x1b%-12345X@PJL ENTER LANGUAGE=HPGL2\n\x1b%0BIN;BP1,\"job\";PS1000,1000;OI;OS;OE;"
        "\x1b.I81;;17:\x1b.N;19:DF;CO\"a comment; with LB\";NP8;VS10;SP1;PA0,0;PD1,0;"
        "UC99,4,4,-99;PU;UC;\x1b%0A\x1b*b4W\x01\x02\x03\x04\x1b%-12345X";
    const Drawing d = Drawing::from_plot(plot, "t.plt", 1016);
    EXPECT_TRUE(d.unsupported().empty());
}

TEST(PlotFileInstructions, NothingDrawnIsNotADrawing) {
    for (const char* plot : {"", "IN;SP1;PU100,100;", "hello, world", "IN;SP0;PD1,1;"}) {
        Read r;
        EXPECT_THROW(read_into(r, plot), DrawingError) << plot;
    }
}

}  // namespace
}  // namespace tvk::host::test
