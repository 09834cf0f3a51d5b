// SVG drawn as browsers draw it: transforms on every element and in CSS,
// the cascade, recursive references, nested viewports, text layout, dashes.
// Each table holds the SVG and its geometry worked out here from the
// SVG's own numbers.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <map>
#include <numbers>

#include "host/drawing/model/drawing.h"
#include "host/drawing/svg/svg_reader.h"
#include "host/drawing/text/stroke_font.h"

namespace tvk::host::test {
namespace {

// A 100 mm square page, one user unit a millimetre, y down from its top.
std::string page(const std::string& body) {
    return R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" )"
           R"(width="100mm" height="100mm" viewBox="0 0 100 100">)" +
           body + "</svg>";
}

// The drawing flattened, its dashed strokes cut into their dashes as a
// plot does where the plotter has no pattern like them.
FlatDrawing flat(const std::string& svg) {
    FlatDrawing f = Drawing::from_svg(svg, "t.svg").flatten(0.001);
    std::vector<Path> paths;
    for (Path& p : f.paths) {
        const auto it = f.dash_patterns.find(p.linetype);
        if (it == f.dash_patterns.end()) {
            paths.push_back(std::move(p));
            continue;
        }
        for (auto& dash : dashed(p.points, it->second, 0.05)) {
            Path piece = p;
            piece.points = std::move(dash);
            paths.push_back(std::move(piece));
        }
    }
    f.paths = std::move(paths);
    return f;
}

// User units to the drawing: y up from the page's foot.
Vec2 on_page(Vec2 p) {
    return {p.x, 100 - p.y};
}

Box box_of(const FlatDrawing& f) {
    Box box;
    for (const Path& p : f.paths)
        for (Vec2 v : p.points) box.add(v);
    for (const auto& fill : f.fills)
        for (const auto& ring : fill.rings)
            for (Vec2 v : ring) box.add(v);
    return box;
}

double length_of(const FlatDrawing& f) {
    double total = 0;
    for (const Path& p : f.paths)
        for (size_t i = 1; i < p.points.size(); ++i) total += length(p.points[i] - p.points[i - 1]);
    return total;
}

void expect_box(const Box& got, const Box& expected, double tolerance) {
    EXPECT_NEAR(got.min_x, expected.min_x, tolerance);
    EXPECT_NEAR(got.min_y, expected.min_y, tolerance);
    EXPECT_NEAR(got.max_x, expected.max_x, tolerance);
    EXPECT_NEAR(got.max_y, expected.max_y, tolerance);
}

// ---- transforms

struct Transformed {
    const char* what;
    std::string body;
    std::vector<Vec2> points;  // the shape's corners in its own user units
    Affine m;                  // what its transforms make of them
};

Affine matrix(double a, double b, double c, double d, double e, double f) {
    return Affine{a, c, e, b, d, f};
}
Affine rotation(double degrees) {
    return Affine::rotate(degrees * std::numbers::pi / 180);
}

TEST(SvgBrowser, EveryElementFollowsItsTransformWhereverItIsWritten) {
    const std::string s = " stroke='black' fill='none'";
    const std::vector<Vec2> segment{{10, 10}, {50, 10}};
    const std::vector<Vec2> triangle{{10, 10}, {20, 30}, {30, 10}};
    const std::vector<Vec2> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const Transformed cases[] = {
        {"path, transform after d",
         "<path d='M10 10 L50 10' transform='translate(0,50)'" + s + "/>", segment,
         Affine::translate({0, 50})},
        {"path, transform before d",
         "<path transform='translate(0,50)' d='M10 10 L50 10'" + s + "/>", segment,
         Affine::translate({0, 50})},
        {"polygon", "<polygon points='10 10 20 30 30 10' transform='translate(5 5)'" + s + "/>",
         triangle, Affine::translate({5, 5})},
        {"polyline", "<polyline points='10,10 20,30 30,10' transform='scale(2)'" + s + "/>",
         triangle, Affine::scale(2, 2)},
        {"a plotter's matrix",
         "<path d='M10 10 L50 10' transform='matrix(0 -1.1189 -.85216 0 70 90)'" + s + "/>",
         segment, matrix(0, -1.1189, -.85216, 0, 70, 90)},
        {"style after d",
         "<path d='M10 10 L50 10' style='stroke:black' transform='rotate(90 30 10)'/>", segment,
         Affine::translate({30, 10}) * rotation(90) * Affine::translate({-30, -10})},
        {"CSS transform in style",
         "<rect width='10' height='10' style='transform: translate(20px, 30px) rotate(90deg)'" + s +
             "/>",
         square, Affine::translate({20, 30}) * rotation(90)},
        {"CSS transform beats the attribute",
         "<rect width='10' height='10' transform='scale(3)' style='transform:translateX(40px)'" +
             s + "/>",
         square, Affine::translate({40, 0})},
        {"CSS transform from a style sheet, turns and radians",
         "<style>.t{transform:rotate(0.25turn) scale(2)}</style><rect class='t' width='10' "
         "height='10'" +
             s + "/>",
         square, rotation(90) * Affine::scale(2, 2)},
        {"transform-origin as an attribute",
         "<rect x='40' y='40' width='10' height='10' transform='rotate(45)' "
         "transform-origin='45 45'" +
             s + "/>",
         {{40, 40}, {50, 40}, {50, 50}, {40, 50}},
         Affine::translate({45, 45}) * rotation(45) * Affine::translate({-45, -45})},
        {"transform-origin keywords, of the viewport",
         "<rect x='40' y='40' width='10' height='10' style='transform:scale(2);"
         "transform-origin:center'" +
             s + "/>",
         {{40, 40}, {50, 40}, {50, 50}, {40, 50}},
         Affine::translate({50, 50}) * Affine::scale(2, 2) * Affine::translate({-50, -50})},
        {"geometry properties in CSS",
         "<style>#r{x:20px;y:30px;width:15px;height:5px}</style><rect id='r' width='1' height='1'" +
             s + "/>",
         {{20, 30}, {35, 30}, {35, 35}, {20, 35}},
         Affine{}},
        {"a web page's CSS size leaves the drawing's alone",
         "<style>svg{width:100%;height:auto}</style><svg x='10' y='10' width='10' height='10' "
         "viewBox='0 0 100 100' overflow='visible'><rect width='100' height='100'" +
             s + "/></svg>",
         {{10, 10}, {20, 20}},
         Affine{}},
        {"path data in CSS", "<path style='d:path(\"M 10 10 L 50 10\")' d='M 0 0 L 1 1'" + s + "/>",
         segment, Affine{}},
        {"group, then element, then nested svg",
         "<g transform='translate(10 0)'><svg x='5' y='5' width='50' height='50' "
         "overflow='visible'>"
         "<path d='M10 10 L50 10' transform='scale(0.5)'" +
             s + "/></svg></g>",
         segment, Affine::translate({15, 5}) * Affine::scale(0.5, 0.5)},
    };
    for (const Transformed& c : cases) {
        SCOPED_TRACE(c.what);
        Box expected;
        for (Vec2 p : c.points) expected.add(on_page(c.m.apply(p)));
        expect_box(box_of(flat(page(c.body))), expected, 1e-6);
    }
}

// ---- the cascade

TEST(SvgBrowser, TheCascadePicksTheWinningDeclarationAsBrowsersDo) {
    const struct {
        const char* what;
        std::string body;
        int32_t colour;  // of the one path's stroke
    } cases[] = {
        {"id beats class", "<style>#a{stroke:#0000ff} .c{stroke:#ff0000}</style>", 0x0000ff},
        {"class beats type", "<style>path{stroke:#0000ff} .c{stroke:#ff0000}</style>", 0xff0000},
        {"later of equal specificity", "<style>.c{stroke:#0000ff} .c{stroke:#ff0000}</style>",
         0xff0000},
        {"important beats specificity",
         "<style>path{stroke:#00ff00 !important} #a{stroke:#0000ff}</style>", 0x00ff00},
        {"style attribute beats the sheet", "<style>#a{stroke:#0000ff}</style>", 0x123456},
        {"important beats the style attribute", "<style>.c{stroke:#00ff00!important}</style>",
         0x00ff00},
        {"descendant", "<style>g path{stroke:#ff00ff}</style>", 0xff00ff},
        {"child", "<style>svg > g > g > path{stroke:#ff00ff} svg>g>path{stroke:#000000}</style>",
         0xff00ff},
        {"attribute selectors",
         "<style>[data-kind=cut]{stroke:#00ffff} path[data-kind^=c]{stroke:#0000ff}</style>",
         0x0000ff},
        {"first-child", "<style>path:first-child{stroke:#ff8000}</style>", 0xff8000},
        {"last-child fails", "<style>path:last-child{stroke:#ff8000}</style>", 0x123456},
        {"hover never on paper", "<style>path:hover{stroke:#ff8000 !important}</style>", 0x123456},
        {"media block", "<style>@media all { .c { stroke: #ff0000 !important } }</style>",
         0xff0000},
        {"a presentation attribute loses to the sheet", "<style>g path{stroke:#00ff00}</style>",
         0x00ff00},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const bool inline_style =
            std::string(c.what).find("style attribute") != std::string::npos ||
            std::string(c.what).find("fail") != std::string::npos ||
            std::string(c.what).find("hover") != std::string::npos;
        const std::string path =
            std::string("<path id='a' class='c' data-kind='cut' fill='none' d='M0 0 H 5'") +
            (inline_style ? " style='stroke:#123456'" : " stroke='#123456'") + "/><desc/>";
        Drawing::Impl d;
        std::vector<std::string> notes;
        read_svg(page(c.body + "<g><g>" + path + "</g></g>"), "t.svg", d, notes);
        ASSERT_EQ(d.entities.size(), 1u);
        EXPECT_EQ(d.entities[0].true_color, c.colour);
    }
}

// Six sibling paths after a <desc> (path k is child k + 1), the odd ones of
// class "o", the third with id "t": which of them a rule turns red (the
// rest keep their black).
TEST(SvgBrowser, StructuralAndNegatingPseudoClassesPickTheSiblingsBrowsersPick) {
    const struct {
        const char* sheet;
        const char* red;  // the paths turned red, by their place from 1
    } cases[] = {
        {"path:nth-child(odd){stroke:red}", "246"},
        {"path:nth-child(even){stroke:red}", "135"},
        {"path:nth-child(3n+1){stroke:red}", "36"},
        {"path:nth-child(-n+2){stroke:red}", "1"},
        {"path:nth-child( 2n - 1 ){stroke:red}", "246"},
        {"path:nth-child(4){stroke:red}", "3"},
        {"path:nth-last-child(2){stroke:red}", "5"},
        {"path:nth-child(2 of .o){stroke:red}", "3"},
        {"path:nth-of-type(2){stroke:red}", "2"},
        {"path:first-of-type, path:last-of-type{stroke:red}", "16"},
        {"path:last-child{stroke:red}", "6"},
        {"path:not(.o){stroke:red}", "246"},
        {"path:not(.o, #t){stroke:red}", "246"},
        {"path:not(:nth-child(n+3)){stroke:red}", "1"},
        {"path:is(#t, :last-child){stroke:red}", "36"},
        {"g > :not(desc):not(.o){stroke:red}", "246"},
        // Specificity: :not() and :is() count as their most specific
        // argument, :where() as nothing, :nth-child() as a class.
        {"path:not(#none){stroke:red} .o{stroke:black}", "123456"},
        {".o{stroke:red} path:where(#t){stroke:black}", "135"},
        {".o{stroke:red} path:is(#t){stroke:black}", "15"},
        {"path:nth-child(-n+3){stroke:black} .o{stroke:red}", "35"},
        {"path.o:nth-child(even){stroke:red} #t{stroke:black}", "15"},
        // An argument that does not parse drops the rule, as browsers do.
        {"path:nth-child(x){stroke:red}", ""},
        {"path:not(){stroke:red}", ""},
        {"path:nth-child{stroke:red}", ""},
        {"path:not(::before){stroke:red}", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sheet);
        std::string body = std::string("<style>") + c.sheet + "</style><g><desc/>";
        for (int k = 1; k <= 6; ++k) {
            body += "<path stroke='black' fill='none'";
            if (k % 2 == 1) body += " class='o'";
            if (k == 3) body += " id='t'";
            body += " d='M0 " + std::to_string(k) + " H 5'/>";
        }
        body += "</g>";
        Drawing::Impl d;
        std::vector<std::string> notes;
        read_svg(page(body), "t.svg", d, notes);
        ASSERT_EQ(d.entities.size(), 6u);
        std::string red;
        for (size_t k = 0; k < 6; ++k)
            if (d.entities[k].true_color == 0xff0000) red += std::to_string(k + 1);
        EXPECT_EQ(red, c.red);
    }
}

// A clip path in bounding-box units on a group or a <use> takes the box of
// all it draws, in its user space, whatever clips its content: the left
// half of it, here, of two lines that reach from x 10 to x 90.
TEST(SvgBrowser, ClipsInBoundingBoxUnitsOfGroupsAndUsesTakeTheBoxOfAllTheyDraw) {
    const std::string half =
        "<clipPath id='h' clipPathUnits='objectBoundingBox'><rect y='-1' width='0.5' "
        "height='3'/></clipPath><clipPath id='u'><rect width='60' height='100'/></clipPath>";
    const std::string lines = "<path d='M10 20 H50'/><path d='M30 40 H90'/>";
    const struct {
        const char* what;
        std::string body;
        double length;
    } cases[] = {
        {"a group", "<g clip-path='url(#h)'>" + lines + "</g>", 40 + 20},
        {"its content's transforms",
         "<g clip-path='url(#h)'><path d='M0 0 H40' "
         "transform='translate(10 20)'/><path d='M30 40 H90'/></g>",
         40 + 20},
        {"its own transform",
         "<g transform='translate(5 0) scale(0.5 1)' clip-path='url(#h)'>" + lines + "</g>",
         (40 + 20) / 2.0},
        // x 20 to 100 with the <use>'s x: the half from 20 to 60.
        {"a <use> with its x",
         "<defs><g id='g'>" + lines + "</g></defs><use href='#g' x='10' clip-path='url(#h)'/>",
         40 + 20},
        {"clips inside do not shrink the box",
         "<g clip-path='url(#h)'><path d='M10 20 H50'/>"
         "<path d='M30 40 H90' clip-path='url(#u)'/></g>",
         40 + 20},
        {"a group that draws nothing", "<g clip-path='url(#h)'/>" + lines, 40 + 60},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const FlatDrawing f = flat(page(half + "<g stroke='black' fill='none'>" + c.body + "</g>"));
        EXPECT_NEAR(length_of(f), c.length, 1e-6);
    }
}

// ---- references

TEST(SvgBrowser, UsesThatHoldThemselvesAreRefusedAndNamedAndTheRestDrawn) {
    const std::string line = "<path d='M0 0 H 10' stroke='black'/>";
    const struct {
        const char* what;
        std::string body;
        size_t paths;
        const char* named;
    } cases[] = {
        {"itself", "<g id='g'>" + line + "<use href='#g'/></g>", 1, "#g"},
        {"its own use", "<use id='u' href='#u'/>" + line, 1, "#u"},
        {"through another",
         "<g id='a'>" + line + "<use href='#b'/></g><g id='b'><use href='#a'/></g>", 1, "#a"},
        {"an ancestor, deep down",
         "<g id='top'>" + line + "<g><g><g><use xlink:href='#top' x='5'/></g></g></g></g>", 1,
         "#top"},
        {"used twice, no cycle",
         "<defs><g id='d'>" + line + "</g></defs><use href='#d'/><use href='#d' y='5'/>", 2,
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto start = std::chrono::steady_clock::now();
        const Drawing d = Drawing::from_svg(page(c.body), "t.svg");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(d.flatten(0.01).paths.size(), c.paths);
        std::string notes;
        for (const std::string& n : d.notes()) notes += n + "\n";
        if (c.named)
            EXPECT_NE(notes.find(std::string("<use> of ") + c.named), std::string::npos) << notes;
        else
            EXPECT_EQ(notes.find("<use>"), std::string::npos) << notes;
    }
}

// ---- viewports

TEST(SvgBrowser, NestedViewportsClipWhatLiesOutsideThem) {
    const std::string line = "<path d='M -50 5 H 150' stroke='black'/>";
    const struct {
        const char* what;
        std::string body;
        double length;
    } cases[] = {
        {"nested svg", "<svg x='10' y='0' width='30' height='10'>" + line + "</svg>", 30},
        {"with a viewBox",
         "<svg x='10' y='0' width='30' height='10' viewBox='0 0 60 20'>" + line + "</svg>", 30},
        {"overflow visible",
         "<svg x='10' y='0' width='30' height='10' overflow='visible'>" + line + "</svg>", 200},
        {"overflow in CSS",
         "<svg x='10' y='0' width='30' height='10' style='overflow:visible'>" + line + "</svg>",
         200},
        {"nested twice",
         "<svg x='10' width='30' height='10'><svg x='20' width='30' height='10'>" + line +
             "</svg></svg>",
         10},
        {"use of an svg",
         "<defs><svg id='v' width='30' height='10'>" + line + "</svg></defs><use href='#v' x='5'/>",
         30},
        {"the page itself does not clip", line, 200},
        {"a frame on the viewport's edge stays whole",
         "<svg x='10' y='10' width='30' height='20'><rect width='30' height='20' stroke='black' "
         "fill='none'/></svg>",
         100},
        {"use of a symbol",
         "<defs><symbol id='s' viewBox='0 0 10 10'>" + line +
             "</symbol></defs><use href='#s' "
             "x='20' width='10' height='10'/>",
         10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(length_of(flat(page(c.body))), c.length, 1e-5);  // clips are a nanometre larger
    }
}

TEST(SvgBrowser, ASwitchDrawsItsFirstChildWhoseConditionsHold) {
    const std::string a = "<path d='M0 0 H 10' stroke='black'/>";
    const std::string b = "<path d='M0 0 H 20' stroke='black'/>";
    const struct {
        const char* what;
        std::string body;
        double length;
    } cases[] = {
        {"the first", "<switch>" + a + b + "</switch>", 10},
        {"an extension not supported",
         "<switch><g requiredExtensions='http://x'>" + a + "</g>" + b + "</switch>", 20},
        {"a language",
         "<switch><g systemLanguage='xx'>" + a + "</g><g systemLanguage='de, en-GB'>" + b +
             "</g></switch>",
         20},
        {"none holds", "<switch><g systemLanguage='xx'>" + a + "</g></switch>", 0},
        {"outside a switch too", "<g systemLanguage='xx'>" + a + "</g>" + b, 20},
    };
    setenv("LC_ALL", "en_US.UTF-8", 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(length_of(flat(page(c.body))), c.length, 1e-9);
    }
}

// ---- markers

TEST(SvgBrowser, MarkersSitOnTheVerticesTurnedAndScaledAsTheySay) {
    // A triangle pointing along +x, its tip at (10, 5).
    const std::string arrow = "<path d='M0 0 L10 5 L0 10 z' stroke='black' fill='none'/>";
    const std::vector<Vec2> triangle{{0, 0}, {10, 5}, {0, 10}};
    const auto marker = [&](const std::string& attributes) {
        return "<defs><marker id='m' markerWidth='10' markerHeight='10' refX='0' refY='5' " +
               attributes + ">" + arrow + "</marker></defs>";
    };
    const struct {
        const char* what;
        std::string body;
        std::vector<Vec2> path;          // the path's own points
        std::vector<Affine> markers;     // where each marker's content goes
        std::vector<Vec2> content = {};  // the marker's content, when not the triangle
    } cases[] = {
        {"end, auto, user space",
         marker("orient='auto' markerUnits='userSpaceOnUse'") +
             "<path d='M10 50 H 50' marker-end='url(#m)' stroke='black'/>",
         {{10, 50}, {50, 50}},
         {Affine::translate({50, 50}) * Affine::translate({0, -5})}},
        {"end on a line going down",
         marker("orient='auto' markerUnits='userSpaceOnUse'") +
             "<line x1='50' y1='10' x2='50' y2='50' marker-end='url(#m)' stroke='black'/>",
         {{50, 10}, {50, 50}},
         {Affine::translate({50, 50}) * rotation(90) * Affine::translate({0, -5})}},
        {"in stroke widths",
         marker("orient='auto'") +
             "<path d='M10 50 H 50' marker-end='url(#m)' stroke='black' stroke-width='2'/>",
         {{10, 50}, {50, 50}},
         {Affine::translate({50, 50}) * Affine::scale(2, 2) * Affine::translate({0, -5})}},
        {"start reversed, a fixed angle at the end",
         "<defs><marker id='s' markerWidth='10' markerHeight='10' refY='5' "
         "orient='auto-start-reverse' "
         "markerUnits='userSpaceOnUse'>" +
             arrow +
             "</marker><marker id='e' markerWidth='10' markerHeight='10' refY='5' orient='90deg' "
             "markerUnits='userSpaceOnUse'>" +
             arrow +
             "</marker></defs><path d='M10 50 H 50' marker-start='url(#s)' marker-end='url(#e)' "
             "stroke='black'/>",
         {{10, 50}, {50, 50}},
         {Affine::translate({10, 50}) * rotation(180) * Affine::translate({0, -5}),
          Affine::translate({50, 50}) * rotation(90) * Affine::translate({0, -5})}},
        {"mid vertices halve the turn, from CSS",
         marker("orient='auto' markerUnits='userSpaceOnUse'") +
             "<style>polyline{marker-mid:url(#m)}</style><polyline points='10,50 30,50 30,70' "
             "stroke='black' fill='none'/>",
         {{10, 50}, {30, 50}, {30, 70}},
         {Affine::translate({30, 50}) * rotation(45) * Affine::translate({0, -5})}},
        {"a viewBox fitted into the marker's size",
         marker("viewBox='0 0 20 20' orient='auto' markerUnits='userSpaceOnUse'") +
             "<path d='M10 50 H 50' marker-end='url(#m)' stroke='black'/>",
         {{10, 50}, {50, 50}},
         // refY 5 in the viewBox is 2.5 in the marker's size
         {Affine::translate({50, 50}) * Affine::translate({0, -2.5}) * Affine::scale(0.5, 0.5)}},
        {"clipped to its size",
         marker("markerUnits='userSpaceOnUse'") +
             "<path d='M10 50 H 50' marker-end='url(#m)' stroke='none'/>",
         {},
         {Affine::translate({50, 50}) * Affine::translate({0, -5})},
         // the diagonal from (-5, 0) to (15, 10) within x 0 to 10; the square's edges all outside
         {{0, 2.5}, {10, 7.5}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string body = c.body;
        std::vector<Vec2> content = triangle;
        if (!c.content.empty()) {
            // A square larger than the marker and a diagonal across it: only
            // what lies within the marker's own square shows.
            body =
                "<defs><marker id='m' markerWidth='10' markerHeight='10' refY='5' "
                "markerUnits='userSpaceOnUse'><rect x='-10' y='-10' width='30' height='30' "
                "stroke='black' fill='none'/><path d='M-5 0 L 15 10' "
                "stroke='black'/></marker></defs>"
                "<path d='M10 50 H 50' marker-end='url(#m)' stroke='none'/>";
            content = c.content;
        }
        Box expected;
        for (Vec2 p : c.path) expected.add(on_page(p));
        for (const Affine& m : c.markers)
            for (Vec2 p : content) expected.add(on_page(m.apply(p)));
        expect_box(box_of(flat(page(body))), expected, 1e-6);
    }
}

// ---- clipped fills

// The filled area, by even-odd tests on a half-millimetre grid.
double filled_area(const FlatDrawing& f) {
    double area = 0;
    for (double y = 0.25; y < 100; y += 0.5) {
        for (double x = 0.25; x < 100; x += 0.5) {
            int crossings = 0;
            for (const auto& fill : f.fills) {
                for (const auto& ring : fill.rings) {
                    for (size_t i = 0, n = ring.size(); i < n; ++i) {
                        const Vec2 a = ring[i], b = ring[(i + 1) % n];
                        if ((a.y > y) != (b.y > y) &&
                            x < a.x + (y - a.y) / (b.y - a.y) * (b.x - a.x))
                            ++crossings;
                    }
                }
            }
            if (crossings % 2) area += 0.25;
        }
    }
    return area;
}

// The area of a polygon by the nonzero rule on the same grid, left of x_max.
double nonzero_area(const std::vector<Vec2>& ring, double x_max = 100) {
    double area = 0;
    for (double y = 0.25; y < 100; y += 0.5) {
        for (double x = 0.25; x < x_max; x += 0.5) {
            int winding = 0;
            for (size_t i = 0, n = ring.size(); i < n; ++i) {
                const Vec2 a = on_page(ring[i]), b = on_page(ring[(i + 1) % n]);
                if ((a.y > y) != (b.y > y) && x < a.x + (y - a.y) / (b.y - a.y) * (b.x - a.x))
                    winding += a.y < b.y ? 1 : -1;
            }
            if (winding != 0) area += 0.25;
        }
    }
    return area;
}

TEST(SvgBrowser, FillsFollowTheNonzeroRuleWhereverTheyAreCut) {
    const std::vector<Vec2> star = {{50, 5}, {75, 85}, {10, 35}, {90, 35}, {25, 85}};
    const std::string star_d = "M 50 5 L 75 85 L 10 35 L 90 35 L 25 85 Z";
    const double whole = nonzero_area(star);  // the middle pentagon too
    // The star less its middle pentagon.
    double arms = 0;
    for (double y = 0.25; y < 100; y += 0.5) {
        for (double x = 0.25; x < 100; x += 0.5) {
            int crossings = 0;
            for (size_t i = 0; i < star.size(); ++i) {
                const Vec2 a = on_page(star[i]), b = on_page(star[(i + 1) % star.size()]);
                if ((a.y > y) != (b.y > y) && x < a.x + (y - a.y) / (b.y - a.y) * (b.x - a.x))
                    ++crossings;
            }
            if (crossings % 2) arms += 0.25;
        }
    }
    const struct {
        const char* what;
        std::string body;
        double area;
    } cases[] = {
        {"a star that crosses itself", "<path d='" + star_d + "'/>", whole},
        {"the same star even-odd", "<path fill-rule='evenodd' d='" + star_d + "'/>", arms},
        {"two subpaths overlapping the same way",
         "<path d='M10 10 H60 V60 H10 Z M40 40 H90 V90 H40 Z'/>", 2500 + 2500 - 400},
        {"the same, even-odd",
         "<path fill-rule='evenodd' d='M10 10 H60 V60 H10 Z M40 40 H90 V90 H40 Z'/>",
         2500 + 2500 - 800},
        {"a star clip",
         "<clipPath id='s'><path d='" + star_d +
             "'/></clipPath><rect width='100' height='100' clip-path='url(#s)'/>",
         whole},
        {"a star clip, even-odd",
         "<clipPath id='s'><path clip-rule='evenodd' d='" + star_d +
             "'/></clipPath><rect width='100' height='100' clip-path='url(#s)'/>",
         arms},
        {"a star cut by a clip",
         "<clipPath id='h'><rect width='50' height='100'/></clipPath><path d='" + star_d +
             "' clip-path='url(#h)'/>",
         nonzero_area(star, 50)},
        {"overlapping subpaths cut by a clip",
         "<clipPath id='h'><rect width='50' height='100'/></clipPath><path d='M10 10 H60 V60 H10 Z "
         "M40 "
         "40 H90 V90 H40 Z' clip-path='url(#h)'/>",
         2000 + 500 - 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(filled_area(flat(page(c.body))), c.area, c.area * 0.01);
    }
}

TEST(SvgBrowser, FillsAreCutToClipsOfAnyShape) {
    const std::string l_shape =
        "<clipPath id='c'><polygon points='0,0 50,0 50,50 100,50 100,100 0,100'/></clipPath>";
    const std::string holed = "M 20 20 H 80 V 80 H 20 Z M 40 40 H 60 V 60 H 40 Z";
    const std::string holed_reversed = "M 20 20 H 80 V 80 H 20 Z M 40 40 V 60 H 60 V 40 Z";
    const struct {
        const char* what;
        std::string body;
        double area;
    } cases[] = {
        // 50 x 50, less the quarter beyond the L's notch
        {"a non-convex clip",
         l_shape + "<rect x='25' y='25' width='50' height='50' clip-path='url(#c)'/>", 2500 - 625},
        {"a clip with a hole",
         "<clipPath id='c'><path clip-rule='evenodd' d='M0 0 H100 V100 H0 Z M40 40 H60 V60 H40 Z'/>"
         "</clipPath><rect x='30' y='30' width='40' height='40' clip-path='url(#c)'/>",
         1600 - 400},
        // 3200 of the ring, less the notch's 900 less the hole's 100 in it
        {"an even-odd fill with a hole",
         l_shape + "<path fill-rule='evenodd' d='" + holed + "' clip-path='url(#c)'/>", 3200 - 800},
        {"a nonzero fill with a reversed hole",
         l_shape + "<path d='" + holed_reversed + "' clip-path='url(#c)'/>", 3200 - 800},
        {"a clip of two shapes",
         "<clipPath id='c'><rect width='30' height='100'/><rect x='70' width='30' height='100'/>"
         "</clipPath><rect y='40' width='100' height='20' clip-path='url(#c)'/>",
         1200},
        {"a clip in the units of the box, a triangle",
         "<clipPath id='c' clipPathUnits='objectBoundingBox'><polygon points='0,0 1,0 "
         "0,1'/></clipPath>"
         "<rect x='20' y='20' width='60' height='40' clip-path='url(#c)'/>",
         60 * 40 / 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(filled_area(flat(page(c.body))), c.area, c.area * 0.01);
    }
}

// ---- text

// The box of a text set with the standard font, worked out from its glyphs:
// each character at its origin (user units) with the given font size.
struct Char {
    char32_t c;
    Vec2 at;
    double size;
    double rotate = 0;
    double squeeze = 0;  // across; 0: fitted to the character's advance
    double room = 0;     // its advance; 0: Times'
};

// The advances of Times (browsers' default font, that of text without a
// family) of the characters used here, in ems; 0 for the others.
double times(char32_t c) {
    const std::map<char32_t, double> widths = {
        {U' ', 0.25},  {U'A', 0.722}, {U'B', 0.667}, {U'C', 0.667}, {U'D', 0.722},
        {U'E', 0.611}, {U'G', 0.722}, {U'H', 0.722}, {U'I', 0.333}, {U'L', 0.611},
        {U'N', 0.722}, {U'R', 0.667}, {U'T', 0.611}, {U'1', 0.5},   {U'2', 0.5}};
    const auto it = widths.find(c);
    return it == widths.end() ? 0 : it->second;
}

double stroke_advance(char32_t c, double size) {
    return StrokeFont::standard().glyph(c).advance() * size * 0.7;
}

// Where a character takes its room: the stroke font's own advance, or the
// browser's, which its glyph is narrowed to or centred in.
double advance(char32_t c, double size) {
    return times(c) > 0 ? times(c) * size : stroke_advance(c, size);
}

Box glyphs_box(const std::vector<Char>& chars) {
    Box box;
    for (const Char& ch : chars) {
        const Glyph& g = StrokeFont::standard().glyph(ch.c);
        const double cap = ch.size * 0.7;
        const double drawn = stroke_advance(ch.c, ch.size);
        const double room = ch.room > 0 ? ch.room : advance(ch.c, ch.size);
        const double squeeze = ch.squeeze > 0 ? ch.squeeze : std::min(1.0, room / drawn);
        const double inset = ch.squeeze > 0 ? 0 : std::max(0.0, room - drawn) / 2;
        const Affine m = Affine::translate(ch.at) * rotation(ch.rotate) *
                         Affine::translate({inset, 0}) * Affine::scale(cap * squeeze, -cap);
        for (const auto& stroke : g.strokes)
            for (Vec2 p : stroke) box.add(on_page(m.apply({p.x - g.left, p.y})));
    }
    return box;
}

// Characters one after another from `at`.
std::vector<Char> run(const std::u32string& text, Vec2 at, double size) {
    std::vector<Char> out;
    for (char32_t c : text) {
        out.push_back({c, at, size});
        at.x += advance(c, size);
    }
    return out;
}

double width(const std::u32string& text, double size) {
    double w = 0;
    for (char32_t c : text) w += advance(c, size);
    return w;
}

TEST(SvgBrowser, TextIsLaidOutInChunksWithItsPositionListsAndUnits) {
    const std::u32string right = U"RIGHT ALIGNED";
    const double w = width(right, 10);
    auto chars = [](std::vector<Char> a, const std::vector<Char>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const struct {
        const char* what;
        std::string body;
        std::vector<Char> expected;
    } cases[] = {
        {"a tspan follows its text, the anchor moves the chunk",
         "<text x='90' y='50' font-size='10' text-anchor='end'>RIGHT <tspan "
         "fill='red'>ALIGNED</tspan></text>",
         run(right, {90 - w, 50}, 10)},
        {"middle", "<text x='50' y='50' font-size='10' text-anchor='middle'>RIGHT ALIGNED  </text>",
         run(right, {50 - w / 2, 50}, 10)},
        {"x and y lists",
         "<text x='10 30 50' y='20 40' font-size='10'>ABCD</text>",
         {{U'A', {10, 20}, 10},
          {U'B', {30, 40}, 10},
          {U'C', {50, 40}, 10},
          {U'D', {50 + advance(U'C', 10), 40}, 10}}},
        {"dx and dy lists",
         "<text x='10' y='20' dx='0 5' dy='1 2 3' font-size='10'>ABC</text>",
         {{U'A', {10, 21}, 10},
          {U'B', {10 + advance(U'A', 10) + 5, 23}, 10},
          {U'C', {10 + advance(U'A', 10) + 5 + advance(U'B', 10), 26}, 10}}},
        {"rotate, the last value for the rest",
         "<text x='50' y='50' rotate='0 90' font-size='10'>HIL</text>",
         {{U'H', {50, 50}, 10},
          {U'I', {50 + advance(U'H', 10), 50}, 10, 90},
          {U'L', {50 + advance(U'H', 10) + advance(U'I', 10), 50}, 10, 90}}},
        {"a tspan's own x begins a chunk with its own anchor",
         "<text x='10' y='50' font-size='10'>AB<tspan x='90' text-anchor='end'>CD</tspan></text>",
         chars(run(U"AB", {10, 50}, 10), run(U"CD", {90 - width(U"CD", 10), 50}, 10))},
        {"font size in percent of the parent's",
         "<g font-size='20'><text x='10' y='50' font-size='50%'>AB</text></g>",
         run(U"AB", {10, 50}, 10)},
        {"em and ex", "<text x='2em' y='5em' style='font-size:10px'>AB</text>",
         run(U"AB", {20, 50}, 10)},
        {"font size in pt", "<text x='10' y='50' font-size='7.5pt'>AB</text>",
         run(U"AB", {10, 50}, 10)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        expect_box(box_of(flat(page(c.body))), glyphs_box(c.expected), 1e-6);
    }
}

TEST(SvgBrowser, TextTakesTheRoomABrowserGivesIt) {
    const double a = advance(U'A', 10), space = advance(U' ', 10);
    const double sans = 0.667 * 10, mono = 0.6 * 20;  // A and B in Helvetica, any in Courier
    const struct {
        const char* what;
        std::string body;
        std::vector<Char> expected;
    } cases[] = {
        {"letter-spacing after each character",
         "<text x='10' y='50' font-size='10' letter-spacing='2'>AB</text>",
         {{U'A', {10, 50}, 10}, {U'B', {10 + a + 2, 50}, 10}}},
        {"word-spacing after each space",
         "<text x='10' y='50' font-size='10' style='word-spacing:0.5em'>A B</text>",
         {{U'A', {10, 50}, 10}, {U'B', {10 + a + space + 5, 50}, 10}}},
        {"a superscript raised by a third of the font size, what follows on the baseline",
         "<text x='10' y='50' font-size='12'>A<tspan baseline-shift='super'>B</tspan>A</text>",
         {{U'A', {10, 50}, 12},
          {U'B', {10 + advance(U'A', 12), 46}, 12},
          {U'A', {10 + advance(U'A', 12) + advance(U'B', 12), 50}, 12}}},
        {"a shift by a length, nested spans adding theirs",
         "<text x='10' y='50' font-size='10'><tspan baseline-shift='-3'>A<tspan "
         "baseline-shift='50%'>B</tspan></tspan></text>",
         {{U'A', {10, 53}, 10}, {U'B', {10 + a, 48}, 10}}},
        {"a sans-serif family set with Helvetica's widths, anchored at its end",
         "<text x='50' y='50' font-size='10' font-family='Arial, sans-serif' "
         "text-anchor='end'>AB</text>",
         {{U'A', {50 - 2 * sans, 50}, 10, 0, 0, sans}, {U'B', {50 - sans, 50}, 10, 0, 0, sans}}},
        {"the font shorthand: size and a monospace family",
         "<style>text { font: italic bold 20px/1.2 'Courier New', monospace }</style>"
         "<text x='10' y='50'>AB</text>",
         {{U'A', {10, 50}, 20, 0, 0, mono}, {U'B', {10 + mono, 50}, 20, 0, 0, mono}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        expect_box(box_of(flat(page(c.body))), glyphs_box(c.expected), 1e-6);
    }
}

TEST(SvgBrowser, TextAlongAPathFollowsIt) {
    const auto body = [](const std::string& path, const std::string& offset) {
        return "<defs><path id='p' d='" + path +
               "'/></defs><text font-size='10'><textPath href='#p'" + offset +
               ">AB</textPath></text>";
    };
    const double a = advance(U'A', 10), b = advance(U'B', 10);
    // A character's middle sits on the path: on a straight path the text is set as on a line.
    const struct {
        const char* what;
        std::string body;
        std::vector<Char> expected;
    } cases[] = {
        {"straight", body("M 10 50 H 90", ""), {{U'A', {10, 50}, 10}, {U'B', {10 + a, 50}, 10}}},
        {"start offset",
         body("M 10 50 H 90", " startOffset='20'"),
         {{U'A', {30, 50}, 10}, {U'B', {30 + a, 50}, 10}}},
        {"start offset in percent",
         body("M 10 50 H 90", " startOffset='50%'"),
         {{U'A', {50, 50}, 10}, {U'B', {50 + a, 50}, 10}}},
        {"going down: turned",
         body("M 50 10 V 90", ""),
         {{U'A', {50, 10}, 10, 90}, {U'B', {50, 10 + a}, 10, 90}}},
        {"a path with its own transform",
         "<defs><path id='p' d='M 0 0 H 80' transform='translate(10 50)'/></defs><text "
         "font-size='10'><textPath href='#p'>AB</textPath></text>",
         {{U'A', {10, 50}, 10}, {U'B', {10 + a, 50}, 10}}},
        // Text after the path goes on from where the path's text ended.
        {"text after the path",
         "<defs><path id='p' d='M 10 50 V 90'/></defs><text font-size='10'><textPath "
         "href='#p'>A</textPath>B</text>",
         {{U'A', {10, 50}, 10, 90}, {U'B', {10, 50 + a}, 10}}},
        {"characters beyond the end are not drawn",
         body("M 10 50 H " + std::to_string(10 + a + b / 4), ""),
         {{U'A', {10, 50}, 10}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        expect_box(box_of(flat(page(c.body))), glyphs_box(c.expected), 1e-3);
    }
}

TEST(SvgBrowser, VerticalTextStacksItsCharactersDownwards) {
    // From x 50, y 10 at 10 user units an em: kana upright one em apart,
    // centred on the line, hanging from the pen; Latin on its side (a
    // quarter clockwise), its baseline down the line, one advance apart.
    const auto upright = [](char32_t c, double y) {
        return Char{c, {50 - advance(c, 10) / 2, y + 8}, 10};
    };
    const auto sideways = [](char32_t c, double y) { return Char{c, {50 - 3.5, y}, 10, 90}; };
    const double a = advance(U'A', 10);
    // A combined run keeps the stroke font's advances.
    const double digits = stroke_advance(U'1', 10) + stroke_advance(U'2', 10);
    const double squeeze = std::min(1.0, 10 / digits);
    const auto text = [](const std::string& attributes, const std::string& content) {
        return "<text x='50' y='10' font-size='10' " + attributes + ">" + content + "</text>";
    };
    const struct {
        const char* what;
        std::string body;
        std::vector<Char> expected;
    } cases[] = {
        {"kana upright",
         text("writing-mode='tb'", "\u3042\u3044"),
         {upright(U'\u3042', 10), upright(U'\u3044', 20)}},
        {"Latin on its side",
         text("writing-mode='vertical-rl'", "AB"),
         {sideways(U'A', 10), sideways(U'B', 10 + a)}},
        {"mixed",
         text("style='writing-mode:vertical-rl'", "\u3042A\u3044"),
         {upright(U'\u3042', 10), sideways(U'A', 20), upright(U'\u3044', 20 + a)}},
        {"text-orientation upright",
         text("writing-mode='tb' style='text-orientation:upright'", "AB"),
         {upright(U'A', 10), upright(U'B', 20)}},
        {"glyph-orientation-vertical 0",
         text("writing-mode='tb' glyph-orientation-vertical='0'", "AB"),
         {upright(U'A', 10), upright(U'B', 20)}},
        {"text-orientation sideways",
         text("writing-mode='tb' text-orientation='sideways'", "\u3042"),
         {sideways(U'\u3042', 10)}},
        // Two digits side by side in one em, narrowed to fit it.
        {"text-combine-upright",
         text("writing-mode='vertical-rl'",
              "\u3042<tspan style='text-combine-upright:all'>12</tspan>\u3044"),
         {upright(U'\u3042', 10),
          {U'1', {50 - digits * squeeze / 2, 28}, 10, 0, squeeze},
          {U'2',
           {50 - digits * squeeze / 2 + stroke_advance(U'1', 10) * squeeze, 28},
           10,
           0,
           squeeze},
          upright(U'\u3044', 30)}},
        {"anchored at its end",
         text("writing-mode='tb' text-anchor='end'", "\u3042\u3044"),
         {upright(U'\u3042', -10), upright(U'\u3044', 0)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        expect_box(box_of(flat(page(c.body))), glyphs_box(c.expected), 1e-6);
    }
}

TEST(SvgBrowser, CharactersNoFontHasAreReportedAndLatinOnesAreDrawn) {
    const Drawing d = Drawing::from_svg(
        page("<text x='1' y='50'>Plotted with tvkplot \u2013 \u00C6r\u00F8 \u00DF \u2018q\u2019 "
             "\u201Cq\u201D \u2014 \u00E6\u2026 \u263A</text>"),
        "t.svg");
    std::string notes;
    for (const std::string& n : d.notes()) notes += n + "\n";
    EXPECT_NE(notes.find("1 character (U+263A)"), std::string::npos) << notes;
    // The small o with a stroke is a small letter.
    const StrokeFont& font = StrokeFont::standard();
    Box small, capital;
    for (const auto& s : font.glyph(U'\u00F8').strokes)
        for (Vec2 p : s) small.add(p);
    for (const auto& s : font.glyph(U'\u00D8').strokes)
        for (Vec2 p : s) capital.add(p);
    EXPECT_LT(small.max_y, capital.max_y - 0.1);
}

// ---- dashes

TEST(SvgBrowser, DashedStrokesAreDrawnAsTheirDashes) {
    const struct {
        const char* what;
        std::string attributes;
        size_t dashes;
        double length;  // of the 100 mm line drawn
    } cases[] = {
        {"even", "stroke-dasharray='5 5'", 10, 50},
        {"odd, repeated", "stroke-dasharray='5'", 10, 50},
        // 10 5 5 10 5 5, a period of 40: dashes at 0, 15, 30, 40, 55, 70, 80, 95
        {"commas and three", "stroke-dasharray='10,5,5'", 8, 10 + 5 + 5 + 10 + 5 + 5 + 10 + 5},
        {"offset into a gap", "stroke-dasharray='5 5' stroke-dashoffset='5'", 10, 50},
        {"offset into a dash", "stroke-dasharray='4 6' stroke-dashoffset='2'", 11, 2 + 9 * 4 + 2},
        {"negative offset", "stroke-dasharray='4 6' stroke-dashoffset='-6'", 10, 40},
        {"in CSS", "style='stroke-dasharray: 5px 5px'", 10, 50},
        {"none", "stroke-dasharray='none'", 1, 100},
        {"all zeros: solid", "stroke-dasharray='0 0'", 1, 100},
        {"negative: solid", "stroke-dasharray='5 -1'", 1, 100},
        {"scaled with the stroke", "stroke-dasharray='2.5' transform='scale(2 1)' ", 10, 50},
        {"turned and scaled alike", "stroke-dasharray='2.5' transform='rotate(30) scale(2)' ", 10,
         50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string d = "M 0 50 H 100";
        if (std::string(c.what).find("scaled") != std::string::npos) d = "M 0 25 H 50";
        const FlatDrawing f =
            flat(page("<path d='" + d + "' stroke='black' " + c.attributes + "/>"));
        EXPECT_EQ(f.paths.size(), c.dashes);
        EXPECT_NEAR(length_of(f), c.length, 1e-6);
    }
}

}  // namespace
}  // namespace tvk::host::test
