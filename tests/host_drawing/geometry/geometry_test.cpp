// Curves flattened to chords stay within the tolerance; transforms and
// bounds are exact.
#include "host/drawing/geometry/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace tvk::host {
namespace {

double distance_to_polyline(Vec2 p, const std::vector<Vec2>& line) {
    double best = 1e300;
    for (size_t i = 0; i + 1 < line.size(); ++i)
        best = std::min(best, distance_to_segment(p, line[i], line[i + 1]));
    return best;
}

// The curve, sampled densely, never strays further than `tol` from the chords.
template <typename Curve>
void expect_within(const Curve& at, double t0, double t1, const std::vector<Vec2>& chords,
                   double tol) {
    double worst = 0;
    for (int i = 0; i <= 2000; ++i)
        worst = std::max(worst, distance_to_polyline(at(t0 + (t1 - t0) * i / 2000), chords));
    EXPECT_LE(worst, tol * (1 + 1e-9));
}

TEST(Geometry, EllipticArcsUnderAnyTransformStayWithinTolerance) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-3, 3);
    for (int round = 0; round < 20; ++round) {
        double t0 = u(rng);
        EllipseArc arc{{u(rng), u(rng)},
                       {5 + u(rng), u(rng)},
                       {u(rng), 2 + u(rng) / 2},
                       t0,
                       t0 + u(rng) * std::numbers::pi / 3};
        Affine m{u(rng), u(rng), u(rng), u(rng), u(rng), u(rng)};
        EllipseArc placed = arc.transformed(m);
        for (double tol : {0.5, 0.01}) {
            auto chords = placed.flatten(tol);
            EXPECT_EQ(chords.front(), placed.at(placed.t0));
            EXPECT_EQ(chords.back(), placed.at(placed.t1));
            expect_within([&](double t) { return m.apply(arc.at(t)); }, arc.t0, arc.t1, chords,
                          tol);
        }
    }
}

TEST(Geometry, ArcsOfAnyAnglesDrawAtMostOneTurn) {
    // Angles far beyond a turn, as broken files give them: one turn, at once.
    for (auto [t0, t1] :
         {std::pair{0.0, 1e6}, std::pair{1e300, -1e300}, std::pair{1e20, 1e20 + 1}}) {
        EllipseArc arc{{0, 0}, {2, 0}, {0, 1}, t0, t1};
        auto chords = arc.flatten(0.001);
        EXPECT_LT(chords.size(), 200u);
        for (Vec2 p : chords) EXPECT_NEAR(p.x * p.x / 4 + p.y * p.y, 1, 1e-9);
        Box b = arc.bounds();
        EXPECT_LE(b.max_x, 2 + 1e-9);
        EXPECT_GE(b.min_y, -1 - 1e-9);
    }
}

TEST(Geometry, EllipseBoundsAreExact) {
    EllipseArc tilted{{10, 20}, {6, 3}, {-1, 2}, 0, 2 * std::numbers::pi};
    Box b = tilted.bounds();
    Box sampled;
    for (int i = 0; i < 100000; ++i) sampled.add(tilted.at(2 * std::numbers::pi * i / 100000));
    EXPECT_NEAR(b.min_x, sampled.min_x, 1e-6);
    EXPECT_NEAR(b.max_x, sampled.max_x, 1e-6);
    EXPECT_NEAR(b.min_y, sampled.min_y, 1e-6);
    EXPECT_NEAR(b.max_y, sampled.max_y, 1e-6);
    EXPECT_LE(b.min_x, sampled.min_x);
    // A quarter arc reaches no extreme it does not pass.
    Box quarter = EllipseArc{{0, 0}, {1, 0}, {0, 1}, 0, std::numbers::pi / 2}.bounds();
    EXPECT_DOUBLE_EQ(quarter.min_x, std::cos(std::numbers::pi / 2));
    EXPECT_DOUBLE_EQ(quarter.max_x, 1);
    EXPECT_DOUBLE_EQ(quarter.max_y, 1);
}

TEST(Geometry, BulgesAndObjectCoordinates) {
    // A negative bulge turns clockwise: from (0,0) to (10,0) over the top.
    EllipseArc over = bulge_arc({0, 0}, {10, 0}, -1);
    Vec2 mid = over.at((over.t0 + over.t1) / 2);
    EXPECT_NEAR(mid.x, 5, 1e-12);
    EXPECT_NEAR(mid.y, 5, 1e-12);
    // A quarter circle: bulge tan(90/4).
    EllipseArc quarter = bulge_arc({1, 0}, {0, 1}, std::tan(std::numbers::pi / 8));
    EXPECT_NEAR(quarter.c.x, 0, 1e-12);
    EXPECT_NEAR(quarter.c.y, 0, 1e-12);

    Affine down = Affine::ocs(0, 0, -1);
    EXPECT_EQ(down.apply({1, 0}), (Vec2{-1, 0}));
    EXPECT_EQ(down.apply({0, 1}), (Vec2{0, 1}));
    EXPECT_TRUE(Affine::ocs(0, 0, 1).is_identity());
    // Composition applies the right-hand transform first.
    Affine both = Affine::translate({5, 0}) * Affine::rotate(std::numbers::pi / 2);
    Vec2 p = both.apply({1, 0});
    EXPECT_NEAR(p.x, 5, 1e-12);
    EXPECT_NEAR(p.y, 1, 1e-12);
    EXPECT_NEAR(Affine::scale(3, -2).max_stretch(), 3, 1e-12);
}

