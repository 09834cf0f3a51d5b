// Pen-motion optimisation keeps every drawn segment (but exact overlaps at
// levels 5 and 6) and shortens the pen-up travel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <tuple>

#include "host/plotting/ordering/ordering.h"
#include "host/plotting/ordering/packed_paths.h"

namespace tvk::host {
namespace {

using Point = std::pair<int32_t, int32_t>;
using SegmentSet = std::multiset<std::tuple<int, int, Point, Point>>;

// Every segment as pen, line type and its ends in order: direction does not matter.
SegmentSet segments(const std::vector<PenPath>& paths) {
    SegmentSet out;
    for (const auto& p : paths) {
        if (p.points.size() == 1) out.insert({p.pen, p.line_type, p.points[0], p.points[0]});
        for (size_t i = 0; i + 1 < p.points.size(); ++i)
            out.insert({p.pen, p.line_type, std::min(p.points[i], p.points[i + 1]),
                        std::max(p.points[i], p.points[i + 1])});
    }
    return out;
}

double drawn_length(const std::vector<PenPath>& paths) {
    double total = 0;
    for (const auto& p : paths)
        for (size_t i = 0; i + 1 < p.points.size(); ++i)
            total += std::hypot(double(p.points[i + 1].first) - p.points[i].first,
                                double(p.points[i + 1].second) - p.points[i].second);
    return total;
}

std::vector<PenPath> random_paths(size_t count, int span, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> coord(0, span), pen(1, 4), length(1, 4), style(0, 1);
    std::vector<PenPath> paths;
    for (size_t i = 0; i < count; ++i) {
        PenPath p{pen(rng), style(rng), 0, {}};
        int n = length(rng) + 1;
        for (int k = 0; k < n; ++k) p.points.push_back({coord(rng), coord(rng)});
        if (i % 7 == 0) p.points.push_back(p.points.front());  // some closed ones
        paths.push_back(p);
    }
    return paths;
}

TEST(Optimize, EveryLevelKeepsTheSegmentsAndShortensTravel) {
    auto original = random_paths(3000, 30000, 1);
    const auto before = segments(original);
    const double travel = pen_up_travel(original);
    double previous = travel;
    for (int level = 1; level <= 4; ++level) {
        auto paths = original;
        optimize_paths(paths, level);
        EXPECT_EQ(segments(paths), before) << "level " << level;
        double now = pen_up_travel(paths);
        EXPECT_LT(now, previous) << "level " << level;
        previous = now;
    }
    EXPECT_LT(previous, travel / 5);
}

TEST(Optimize, LevelZeroChangesNothingAndPensAreSortedFromLevelTwo) {
    auto paths = random_paths(200, 1000, 2);
    auto same = paths;
    optimize_paths(same, 0);
    EXPECT_EQ(segments(same), segments(paths));
    EXPECT_EQ(pen_up_travel(same), pen_up_travel(paths));
    for (int level : {2, 3, 4, 6}) {
        auto sorted = paths;
        optimize_paths(sorted, level);
        EXPECT_TRUE(
            std::is_sorted(sorted.begin(), sorted.end(),
                           [](const PenPath& a, const PenPath& b) { return a.pen < b.pen; }))
            << "level " << level;
    }
    // Level 1 only turns paths round: the order of the pens stays.
    auto turned = paths;
    optimize_paths(turned, 1);
    for (size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(turned[i].pen, paths[i].pen);
}

TEST(Optimize, FullOptimisationJoinsContinuationsAndEntersLoopsAtTheNearestCorner) {
    std::vector<PenPath> joined{{1, 0, 0, {{10, 0}, {10, 10}}}, {1, 0, 0, {{0, 0}, {10, 0}}}};
    optimize_paths(joined, 4);
    ASSERT_EQ(joined.size(), 1u);
    EXPECT_EQ(joined[0].points, (std::vector<Point>{{0, 0}, {10, 0}, {10, 10}}));

    // Different line types are not joined.
    std::vector<PenPath> styled{{1, 0, 0, {{0, 0}, {10, 0}}}, {1, 2, 0, {{10, 0}, {10, 10}}}};
    optimize_paths(styled, 4);
    EXPECT_EQ(styled.size(), 2u);

    std::vector<PenPath> loop{
        {1, 0, 0, {{200, 200}, {100, 200}, {100, 100}, {200, 100}, {200, 200}}}};
    auto before = segments(loop);
    optimize_paths(loop, 4);
    EXPECT_EQ(loop[0].points.front(), (Point{100, 100}));
    EXPECT_EQ(loop[0].points.back(), (Point{100, 100}));
    EXPECT_EQ(segments(loop), before);
}

TEST(Optimize, LevelFiveRemovesHorizontalAndVerticalOverlaps) {
    auto rectangle = [](int x0, int y0, int x1, int y1) {
        return PenPath{1, 0, 0, {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}};
    };
    // Two rectangles sharing part of the edge x = 10 (no vertex: touching
    // loops are drawn as one); a line drawn over half of another,
    // backwards; a diagonal drawn twice; the same edge in another pen.
    std::vector<PenPath> paths{rectangle(0, 0, 10, 10),        rectangle(10, 2, 20, 8),
                               {1, 0, 0, {{0, 50}, {10, 50}}}, {1, 0, 0, {{15, 50}, {5, 50}}},
                               {1, 0, 0, {{0, 0}, {30, 30}}},  {1, 0, 0, {{30, 30}, {20, 20}}},
                               {2, 0, 0, {{10, 0}, {10, 10}}}};
    auto level5 = paths;
    optimize_paths(level5, 5);
    // 72 + 15 + 2 diagonals + 10 in pen 2, less the shared part.
    double diagonals = std::hypot(30, 30) + std::hypot(10, 10);
    EXPECT_NEAR(drawn_length(level5), 66 + 15 + diagonals + 10, 1e-9);
    auto level6 = paths;
    optimize_paths(level6, 6);
    EXPECT_NEAR(drawn_length(level6), 66 + 15 + std::hypot(30, 30) + 10, 1e-9);
    // What remains is part of what was there: the line at y = 50 from 0 to
    // 15 (whichever stroke keeps the shared part), the edge in pen 2.
    SegmentSet kept = segments(level6);
    int32_t low = 100, high = -100;
    for (const auto& [pen, type, a, b] : kept)
        if (a.second == 50 && b.second == 50)
            low = std::min(low, a.first), high = std::max(high, b.first);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 15);
    EXPECT_EQ(kept.count({2, 0, Point{10, 0}, Point{10, 10}}), 1u);
}

TEST(Optimize, OverlapRemovalKeepsTheDrawnPointsOfRandomAxisDrawings) {
    // Short horizontal and vertical strokes on a coarse grid overlap a lot.
    std::mt19937 rng(5);
    std::uniform_int_distribution<int32_t> cell(0, 20), step(1, 5), coin(0, 1);
    std::vector<PenPath> paths;
    for (int i = 0; i < 2000; ++i) {
        Point a{cell(rng) * 10, cell(rng) * 10};
        Point b = coin(rng) ? Point{a.first + step(rng) * 10, a.second}
                            : Point{a.first, a.second + step(rng) * 10};
        paths.push_back({1, 0, 0, {a, b}});
    }
    // Every grid point on a drawn stroke, before and after.
    auto covered = [](const std::vector<PenPath>& ps) {
        std::set<Point> cells;
        for (const auto& p : ps)
            for (size_t i = 0; i + 1 < p.points.size(); ++i) {
                Point a = p.points[i], b = p.points[i + 1];
                int n = std::max(std::abs(b.first - a.first), std::abs(b.second - a.second));
                for (int k = 0; k <= n; ++k)
                    cells.insert({a.first + (b.first - a.first) * k / n,
                                  a.second + (b.second - a.second) * k / n});
            }
        return cells;
    };
    auto optimised = paths;
    optimize_paths(optimised, 5);
    EXPECT_EQ(covered(optimised), covered(paths));
    EXPECT_LT(drawn_length(optimised), drawn_length(paths) / 2);
}

TEST(Optimize, ManySegmentsAndDegenerateInput) {
    // A large drawing (the k-d tree), and thousands of copies of one dot.
    auto many = random_paths(20000, 60000, 3);
    auto before = segments(many);
    optimize_paths(many, 4);
    EXPECT_EQ(segments(many), before);

    std::vector<PenPath> dots(20000, PenPath{1, 0, 0, {{5, 5}, {5, 5}}});
    before = segments(dots);
    optimize_paths(dots, 6);
    EXPECT_EQ(segments(dots), before);
    EXPECT_DOUBLE_EQ(pen_up_travel(dots), std::hypot(5, 5));
}

// Short strokes on a coarse grid: they overlap and meet a lot.
std::vector<PenPath> grid_strokes(size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> cell(0, 40), step(-3, 3), pen(1, 2);
    std::vector<PenPath> paths;
    for (size_t i = 0; i < count; ++i) {
        Point a{cell(rng) * 10, cell(rng) * 10};
        Point b{a.first + step(rng) * 10, a.second + step(rng) * 10};
        paths.push_back({pen(rng), 0, 0, {a, b}});
    }
    return paths;
}

TEST(Optimize, NoLevelFromTwoUpTravelsMoreThanTheOneBelow) {
    const std::vector<std::vector<PenPath>> drawings{random_paths(2000, 30000, 11),
                                                     random_paths(300, 500, 12),
                                                     grid_strokes(3000, 13), grid_strokes(500, 14)};
    for (size_t d = 0; d < drawings.size(); ++d) {
        double previous = 1e300;
        for (int level = 2; level <= 6; ++level) {
            auto paths = drawings[d];
            optimize_paths(paths, level);
            if (level <= 4) {
                EXPECT_EQ(segments(paths), segments(drawings[d]));
            }
            const double travel = pen_up_travel(paths);
            EXPECT_LE(travel, previous) << "drawing " << d << ", level " << level;
            previous = travel;
        }
    }
}

TEST(Optimize, TheRoutesBudgetIsOfWorkSoThatAPlanIsTheSameEveryTime) {
    const std::vector<PenPath> drawing = random_paths(20000, 200000, 21);
    NoProgress progress;
    auto planned = [&](double moves_per_path) {
        auto paths = drawing;
        optimize_paths(paths, 4, OrderCosts{0, 0, moves_per_path}, progress);
        return paths;
    };
    // No moves: the nearest-neighbour route; a few a path: part of the way
    // from it to the route no move improves.
    const auto none = planned(0), few = planned(2), standard = planned(kRouteMovesPerPath),
               unlimited = planned(INFINITY);
    EXPECT_GT(pen_up_travel(none), pen_up_travel(few));
    EXPECT_GT(pen_up_travel(few), pen_up_travel(unlimited));
    // The standard budget lets CAD-like drawings run to the end.
    EXPECT_EQ(pen_up_travel(standard), pen_up_travel(unlimited));
    // Cut short or not, the same drawing gives the same plan.
    for (const double budget : {2.0, kRouteMovesPerPath}) {
        const auto again = planned(budget);
        const auto& first = budget == 2.0 ? few : standard;
        ASSERT_EQ(again.size(), first.size());
        for (size_t i = 0; i < again.size(); ++i) ASSERT_EQ(again[i].points, first[i].points);
    }
}

TEST(Optimize, PathsThatMeetBecomeOnePathWhicheverWayTheyRun) {
    // A chain of five strokes given out of order, some backwards; a square of
    // four strokes; three strokes meeting at one point make two paths.
    std::vector<PenPath> chain{{1, 0, 0, {{20, 0}, {30, 0}}},    {1, 0, 0, {{50, 5}, {40, 0}}},
                               {1, 0, 0, {{0, 0}, {10, 0}}},     {1, 0, 0, {{30, 0}, {40, 0}}},
                               {1, 0, 0, {{20, 0}, {10, 0}}},    {2, 0, 0, {{0, 90}, {10, 90}}},
                               {2, 0, 0, {{10, 100}, {0, 100}}}, {2, 0, 0, {{10, 90}, {10, 100}}},
                               {2, 0, 0, {{0, 100}, {0, 90}}},   {3, 0, 0, {{0, 0}, {5, 5}}},
                               {3, 0, 0, {{5, 5}, {9, 0}}},      {3, 0, 0, {{5, 5}, {5, 9}}}};
    auto paths = chain;
    optimize_paths(paths, 4);
    EXPECT_EQ(segments(paths), segments(chain));
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_EQ(paths[0].points.size(), 6u);
    EXPECT_EQ(paths[1].points.size(), 5u);
    EXPECT_EQ(paths[1].points.front(), paths[1].points.back());
    EXPECT_EQ(paths[2].pen, 3);
}

TEST(Optimize, LoopsTouchingAPathAtAVertexAreDrawnAsDetoursOfIt) {
    const auto square = [](int32_t x, int32_t y, int32_t side, int pen = 1, int style = 0) {
        return PenPath{
            pen, style, 0, {{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}, {x, y}}};
    };
    // A line with a square hanging from its middle vertex, a second square
    // from a far corner of the first (a chain of loops), a third from the
    // line's end; a square touching them only in another style, and one
    // only in another pen; and apart, two squares sharing a corner.
    const std::vector<PenPath> drawing{
        {1, 0, 0, {{0, 0}, {100, 0}, {200, 0}}},
        square(100, 0, 30),
        square(130, 30, 20),
        square(200, 0, 10),
        square(0, 0, 10, 1, 3),
        square(0, 0, 10, 2),
        square(1000, 1000, 50),
        square(1050, 1050, 50),
    };
    for (int level = 4; level <= 6; ++level) {
        auto paths = drawing;
        optimize_paths(paths, level);
        EXPECT_EQ(segments(paths), segments(drawing)) << level;
        // The line and its three loops, the squares in their own style and
        // pen, and the two squares apart as one.
        EXPECT_EQ(paths.size(), 4u) << level;
        // Each is drawn without lifting the pen: point after point.
        for (const PenPath& p : paths) EXPECT_GE(p.points.size(), 5u) << level;
    }
    // Drawings of many loops touching lines and each other: the same plan
    // every time, and every segment kept.
    std::mt19937 rng(17);
    std::uniform_int_distribution<int32_t> cell(0, 30), side(1, 3), coin(0, 2);
    std::vector<PenPath> many;
    for (int i = 0; i < 3000; ++i) {
        const int32_t x = cell(rng) * 10, y = cell(rng) * 10;
        if (coin(rng) == 0)
            many.push_back({1, 0, 0, {{x, y}, {x + side(rng) * 10, y}}});
        else
            many.push_back(square(x, y, side(rng) * 10));
    }
    auto first = many, second = many;
    optimize_paths(first, 4);
    optimize_paths(second, 4);
    EXPECT_EQ(segments(first), segments(many));
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i) ASSERT_EQ(first[i].points, second[i].points);
}

TEST(Optimize, StoppedThroughItsProgressItLeavesEveryPathDrawnOnce) {
    // A progress that stops the work at its n-th report, as Ctrl-C does.
    struct StopAt : WorkProgress {
        int left;
        explicit StopAt(int n) : left(n) {}
        void step(const char*, uint64_t, uint64_t) override {
            if (--left == 0) throw std::runtime_error("stop");
        }
    };
    struct Count : WorkProgress {
        int steps = 0;
        void step(const char*, uint64_t, uint64_t) override { ++steps; }
    };
    const auto original = random_paths(5000, 30000, 21);
    for (int level : {4, 6}) {
        auto whole = original;
        Count count;
        optimize_paths(whole, level, OrderCosts{}, count);
        // Stopped early, late, and in each stage between.
        for (int n :
             {1, 2, 5, count.steps / 4, count.steps / 2, count.steps * 3 / 4, count.steps}) {
            auto paths = original;
            StopAt stop(n);
            EXPECT_THROW(optimize_paths(paths, level, OrderCosts{}, stop), std::runtime_error);
            EXPECT_EQ(segments(paths), segments(original)) << "level " << level << ", step " << n;
        }
    }
}

TEST(Optimize, PackedPathsComeBackAsTheyWere) {
    constexpr int32_t lo = INT32_MIN, hi = INT32_MAX;
    std::vector<PenPath> paths = random_paths(500, 30000, 31);
    paths.push_back({-7, 2, 35, {{lo, hi}, {hi, lo}, {lo, lo}, {0, 0}}});
    paths.push_back({255, 0, 0, {}});
    paths.push_back({1, 0, 0, {{hi, hi}}});
    const auto back = PackedPaths(paths).unpack();
    ASSERT_EQ(back.size(), paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(std::tie(back[i].pen, back[i].line_type, back[i].speed, back[i].points),
                  std::tie(paths[i].pen, paths[i].line_type, paths[i].speed, paths[i].points))
            << "path " << i;
    }
}

TEST(Optimize, PenUpTravelStartsAtTheOrigin) {
    std::vector<PenPath> paths{
        {1, 0, 0, {{3, 4}, {3, 4}}}, {1, 0, 0, {{3, 4}, {6, 8}}}, {1, 0, 0, {{6, 0}}}};
    EXPECT_DOUBLE_EQ(pen_up_travel(paths), 5 + 0 + 8);
    EXPECT_EQ(pen_up_travel({}), 0);
}

}  // namespace
}  // namespace tvk::host
