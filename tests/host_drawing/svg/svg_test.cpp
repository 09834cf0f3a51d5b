// SVG drawings read into the drawing model: units and transforms, every
// path command and basic shape, references, what is not drawn, clip paths,
// pens by colour, layers by group, text; and what tells the kinds of files apart.
#include <gtest/gtest.h>

#include <cmath>

#include "host/drawing/model/drawing.h"
#include "host/drawing/svg/svg_reader.h"
#include "host/drawing/text/stroke_font.h"

namespace tvk::host::test {
namespace {

// A 100 mm square page, one user unit a millimetre, y down from its top.
std::string page(
    const std::string& body,
    const std::string& size = R"(width="100mm" height="100mm" viewBox="0 0 100 100")") {
    return R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" )"
           R"(xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape" )" +
           size + ">" + body + "</svg>";
}

Drawing::Impl model(const std::string& svg) {
    Drawing::Impl impl;
    std::vector<std::string> notes;
    read_svg(svg, "t.svg", impl, notes);
    return impl;
}

FlatDrawing flat(const std::string& svg) {
    return Drawing::from_svg(svg, "t.svg").flatten(0.001);
}

double length_of(const FlatDrawing& f) {
    double total = 0;
    for (const Path& p : f.paths) {
        for (size_t i = 1; i < p.points.size(); ++i) {
            total +=
                std::hypot(p.points[i].x - p.points[i - 1].x, p.points[i].y - p.points[i - 1].y);
        }
    }
    return total;
}

struct Placed {
    const char* what;
    std::string svg;
    Box expected;  // millimetres, y up from the page's lower-left corner
};

TEST(Svg, ElementsLandWhereTheirUnitsAndTransformsPutThem) {
    const std::string s = R"( stroke="black" fill="none" )";
    const Placed cases[] = {
        {"rect in mm",
         page("<rect x='10' y='10' width='20' height='30'" + s + "/>"),
         {10, 60, 30, 90}},
        {"inches",
         page("<rect width='1' height='0.5'" + s + "/>",
              R"(width="2in" height="1in" viewBox="0 0 2 1")"),
         {0, 12.7, 25.4, 25.4}},
        {"pixels, no viewBox",
         page("<rect width='96' height='48'" + s + "/>", R"(width="96" height="96")"),
         {0, 12.7, 25.4, 25.4}},
        {"viewBox only",
         page("<rect width='96' height='96'" + s + "/>", R"(viewBox="0 0 96 96")"),
         {0, 0, 25.4, 25.4}},
        {"viewBox scaled",
         page("<rect width='50' height='50'" + s + "/>",
              R"(width="200mm" height="200mm" viewBox="0 0 100 100")"),
         {0, 100, 100, 200}},
        {"group transforms",
         page("<g transform='translate(10,20) scale(2)'><rect width='5' height='5'" + s + "/></g>"),
         {10, 70, 20, 80}},
        {"rotate",
         page("<line x1='0' y1='0' x2='10' y2='0' transform='rotate(90)'" + s + "/>"),
         {0, 90, 0, 100}},
        {"matrix and skew",
         page("<line x1='0' y1='0' x2='10' y2='0' transform='matrix(1 0 0 1 5 5) skewY(45)'" + s +
              "/>"),
         {5, 85, 15, 95}},
        {"circle", page("<circle cx='50' cy='50' r='10'" + s + "/>"), {40, 40, 60, 60}},
        {"ellipse", page("<ellipse cx='50' cy='50' rx='20' ry='10'" + s + "/>"), {30, 40, 70, 60}},
        {"rounded rect",
         page("<rect x='10' y='10' width='20' height='20' rx='5'" + s + "/>"),
         {10, 70, 30, 90}},
        {"polyline", page("<polyline points='10,10 20,30 30,10'" + s + "/>"), {10, 70, 30, 90}},
        {"polygon", page("<polygon points='10 10 20 30 30 10'" + s + "/>"), {10, 70, 30, 90}},
        {"path arc", page("<path d='M 10 50 A 10 10 0 0 1 30 50'" + s + "/>"), {10, 50, 30, 60}},
        {"large rotated arc",
         page("<path d='M 50 40 A 10 5 90 1 0 50 60'" + s + "/>"),
         {45, 40, 50, 60}},
        {"quadratic", page("<path d='M 0 0 Q 50 100 100 0'" + s + "/>"), {0, 50, 100, 100}},
        {"smooth quadratic",
         page("<path d='M 0 0 Q 25 50 50 0 T 100 0'" + s + "/>"),
         {0, 75, 100, 125}},
        {"cubic", page("<path d='M 0 0 C 0 100 100 100 100 0'" + s + "/>"), {0, 25, 100, 100}},
        {"smooth cubic, relative",
         page("<path d='m 0 50 c 0 -20 20 -20 20 0 s 20 20 20 0'" + s + "/>"),
         {0, 50 - 15, 40, 50 + 15}},
        {"lines, relative and closed",
         page("<path d='m 10 10 h 20 v 20 H 10 z m 50 0 l 10 10 V 10 z'" + s + "/>"),
         {10, 70, 70, 90}},
        {"nested svg, meet",
         page("<svg x='10' y='10' width='20' height='10' viewBox='0 0 10 10'><rect width='10' "
              "height='10'" +
              s + "/></svg>"),
         {15, 80, 25, 90}},
        {"nested svg, none",
         page("<svg x='10' y='10' width='20' height='10' viewBox='0 0 10 10' "
              "preserveAspectRatio='none'><rect width='10' height='10'" +
              s + "/></svg>"),
         {10, 80, 30, 90}},
        {"use of a symbol",
         page("<defs><symbol id='s' viewBox='0 0 10 10'><rect width='10' height='10'" + s +
              "/></symbol></defs><use xlink:href='#s' x='50' y='50' width='20' height='20'/>"),
         {50, 30, 70, 50}},
        {"use with a transform",
         page("<defs><path id='p' d='M0 0 L 10 10'" + s +
              "/></defs><use href='#p' x='5' y='5' transform='translate(10 0)'/>"),
         {15, 85, 25, 95}},
    };
    for (const Placed& c : cases) {
        SCOPED_TRACE(c.what);
        Box box;
        for (const Path& p : flat(c.svg).paths)
            for (Vec2 v : p.points) box.add(v);
        EXPECT_NEAR(box.min_x, c.expected.min_x, 1e-3);
        EXPECT_NEAR(box.min_y, c.expected.min_y, 1e-3);
        EXPECT_NEAR(box.max_x, c.expected.max_x, 1e-3);
        EXPECT_NEAR(box.max_y, c.expected.max_y, 1e-3);
    }
}

TEST(Svg, CurvesStayCurvesUntilFlattenedAtThePlotsTolerance) {
    const std::string circle = page("<circle cx='50' cy='50' r='40' stroke='black' fill='none'/>");
    const Drawing d = Drawing::from_svg(circle, "t.svg");
    for (double tolerance : {0.5, 0.01}) {
        const FlatDrawing f = d.flatten(tolerance);
        ASSERT_FALSE(f.paths.empty());
        for (const Path& p : f.paths) {
            for (size_t i = 1; i < p.points.size(); ++i) {
                const Vec2 a = p.points[i - 1], b = p.points[i];
                const Vec2 mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
                EXPECT_NEAR(std::hypot(a.x - 50, a.y - 50), 40, 1e-9);
                EXPECT_LE(40 - std::hypot(mid.x - 50, mid.y - 50), tolerance);
            }
        }
    }
}

TEST(Svg, HiddenDefinedAndTransparentContentIsNotDrawn) {
    const std::string s = R"( stroke="black" fill="none" )";
    const std::string hidden[] = {
        "<g style='display:none'><rect width='10' height='10'" + s + "/></g>",
        "<rect width='10' height='10' display='none'" + s + "/>",
        "<g visibility='hidden'><rect width='10' height='10'" + s + "/></g>",
        "<defs><rect id='r' width='10' height='10'" + s + "/></defs>",
        "<symbol id='s'><rect width='10' height='10'" + s + "/></symbol>",
        "<clipPath id='c'><rect width='10' height='10'/></clipPath>",
        "<rect width='10' height='10' opacity='0'" + s + "/>",
        "<rect width='10' height='10' stroke='black' fill='none' stroke-opacity='0'/>",
        "<rect width='10' height='10' fill='none' stroke='none'/>",
        "<svg width='0' height='10'><rect width='10' height='10'" + s + "/></svg>",
        "<metadata><rect width='10' height='10'" + s + "/></metadata>",
    };
    for (const std::string& body : hidden) {
        SCOPED_TRACE(body);
        const FlatDrawing f = flat(page(body));
        EXPECT_TRUE(f.paths.empty());
        EXPECT_TRUE(f.fills.empty());
    }
    // A visible child of a hidden group is drawn; so is a <use> of hidden definitions.
    EXPECT_EQ(flat(page("<g visibility='hidden'><rect width='10' height='10' visibility='visible'" +
                        s + "/></g>"))
                  .paths.size(),
              1u);
    EXPECT_EQ(
        flat(page("<defs><rect id='r' width='10' height='10'" + s + "/></defs><use href='#r'/>"))
            .paths.size(),
        1u);
}

TEST(Svg, ClipPathsCutStrokesAndFills) {
    const std::string line = "<path d='M 0 50 H 100' stroke='black'";
    // Rectangular: 20 of the 100 mm remain.
    EXPECT_NEAR(length_of(flat(page(
                    "<clipPath id='c'><rect x='40' y='0' width='20' height='100'/></clipPath>" +
                    line + " clip-path='url(#c)'/>"))),
                20, 1e-6);
    // A circle, through its centre: its diameter.
    EXPECT_NEAR(length_of(flat(page("<clipPath id='c'><circle cx='50' cy='50' r='10'/></clipPath>" +
                                    line + " clip-path='url(#c)'/>"))),
                20, 0.02);
    // General: two apart squares (with a transform) leave two pieces.
    const FlatDrawing two =
        flat(page("<clipPath id='c' transform='translate(10 0)'><rect x='0' y='40' width='10' "
                  "height='20'/><rect x='50' y='40' width='5' height='20'/></clipPath>" +
                  line + " clip-path='url(#c)'/>"));
    EXPECT_EQ(two.paths.size(), 2u);
    EXPECT_NEAR(length_of(two), 15, 1e-6);
    // Of a group, in the group's user space; nested clips all apply.
    EXPECT_NEAR(
        length_of(flat(
            page("<clipPath id='c'><rect x='0' y='0' width='10' height='100'/></clipPath><clipPath "
                 "id='d'><rect x='5' y='0' width='50' height='100'/></clipPath><g "
                 "clip-path='url(#c)' transform='translate(20 0)'><g clip-path='url(#d)'>" +
                 line + "/></g></g>"))),
        5, 1e-6);
    // Of a <use>, before its x and y move the content.
    EXPECT_NEAR(
        length_of(flat(page("<clipPath id='c'><rect x='0' y='0' width='10' "
                            "height='100'/></clipPath><defs>" +
                            line + " id='l'/></defs><use href='#l' x='5' clip-path='url(#c)'/>"))),
        5, 1e-6);
    // A clip in the units of the bounding box: of the shape's own box (a
    // line's has no area, and the clip is left out).
    EXPECT_NEAR(length_of(flat(page("<clipPath id='c' clipPathUnits='objectBoundingBox'><rect "
                                    "width='0.5' height='1'/></clipPath>" +
                                    line + " clip-path='url(#c)'/>"))),
                100, 1e-6);
    // x from 10 - 8 to 10 - 8 + 48 of the 80 by 20 rectangle: its right side is cut away
    EXPECT_NEAR(length_of(flat(page("<clipPath id='c' clipPathUnits='objectBoundingBox'><rect "
                                    "x='-0.1' y='-1' width='0.6' height='3'/></clipPath><rect "
                                    "x='10' y='40' width='80' height='20' stroke='black' "
                                    "fill='none' clip-path='url(#c)'/>"))),
                40 + 40 + 20, 1e-6);
    // A fill is cut to a convex clip.
    const FlatDrawing fill =
        flat(page("<clipPath id='c'><rect x='0' y='0' width='50' height='100'/></clipPath><rect "
                  "x='40' y='40' width='20' height='20' clip-path='url(#c)'/>"));
    ASSERT_EQ(fill.fills.size(), 1u);
    Box box;
    for (const auto& ring : fill.fills[0].rings)
        for (Vec2 p : ring) box.add(p);
    EXPECT_NEAR(box.max_x, 50, 1e-9);
    EXPECT_NEAR(box.min_x, 40, 1e-9);
}

TEST(Svg, ColoursGetAPenEachInOrderOfAppearanceAndKeepTheirTrueColour) {
    const Drawing::Impl d =
        model(page("<g color='#0000ff'><line x2='10' stroke='red'/><line x2='10' stroke='#00ff00'/>"
                   "<line x2='10' stroke='rgb(255,0,0)'/><line x2='10' stroke='currentColor'/>"
                   "<rect width='5' height='5' style='fill:#00FF00;stroke:url(#gradient) #123456'/>"
                   "<rect width='5' height='5' stroke='url(#gradient)' fill='none'/></g>"));
    std::vector<std::pair<int, int32_t>> got;
    for (const Entity& e : d.entities) got.emplace_back(e.color, e.true_color);
    const std::vector<std::pair<int, int32_t>> expected = {
        {1, 0xff0000}, {2, 0x00ff00}, {1, 0xff0000},
        {3, 0x0000ff}, {2, 0x00ff00}, {4, 0x123456},  // the fill, then the stroke (fallback colour)
        {5, 0x000000}};                               // a gradient without fallback: black
    EXPECT_EQ(got, expected);
}

TEST(Svg, StyleSheetsOfSimpleSelectorsStyleTheElementsTheyPick) {
    const Drawing::Impl d = model(page(
        "<style>/* as illustration programs write */ .st0{fill:none;stroke:#FF0000}"
        " line, #blue { stroke: #0000FF } rect.st1 {fill:none; stroke:#00FF00}</style>"
        "<path class='st0' d='M0 0 H 5'/><line x2='5'/><path id='blue' d='M0 0 H 5' fill='none'/>"
        "<rect class='other st1' width='5' height='5'/>"
        "<path class='st0' style='stroke:#000000' d='M0 0 H 5'/>"));
    std::vector<int32_t> colours;
    for (const Entity& e : d.entities) colours.push_back(e.true_color);
    EXPECT_EQ(colours, (std::vector<int32_t>{0xff0000, 0x0000ff, 0x0000ff, 0x00ff00, 0x000000}));
}

TEST(Svg, TopLevelGroupsAndLabelledLayersAreTheLayers) {
    const Drawing::Impl d = model(page(
        "<line x2='1' stroke='black'/>"
        "<g id='outline'><line x2='1' stroke='black'/><g><line x2='1' stroke='black'/></g></g>"
        "<g inkscape:groupmode='layer' inkscape:label='Cut lines'><line x2='1' stroke='black'/>"
        "<g inkscape:groupmode='layer' inkscape:label='inner'><line x2='1' stroke='black'/></g></g>"
        "<g><line x2='1' stroke='black'/></g>"));
    std::vector<std::string> layers;
    for (const Entity& e : d.entities) layers.push_back(e.layer);
    EXPECT_EQ(layers, (std::vector<std::string>{"0", "OUTLINE", "OUTLINE", "CUT LINES", "INNER",
                                                "LAYER1"}));
    EXPECT_TRUE(d.layers.count("CUT LINES"));
}

TEST(Svg, TextIsDrawnWithTheStrokeFontAndTheFontIsReported) {
    Drawing::Impl impl;
    std::vector<std::string> notes;
    read_svg(page("<text x='10' y='50' font-size='10' font-family='Arial' fill='blue'>Hi <tspan "
                  "fill='red'>there</tspan></text>"
                  "<text x='90' y='80' font-size='10' text-anchor='end' "
                  "style='font-family:Courier'>end</text>"),
             "t.svg", impl, notes);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("Arial, Courier"), std::string::npos) << notes[0];
    Drawing d = Drawing::from_svg(
        page("<text x='90' y='80' font-size='10' text-anchor='end'>END</text>"), "t.svg");
    const Box box = d.extents();
    EXPECT_NEAR(box.max_x, 90, 1.5);  // ends at x, less the glyph's side bearing
    EXPECT_LT(box.min_x, 85);
    EXPECT_NEAR(box.min_y, 20, 0.5);  // on the baseline, 7 mm caps
    EXPECT_NEAR(box.max_y, 27, 0.5);
    std::vector<int32_t> colours;
    for (const Entity& e : impl.entities) colours.push_back(e.true_color);
    EXPECT_EQ(colours, (std::vector<int32_t>{0x0000ff, 0xff0000, 0x000000}));
}