TEST(Geometry, BSplinesAreFlattenedWithinTolerance) {
    BSpline s;
    s.degree = 3;
    s.control = {{0, 0}, {10, 30}, {20, -30}, {30, 30}, {40, -30}, {50, 0}};
    s.knots = {0, 0, 0, 0, 1, 2, 3, 3, 3, 3};
    ASSERT_TRUE(s.valid());
    for (double tol : {1.0, 0.01}) {
        auto chords = s.flatten(tol);
        EXPECT_EQ(chords.front(), (Vec2{0, 0}));
        EXPECT_NEAR(chords.back().x, 50, 1e-12);
        expect_within([&](double t) { return s.at(t); }, 0, 3, chords, tol);
    }
    // A rational quadratic is an exact quarter circle.
    BSpline arc;
    arc.degree = 2;
    arc.control = {{1, 0}, {1, 1}, {0, 1}};
    arc.weights = {1, std::sqrt(0.5), 1};
    arc.knots = {0, 0, 0, 1, 1, 1};
    for (Vec2 p : arc.flatten(1e-4)) EXPECT_NEAR(std::hypot(p.x, p.y), 1, 1e-12);
    // Broken knot vectors are refused.
    BSpline broken = s;
    broken.knots.pop_back();
    EXPECT_FALSE(broken.valid());
    broken = s;
    broken.knots[5] = -1;
    EXPECT_FALSE(broken.valid());
    // A degree no CAD program makes, that would only cost time.
    BSpline steep;
    steep.degree = BSpline::kMaxDegree + 1;
    steep.control.assign(steep.degree + 1, Vec2{});
    steep.knots.assign(steep.degree + 1, 0.0);
    steep.knots.insert(steep.knots.end(), steep.degree + 1, 1.0);
    EXPECT_FALSE(steep.valid());
    --steep.degree;
    steep.control.pop_back();
    steep.knots.erase(steep.knots.begin());
    steep.knots.pop_back();
    EXPECT_TRUE(steep.valid());
}

TEST(Geometry, FitPointsMakeTheSplineCadProgramsMake) {
    // The control points that BricsCAD and ezdxf find for these fit points,
    // with estimated end tangents and with given ones.
    const std::vector<Vec2> fit{{0, 0}, {10, 10}, {20, 0}, {30, 15}, {40, 5}};
    auto expect_controls = [](const std::optional<BSpline>& s, const std::vector<Vec2>& want) {
        ASSERT_TRUE(s);
        ASSERT_EQ(s->control.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            EXPECT_NEAR(s->control[i].x, want[i].x, 1e-5) << i;
            EXPECT_NEAR(s->control[i].y, want[i].y, 1e-5) << i;
        }
    };
    auto estimated = interpolate_fit_points(fit);
    expect_controls(estimated, {{0, 0},
                                {2.108185, 4.21637},
                                {10.304725, 17.813487},
                                {21.729755, -11.09741},
                                {27.410025, 24.589924},
                                {38.085445, 9.307749},
                                {40, 5}});
    expect_controls(interpolate_fit_points(fit, Vec2{0, 1}, Vec2{1, 0}), {{0, 0},
                                                                          {0, 4.714045},
                                                                          {11.372848, 17.734883},
                                                                          {21.003012, -11.604782},
                                                                          {29.180327, 27.165353},
                                                                          {35.285955, 5},
                                                                          {40, 5}});
    for (size_t i = 0; i < fit.size(); ++i) {
        Vec2 p = estimated->at(estimated->knots[3 + i]);
        EXPECT_NEAR(p.x, fit[i].x, 1e-9);
        EXPECT_NEAR(p.y, fit[i].y, 1e-9);
    }
    // Thousands of fit points solve quickly (the system is banded).
    std::vector<Vec2> wave;
    for (int i = 0; i < 5000; ++i) wave.push_back({i * 1.0, std::sin(i * 0.1)});
    auto long_one = interpolate_fit_points(wave);
    ASSERT_TRUE(long_one);
    EXPECT_NEAR(long_one->at(long_one->knots[3 + 2500]).y, std::sin(250.0), 1e-9);
    // Too few points, or a point repeated: none.
    EXPECT_FALSE(interpolate_fit_points({{0, 0}, {1, 1}}));
    EXPECT_FALSE(interpolate_fit_points({{0, 0}, {1, 1}, {1, 1}, {2, 0}}));
}

TEST(Geometry, FitPointCurvesPassThroughTheirPoints) {
    std::vector<Vec2> fit{{0, 0}, {10, 10}, {20, 0}, {30, 10}, {30, 10}, {40, 0}};
    auto chords = flatten_fit_points(fit, 0.01);
    for (Vec2 p : fit) EXPECT_LT(distance_to_polyline(p, chords), 1e-9);
    EXPECT_EQ(chords.back(), fit.back());
}

}  // namespace
}  // namespace tvk::host
