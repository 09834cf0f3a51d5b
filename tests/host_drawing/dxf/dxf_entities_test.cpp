// Each DXF entity type read from a file produces the geometry it describes.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "host/drawing/model/true_color.h"
#include "tests/host_drawing/dxf/dxf_builder.h"

namespace tvk::host::test {
namespace {

constexpr double kTol = 0.01;

std::string line(double x1, double y1, double x2, double y2, const Groups& extra = {}) {
    Groups g{{8, "0"}};
    g.insert(g.end(), extra.begin(), extra.end());
    g.insert(g.end(), {{10, std::to_string(x1)},
                       {20, std::to_string(y1)},
                       {11, std::to_string(x2)},
                       {21, std::to_string(y2)}});
    return entity("LINE", g);
}

void expect_point(Vec2 p, double x, double y, double tol = 1e-9) {
    EXPECT_NEAR(p.x, x, tol);
    EXPECT_NEAR(p.y, y, tol);
}

// Distance from p to the nearest chord of the path.
double distance_to_path(Vec2 p, const std::vector<Vec2>& path) {
    double best = 1e300;
    for (size_t i = 0; i + 1 < path.size(); ++i) {
        Vec2 a = path[i], b = path[i + 1], ab{b.x - a.x, b.y - a.y};
        double len2 = ab.x * ab.x + ab.y * ab.y;
        double t =
            len2 == 0 ? 0 : std::clamp(((p.x - a.x) * ab.x + (p.y - a.y) * ab.y) / len2, 0.0, 1.0);
        best = std::min(best, std::hypot(p.x - a.x - t * ab.x, p.y - a.y - t * ab.y));
    }
    return best;
}

// Chords stay within the tolerance of a circle: their midpoints too.
void expect_on_circle(const std::vector<Vec2>& path, Vec2 c, double r, double tol) {
    EXPECT_LT(max_radius_error(path, c, r), 1e-9);
    for (size_t i = 0; i + 1 < path.size(); ++i) {
        Vec2 mid{(path[i].x + path[i + 1].x) / 2, (path[i].y + path[i + 1].y) / 2};
        EXPECT_LE(r - std::hypot(mid.x - c.x, mid.y - c.y), tol + 1e-12);
    }
}

TEST(DxfEntities, LineKeepsItsEndsColourAndLineType) {
    auto f = flat(dxf_file(line(1, 2, 3, 4)));
    ASSERT_EQ(f.paths.size(), 1u);
    ASSERT_EQ(f.paths[0].points.size(), 2u);
    expect_point(f.paths[0].points[0], 1, 2);
    expect_point(f.paths[0].points[1], 3, 4);
    EXPECT_EQ(f.paths[0].color, 7);
    EXPECT_EQ(f.paths[0].linetype, "CONTINUOUS");
}

TEST(DxfEntities, TrueColoursTakeTheNearestIndexedColour) {
    EXPECT_EQ(nearest_color_index(0xFF0000), 1);
    EXPECT_EQ(nearest_color_index(0x0000F0), 5);
    EXPECT_EQ(nearest_color_index(0xFF3F00), 20);
    EXPECT_EQ(nearest_color_index(0xA52900), 22);
    EXPECT_EQ(nearest_color_index(0x7FFFFF), 131);
    EXPECT_EQ(nearest_color_index(0x808080), 8);
    EXPECT_EQ(nearest_color_index(0x000000), 7);  // the pen that draws on the paper
    EXPECT_EQ(nearest_color_index(0xFFFFFF), 7);
    // A true colour counts only where no indexed colour is given.
    auto f = flat(
        dxf_file(line(0, 0, 1, 0, {{420, "255"}}) + line(0, 1, 1, 1, {{62, "3"}, {420, "255"}})));
    ASSERT_EQ(f.paths.size(), 2u);
    EXPECT_EQ(f.paths[0].color, 5);
    EXPECT_EQ(f.paths[1].color, 3);
}

TEST(DxfEntities, BulgeOfOneIsAHalfCircleWithinTolerance) {
    auto lw = entity(
        "LWPOLYLINE",
        {{8, "0"}, {90, "2"}, {70, "0"}, {10, "0"}, {20, "0"}, {42, "1"}, {10, "10"}, {20, "0"}});
    auto f = flat(dxf_file(lw), kTol);
    ASSERT_EQ(f.paths.size(), 1u);
    const auto& pts = f.paths[0].points;
    expect_point(pts.front(), 0, 0);
    expect_point(pts.back(), 10, 0);
    expect_on_circle(pts, {5, 0}, 5, kTol);
    // Counter-clockwise from (0,0) to (10,0) around (5,0) passes below the chord.
    EXPECT_NEAR(distance_to_path({5, -5}, pts), 0, kTol);
    EXPECT_GT(pts.size(), 10u);
}

TEST(DxfEntities, ClosedPolylineWithBulgesIsAFullCircle) {
    auto poly = entity("POLYLINE", {{8, "0"}, {66, "1"}, {10, "0"}, {20, "0"}, {70, "1"}}) +
                entity("VERTEX", {{8, "0"}, {10, "0"}, {20, "0"}, {42, "1"}}) +
                entity("VERTEX", {{8, "0"}, {10, "10"}, {20, "0"}, {42, "1"}}) +
                entity("SEQEND", {{8, "0"}});
    auto f = flat(dxf_file(poly), kTol);
    ASSERT_EQ(f.paths.size(), 1u);
    const auto& pts = f.paths[0].points;
    expect_point(pts.front(), 0, 0);
    expect_point(pts.back(), 0, 0);
    expect_on_circle(pts, {5, 0}, 5, kTol);
    EXPECT_NEAR(distance_to_path({5, 5}, pts), 0, kTol);
    EXPECT_NEAR(distance_to_path({5, -5}, pts), 0, kTol);
}

TEST(DxfEntities, CircleArcAndEllipse) {
    auto d = load(dxf_file(
        entity("CIRCLE", {{8, "0"}, {10, "100"}, {20, "0"}, {40, "10"}}) +
        entity("ARC", {{8, "0"}, {10, "0"}, {20, "0"}, {40, "10"}, {50, "0"}, {51, "90"}}) +
        entity("ELLIPSE", {{8, "0"},
                           {10, "0"},
                           {20, "50"},
                           {11, "10"},
                           {21, "0"},
                           {40, "0.5"},
                           {41, "0"},
                           {42, std::to_string(std::numbers::pi / 2)}})));
    Box box = d.extents();
    EXPECT_DOUBLE_EQ(box.max_x, 110);  // the circle's right edge, exactly
    EXPECT_DOUBLE_EQ(box.min_y, -10);
    EXPECT_NEAR(box.max_y, 55, 1e-9);  // the ellipse's minor axis end
    auto f = d.flatten(kTol);
    ASSERT_EQ(f.paths.size(), 3u);
    expect_on_circle(f.paths[0].points, {100, 0}, 10, kTol);
    EXPECT_EQ(f.paths[0].points.front().x, f.paths[0].points.back().x);
    const auto& arc = f.paths[1].points;
    expect_point(arc.front(), 10, 0);
    expect_point(arc.back(), 0, 10);
    expect_on_circle(arc, {0, 0}, 10, kTol);
    const auto& ell = f.paths[2].points;
    expect_point(ell.front(), 10, 50);
    expect_point(ell.back(), 0, 55, 1e-5);  // the end parameter is written with 6 decimals
    for (Vec2 p : ell) EXPECT_NEAR(std::pow(p.x / 10, 2) + std::pow((p.y - 50) / 5, 2), 1, 1e-9);
}

TEST(DxfEntities, ArcWithDownwardExtrusionIsMirrored) {
    // Object coordinates seen from below: x runs to the left in the world.
    auto f = flat(dxf_file(entity("ARC", {{8, "0"},
                                          {10, "5"},
                                          {20, "0"},
                                          {40, "10"},
                                          {50, "0"},
                                          {51, "90"},
                                          {210, "0"},
                                          {220, "0"},
                                          {230, "-1"}})));
    ASSERT_EQ(f.paths.size(), 1u);
    expect_point(f.paths[0].points.front(), -15, 0);
    expect_point(f.paths[0].points.back(), -5, 10);
}

TEST(DxfEntities, SplineFromControlPointsAndFromFitPoints) {
    // A quadratic Bezier: (0,0) (10,10) (20,0) peaks at (10,5).
    auto controls = entity("SPLINE", {{8, "0"},
                                      {70, "8"},
                                      {71, "2"},
                                      {72, "6"},
                                      {73, "3"},
                                      {74, "0"},
                                      {40, "0"},
                                      {40, "0"},
                                      {40, "0"},
                                      {40, "1"},
                                      {40, "1"},
                                      {40, "1"},
                                      {10, "0"},
                                      {20, "0"},
                                      {10, "10"},
                                      {20, "10"},
                                      {10, "20"},
                                      {20, "0"}});
    auto fits = entity("SPLINE", {{8, "0"},
                                  {70, "8"},
                                  {71, "3"},
                                  {72, "0"},
                                  {73, "0"},
                                  {74, "3"},
                                  {11, "0"},
                                  {21, "0"},
                                  {11, "5"},
                                  {21, "5"},
                                  {11, "10"},
                                  {21, "0"}});
    auto d = load(dxf_file(controls + fits));
    EXPECT_TRUE(d.unsupported().empty());
    auto f = d.flatten(kTol);
    ASSERT_EQ(f.paths.size(), 2u);
    expect_point(f.paths[0].points.front(), 0, 0);
    expect_point(f.paths[0].points.back(), 20, 0);
    EXPECT_LE(distance_to_path({10, 5}, f.paths[0].points), kTol);
    // Every chord stays close to the curve: B(t) = (20t, 20t(1-t)).
    for (int i = 0; i <= 100; ++i) {
        double t = i / 100.0;
        EXPECT_LE(distance_to_path({20 * t, 20 * t * (1 - t)}, f.paths[0].points), kTol);
    }
    for (Vec2 fit : {Vec2{0, 0}, Vec2{5, 5}, Vec2{10, 0}})
        EXPECT_LE(distance_to_path(fit, f.paths[1].points), 1e-9);
}

TEST(DxfEntities, PointIsADot) {
    auto f = flat(dxf_file(entity("POINT", {{8, "0"}, {10, "3"}, {20, "4"}})));
    ASSERT_EQ(f.paths.size(), 1u);
    ASSERT_EQ(f.paths[0].points.size(), 2u);
    expect_point(f.paths[0].points[0], 3, 4);
    expect_point(f.paths[0].points[1], 3, 4);
}

TEST(DxfEntities, SolidAndTraceAreFilledInTheirCornerOrder) {
    // Corners 1, 2, 3, 4 of a SOLID outline the area 1-2-4-3.
    auto quad = [](const std::string& type, int color) {
        return entity(type, {{8, "0"},
                             {62, std::to_string(color)},
                             {10, "0"},
                             {20, "0"},
                             {11, "10"},
                             {21, "0"},
                             {12, "0"},
                             {22, "10"},
                             {13, "10"},
                             {23, "10"}});
    };
    auto triangle = entity("SOLID", {{8, "0"},
                                     {10, "0"},
                                     {20, "0"},
                                     {11, "4"},
                                     {21, "0"},
                                     {12, "0"},
                                     {22, "4"},
                                     {13, "0"},
                                     {23, "4"}});
    auto f = flat(dxf_file(quad("SOLID", 2) + quad("TRACE", 4) + triangle));
    EXPECT_TRUE(f.paths.empty());
    ASSERT_EQ(f.fills.size(), 3u);
    EXPECT_EQ(f.fills[0].color, 2);
    EXPECT_EQ(f.fills[1].color, 4);
    ASSERT_EQ(f.fills[0].rings.size(), 1u);
    const auto& ring = f.fills[0].rings[0];
    ASSERT_EQ(ring.size(), 4u);
    expect_point(ring[0], 0, 0);
    expect_point(ring[1], 10, 0);
    expect_point(ring[2], 10, 10);
    expect_point(ring[3], 0, 10);
    EXPECT_EQ(f.fills[2].rings[0].size(), 3u);
}

// A solid hatch, or one of 45 degree lines 3.11 apart (dashed as `dashes` says).
std::string hatch(const std::string& paths, int loops, bool solid = true,
                  const std::string& offset = "2.2", const std::vector<double>& dashes = {}) {
    std::string h = entity("HATCH", {{8, "0"},
                                     {62, "3"},
                                     {10, "0"},
                                     {20, "0"},
                                     {30, "0"},
                                     {210, "0"},
                                     {220, "0"},
                                     {230, "1"},
                                     {2, solid ? "SOLID" : "ANSI31"},
                                     {70, solid ? "1" : "0"},
                                     {71, "0"},
                                     {91, std::to_string(loops)}});
    h += paths;
    h += "75\n1\n76\n1\n";
    if (!solid) {
        h += "52\n0\n41\n1\n77\n0\n78\n1\n53\n45\n43\n0\n44\n0\n45\n-" + offset + "\n46\n" +
             offset + "\n79\n" + std::to_string(dashes.size()) + "\n";
        for (double d : dashes) h += "49\n" + std::to_string(d) + "\n";
    }
    return h + "98\n0\n";
}

std::string polyline_loop(int flags, const std::vector<Vec2>& pts) {
    std::string s =
        "92\n" + std::to_string(flags) + "\n72\n0\n73\n1\n93\n" + std::to_string(pts.size()) + "\n";
    for (Vec2 p : pts) s += "10\n" + std::to_string(p.x) + "\n20\n" + std::to_string(p.y) + "\n";
    return s + "97\n0\n";
}

TEST(DxfEntities, SolidHatchWithAHole) {
    auto f = flat(dxf_file(hatch(polyline_loop(3, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}) +
                                     polyline_loop(2, {{3, 3}, {7, 3}, {7, 7}, {3, 7}}),
                                 2)));
    ASSERT_EQ(f.fills.size(), 1u);
    EXPECT_EQ(f.fills[0].color, 3);
    ASSERT_EQ(f.fills[0].rings.size(), 2u);
    EXPECT_EQ(f.fills[0].rings[0].size(), 4u);
    expect_point(f.fills[0].rings[1][2], 7, 7);
}

TEST(DxfEntities, HatchEdgesLinesArcsAndEllipses) {
    // Right half discs: a counter-clockwise arc, a clockwise arc, an elliptic
    // arc; each closed by a line along the y axis.
    std::string ccw =
        "92\n1\n93\n2\n72\n2\n10\n0\n20\n0\n40\n5\n50\n270\n51\n90\n73\n1\n"
        "72\n1\n10\n0\n20\n5\n11\n0\n21\n-5\n97\n0\n";
    // Clockwise from 90 to 270 degrees through 0: stored mirrored as 270 and 90.
    std::string cw =
        "92\n1\n93\n2\n72\n2\n10\n20\n20\n0\n40\n5\n50\n270\n51\n90\n73\n0\n"
        "72\n1\n10\n20\n20\n-5\n11\n20\n21\n5\n97\n0\n";
    std::string ellipse =
        "92\n1\n93\n2\n72\n3\n10\n40\n20\n0\n11\n0\n21\n10\n40\n0.5\n50\n0\n51\n180\n73\n0\n"
        "72\n1\n10\n40\n20\n-10\n11\n40\n21\n10\n97\n0\n";
    auto f = flat(dxf_file(hatch(ccw, 1) + hatch(cw, 1) + hatch(ellipse, 1)), kTol);
    ASSERT_EQ(f.fills.size(), 3u);
    for (const auto& [fill, cx] : {std::pair{f.fills[0], 0.0}, std::pair{f.fills[1], 20.0}}) {
        ASSERT_EQ(fill.rings.size(), 1u);
        Box box;
        for (Vec2 p : fill.rings[0]) box.add(p);
        EXPECT_NEAR(box.min_x, cx, 1e-9);
        EXPECT_NEAR(box.max_x, cx + 5, kTol);
        EXPECT_NEAR(box.max_y, 5, 1e-9);
        EXPECT_NEAR(box.min_y, -5, 1e-9);
    }
    // Major axis along y (length 10), minor 5, clockwise over the right side.
    Box box;
    for (Vec2 p : f.fills[2].rings[0]) box.add(p);
    EXPECT_NEAR(box.min_x, 40, 1e-9);
    EXPECT_NEAR(box.max_x, 45, kTol);
    EXPECT_NEAR(box.max_y, 10, 1e-9);
}

TEST(DxfEntities, PatternHatchDrawsItsLinesInsideTheBoundary) {
    const std::string square = polyline_loop(3, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    auto d = load(dxf_file(hatch(square, 1, false)));
    EXPECT_TRUE(d.unsupported().empty());
    auto f = d.flatten(kTol);
    EXPECT_TRUE(f.fills.empty());
    // Lines y = x + c, c a multiple of 4.4, from edge to edge of the square.
    ASSERT_EQ(f.paths.size(), 5u);
    for (const Path& p : f.paths) {
        ASSERT_EQ(p.points.size(), 2u);
        Vec2 a = p.points[0], b = p.points[1];
        EXPECT_NEAR(b.y - a.y, b.x - a.x, 1e-9);
        double c = a.y - a.x;
        EXPECT_NEAR(c / 4.4, std::round(c / 4.4), 1e-9);
        for (Vec2 q : {a, b})
            EXPECT_TRUE(std::abs(q.x) < 1e-9 || std::abs(q.x - 10) < 1e-9 || std::abs(q.y) < 1e-9 ||
                        std::abs(q.y - 10) < 1e-9);
    }
    // Dashes of 2 with gaps of 1 along the same lines.
    auto dashed = flat(dxf_file(hatch(square, 1, false, "2.2", {2, -1})), kTol);
    EXPECT_GT(dashed.paths.size(), 10u);
    for (const Path& p : dashed.paths)
        EXPECT_LE(std::hypot(p.points[1].x - p.points[0].x, p.points[1].y - p.points[0].y),
                  2 + 1e-9);
}

TEST(DxfEntities, PatternNamedWithoutItsLinesIsTheStandardOne) {
    // ANSI31 without its lines in a metric drawing: those of acadiso.pat, turned
    // by the pattern angle (group 52) and scaled (group 41).
    const std::string square = polyline_loop(3, {{0, 0}, {100, 0}, {100, 100}, {0, 100}});
    auto named = [&](const std::string& angle, const std::string& scale) {
        std::string h = entity(
            "HATCH",
            {{8, "0"}, {10, "0"}, {20, "0"}, {2, "ANSI31"}, {70, "0"}, {71, "0"}, {91, "1"}});
        h += square + "75\n1\n76\n1\n52\n" + angle + "\n41\n" + scale + "\n77\n0\n78\n0\n98\n0\n";
        return dxf_file(h, "", "", "  9\n$MEASUREMENT\n 70\n1\n");
    };
    auto explicit_lines = flat(dxf_file(hatch(square, 1, false, "2.2450640303")));
    auto standard = load(named("0", "1"));
    EXPECT_TRUE(standard.unsupported().empty());
    auto f = standard.flatten(0.01);
    ASSERT_EQ(f.paths.size(), explicit_lines.paths.size());
    for (size_t i = 0; i < f.paths.size(); ++i)
        for (size_t k = 0; k < 2; ++k) {
            EXPECT_NEAR(f.paths[i].points[k].x, explicit_lines.paths[i].points[k].x, 1e-6);
            EXPECT_NEAR(f.paths[i].points[k].y, explicit_lines.paths[i].points[k].y, 1e-6);
        }
    // Turned a quarter and twice as coarse: lines at 135 degrees 6.35 apart.
    auto turned = load(named("90", "2")).flatten(0.01);
    ASSERT_FALSE(turned.paths.empty());
    EXPECT_LT(turned.paths.size(), f.paths.size() / 2 + 2);
    Vec2 a = turned.paths[0].points[0], b = turned.paths[0].points[1];
    EXPECT_NEAR(b.y - a.y, -(b.x - a.x), 1e-9);
}

TEST(DxfEntities, PatternTooFineForItsAreaDrawsTheBoundaryAndIsReported) {
    auto d =
        load(dxf_file(hatch(polyline_loop(3, {{0, 0}, {10, 0}, {10, 10}}), 1, false, "0.0000001")));
    EXPECT_EQ(d.unsupported().at("HATCH pattern"), 1);
    auto f = d.flatten(kTol);
    ASSERT_EQ(f.paths.size(), 1u);
    EXPECT_EQ(f.paths[0].points.size(), 4u);  // the closed triangle
}

TEST(DxfEntities, UnknownAndUndrawableEntitiesAreCountedByType) {
    auto d = load(dxf_file(line(0, 0, 1, 1) + entity("MLINE", {{8, "0"}, {10, "0"}, {20, "0"}}) +
                           entity("MLINE", {{8, "0"}}) + entity("3DSOLID", {{8, "0"}})));
    EXPECT_EQ(d.unsupported().size(), 2u);
    EXPECT_EQ(d.unsupported().at("MLINE"), 2);
    EXPECT_EQ(d.unsupported().at("3DSOLID"), 1);
    EXPECT_EQ(d.flatten(kTol).paths.size(), 1u);
}

TEST(DxfEntities, InvisibleEntitiesAreNeitherDrawnNorCounted) {
    auto d = load(dxf_file(line(0, 0, 1, 1, {{60, "1"}}) + entity("MLINE", {{8, "0"}, {60, "1"}}) +
                           line(5, 5, 6, 6)));
    EXPECT_TRUE(d.unsupported().empty());
    auto f = d.flatten(kTol);
    ASSERT_EQ(f.paths.size(), 1u);
    EXPECT_EQ(f.paths[0].points[0].x, 5);
}

TEST(DxfEntities, ModelSpaceIsPlottedAndPaperSpaceOnlyWhenItIsAll) {
    auto both = flat(dxf_file(line(0, 0, 1, 1, {{67, "1"}}) + line(5, 5, 6, 6)));
    ASSERT_EQ(both.paths.size(), 1u);
    EXPECT_EQ(both.paths[0].points[0].x, 5);
    auto paper = flat(dxf_file(line(0, 0, 1, 1, {{67, "1"}})));
    EXPECT_EQ(paper.paths.size(), 1u);
}

TEST(DxfEntities, ThreeDFaceDrawsItsVisibleEdges) {
    // Edge 2 (bit 1) is invisible.
    auto f = flat(dxf_file(entity("3DFACE", {{8, "0"},
                                             {10, "0"},
                                             {20, "0"},
                                             {11, "10"},
                                             {21, "0"},
                                             {12, "10"},
                                             {22, "10"},
                                             {13, "0"},
                                             {23, "10"},
                                             {70, "2"}})));
    EXPECT_EQ(f.paths.size(), 3u);
}

TEST(DxfEntities, PolylinesWithWidthAreFilledAndMitred) {
    // An L of constant width 2: two quadrilaterals meeting in a mitre at (10, 0).
    auto f = flat(dxf_file(entity("LWPOLYLINE", {{8, "0"},
                                                 {90, "3"},
                                                 {70, "0"},
                                                 {43, "2"},
                                                 {10, "0"},
                                                 {20, "0"},
                                                 {10, "10"},
                                                 {20, "0"},
                                                 {10, "10"},
                                                 {20, "10"}})));
    EXPECT_TRUE(f.paths.empty());
    ASSERT_EQ(f.fills.size(), 2u);
    Box first;
    for (Vec2 p : f.fills[0].rings[0]) first.add(p);
    EXPECT_NEAR(first.min_y, -1, 1e-9);
    EXPECT_NEAR(first.max_y, 1, 1e-9);
    EXPECT_NEAR(first.min_x, 0, 1e-9);
    EXPECT_NEAR(first.max_x, 11, 1e-9);  // the outer corner of the mitre
    // A tapered old-style polyline: its vertex widths, else the polyline's own;
    // a segment without width is a line.
    auto tapered = flat(dxf_file(
        entity("POLYLINE", {{8, "0"}, {66, "1"}, {70, "0"}, {40, "4"}, {41, "4"}}) +
        entity("VERTEX", {{8, "0"}, {10, "0"}, {20, "0"}, {40, "2"}, {41, "0"}}) +
        entity("VERTEX", {{8, "0"}, {10, "10"}, {20, "0"}, {40, "0"}, {41, "0"}}) +
        entity("VERTEX", {{8, "0"}, {10, "20"}, {20, "0"}}) +
        entity("VERTEX", {{8, "0"}, {10, "30"}, {20, "0"}}) + entity("SEQEND", {{8, "0"}})));
    ASSERT_EQ(tapered.fills.size(), 2u);
    Box taper;
    for (Vec2 p : tapered.fills[0].rings[0]) taper.add(p);
    EXPECT_NEAR(taper.max_y, 1, 1e-9);
    Box wide;
    for (Vec2 p : tapered.fills[1].rings[0]) wide.add(p);
    EXPECT_NEAR(wide.min_x, 20, 1e-9);
    EXPECT_NEAR(wide.max_y, 2, 1e-9);
    ASSERT_EQ(tapered.paths.size(), 1u);
    expect_point(tapered.paths[0].points.front(), 10, 0);
    expect_point(tapered.paths[0].points.back(), 20, 0);
}

std::string vertex(int flags, double x, double y, std::vector<int> corners = {}) {
    Groups g{
        {8, "0"}, {10, std::to_string(x)}, {20, std::to_string(y)}, {70, std::to_string(flags)}};
    for (size_t k = 0; k < corners.size(); ++k)
        g.push_back({static_cast<int>(71 + k), std::to_string(corners[k])});
    return entity("VERTEX", g);
}

TEST(DxfEntities, PolyfaceMeshDrawsTheVisibleEdgesOfItsFaces) {
    // A square of two triangles; the diagonal is hidden (negative index) in both.
    auto f =
        flat(dxf_file(entity("POLYLINE", {{8, "0"}, {66, "1"}, {70, "64"}, {71, "4"}, {72, "2"}}) +
                      vertex(192, 0, 0) + vertex(192, 10, 0) + vertex(192, 10, 10) +
                      vertex(192, 0, 10) + vertex(128, 0, 0, {1, 2, -3}) +
                      vertex(128, 0, 0, {3, 4, -1}) + entity("SEQEND", {{8, "0"}})));
    ASSERT_EQ(f.paths.size(), 4u);
    for (const Path& p : f.paths) {
        ASSERT_EQ(p.points.size(), 2u);
        EXPECT_NEAR(std::hypot(p.points[1].x - p.points[0].x, p.points[1].y - p.points[0].y), 10,
                    1e-12);
    }
}

}  // namespace
}  // namespace tvk::host::test