TEST(Svg, TextRunsAndTspansDrawEachOfTheirCharactersOnce) {
    const Drawing::Impl d =
        model(page("<text x='0' y='50'>Hi <tspan fill='red'>there</tspan> you</text>"));
    size_t traces = 0;
    std::vector<int32_t> colours;
    for (const Entity& e : d.entities) {
        traces += std::get<Shape>(e.what).traces.size();
        colours.push_back(e.true_color);
    }
    size_t expected = 0;
    for (char32_t c : std::u32string(U"Hithereyou"))
        expected += StrokeFont::standard().glyph(c).strokes.size();
    EXPECT_EQ(traces, expected);
    EXPECT_EQ(colours, (std::vector<int32_t>{0, 0xff0000, 0}));
}

TEST(Svg, FillsAreFilledShapesAndImagesAreCountedAsNotDrawn) {
    const Drawing d =
        Drawing::from_svg(page("<rect width='10' height='10' fill='#808080' stroke='black'/><image "
                               "width='5' height='5' href='x.png'/>"),
                          "t.svg");
    const FlatDrawing f = d.flatten(0.01);
    EXPECT_EQ(f.fills.size(), 1u);
    EXPECT_EQ(f.paths.size(), 1u);
    EXPECT_EQ(d.unsupported().at("IMAGE"), 1);
}

TEST(Svg, DocumentsWithoutTheNamespaceAreReadAndBrokenOnesFailNamingTheFile) {
    EXPECT_EQ(
        flat("<svg width='10mm' height='10mm'><line x2='5' stroke='black'/></svg>").paths.size(),
        1u);
    for (const std::string bad : {"<svg", "<html></html>", "", "<svg><path d='M 0 0 L'/></svg"}) {
        SCOPED_TRACE(bad);
        try {
            Drawing::from_svg(bad, "bad.svg");
            ADD_FAILURE() << "read";
        } catch (const DrawingError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("bad.svg: ", 0), 0u) << e.what();
        }
    }
    // Broken values are skipped as browsers skip them; references to themselves end.
    EXPECT_NO_THROW(
        flat(page("<path d='M 0 0 L 10 x' stroke='black'/><rect width='-1' height='2'/>"
                  "<g id='g'><use href='#g'/></g><use href='#missing'/>")));
}

TEST(Svg, DeclaredEntitiesAreExpandedButNoFileIsReadAndReferencesCannotMultiplyWithoutEnd) {
    const std::string declared =
        R"(<?xml version="1.0"?><!DOCTYPE svg [<!ENTITY ns_svg "http://www.w3.org/2000/svg">)"
        R"(<!ENTITY st "fill:none;stroke:#FF0000">]><svg xmlns="&ns_svg;" width="10mm" )"
        R"(height="10mm"><line x2="5" style="&st;"/></svg>)";
    EXPECT_EQ(flat(declared).paths.size(), 1u);
    const std::string external =
        R"(<?xml version="1.0"?><!DOCTYPE svg [<!ENTITY secret SYSTEM "file:///etc/hostname">]>)"
        R"(<svg xmlns="http://www.w3.org/2000/svg"><text x="1" y="5">&secret;</text></svg>)";
    try {
        EXPECT_TRUE(flat(external).paths.empty());
    } catch (const DrawingError&) {
    }
    std::string bomb = "<path id='p0' d='M0 0 L1 1' stroke='black'/>";
    for (int i = 1; i <= 8; ++i) {
        bomb += "<g id='p" + std::to_string(i) + "'>";
        for (int k = 0; k < 10; ++k) bomb += "<use href='#p" + std::to_string(i - 1) + "'/>";
        bomb += "</g>";
    }
    try {
        flat(page("<defs>" + bomb + "</defs><use href='#p8'/>"));
        ADD_FAILURE() << "read";
    } catch (const DrawingError& e) {
        EXPECT_NE(std::string(e.what()).find("t.svg: its <use> references multiply"),
                  std::string::npos)
            << e.what();
    }
}

TEST(DrawingKind, IsToldByContentBeforeTheName) {
    const struct {
        std::string head, path;
        DrawingKind kind;
    } cases[] = {
        {"<?xml version='1.0'?><svg/>", "a.dxf", DrawingKind::kSvg},
        {"\xEF\xBB\xBF  <svg/>", "a", DrawingKind::kSvg},
        {"  0\r\nSECTION\r\n", "a.svg", DrawingKind::kDxf},
        {"999\nmade by hand\n0\nSECTION\n", "a.plt", DrawingKind::kDxf},
        {"AutoCAD Binary DXF\r\n\x1a", "a.plt", DrawingKind::kDxf},
        {"IN;SP1;PU0,0;PD100,0;", "a.plt", DrawingKind::kPlot},
        {"IN;SP1;", "old.DXF", DrawingKind::kDxf},
        {"", "empty.svg", DrawingKind::kSvg},
        {"\x1b.(R0,0J1", "x", DrawingKind::kPlot},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(drawing_kind(c.head, c.path), c.kind);
    }
}

}  // namespace
}  // namespace tvk::host::test
