// The bounds a plan is shown against: the fewest strokes of the ink (worked
// out by hand on small graphs), the least pen-up travel (against a plain
// spanning tree over every pair of paths), and that no plan beats either.
#include "host/plotting/ordering/plan_bounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace tvk::host {
namespace {

using Points = std::vector<std::pair<int32_t, int32_t>>;

PenPath path(Points points, int pen = 1, int line_type = 0) {
    return {pen, line_type, 0, std::move(points)};
}

TEST(FewestStrokes, HalfThePointsWhereAnOddNumberOfSegmentsMeetInEachConnectedPart) {
    struct Case {
        const char* what;
        std::vector<PenPath> paths;
        size_t strokes;
    };
    const std::vector<Case> cases = {
        {"nothing", {}, 0},
        {"a square of four lines",
         {path({{0, 0}, {10, 0}}), path({{10, 0}, {10, 10}}), path({{10, 10}, {0, 10}}),
          path({{0, 10}, {0, 0}})},
         1},
        {"a cross of four arms from its centre",
         {path({{0, 0}, {10, 0}}), path({{0, 0}, {-10, 0}}), path({{0, 0}, {0, 10}}),
          path({{0, 0}, {0, -10}})},
         2},
        {"two lines apart", {path({{0, 0}, {10, 0}}), path({{20, 0}, {30, 0}})}, 2},
        // A line ending inside another: (10, 0) has three segments.
        {"a T-junction", {path({{0, 0}, {10, 0}, {20, 0}}), path({{10, 0}, {10, 10}})}, 2},
        // Two closed squares that share only a vertex inside each: one stroke
        // draws both, which it could not were they apart.
        {"squares sharing an inner vertex",
         {path({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}),
          path({{20, 20}, {10, 20}, {10, 10}, {20, 10}, {20, 20}})},
         1},
        {"the same squares apart",
         {path({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}),
          path({{30, 30}, {20, 30}, {20, 20}, {30, 20}, {30, 30}})},
         2},
        // The same places in other pens or styles are no junctions.
        {"a square in two pens",
         {path({{0, 0}, {10, 0}}, 1), path({{10, 0}, {10, 10}}, 2), path({{10, 10}, {0, 10}}, 1),
          path({{0, 10}, {0, 0}}, 2)},
         4},
        {"a square in two styles",
         {path({{0, 0}, {10, 0}, {10, 10}}, 1, 0), path({{10, 10}, {0, 10}, {0, 0}}, 1, 2)},
         2},
        {"a dot, and a dot on a line",
         {path({{50, 50}}), path({{5, 0}}), path({{0, 0}, {5, 0}, {10, 0}})},
         2},
    };
    for (const Case& c : cases) EXPECT_EQ(fewest_strokes(c.paths), c.strokes) << c.what;
}

// Prim's tree over the paths, each pair joined by its nearest stops, plus
// the move from home: the bound by its definition.
double least_travel_by_pairs(const PathStops& s) {
    const size_t n = s.first.size() - 1;
    auto between = [&](size_t a, size_t b) {
        double best = INFINITY;
        for (uint32_t i = s.first[a]; i < s.first[a + 1]; ++i)
            for (uint32_t j = s.first[b]; j < s.first[b + 1]; ++j)
                best = std::min(best, std::hypot(double(s.points[i].first) - s.points[j].first,
                                                 double(s.points[i].second) - s.points[j].second));
        return best;
    };
    std::vector<double> reach(n, INFINITY);
    std::vector<bool> in(n, false);
    double total = INFINITY;
    for (const auto& p : s.points) total = std::min(total, std::hypot(p.first, p.second));
    reach[0] = 0;
    for (size_t round = 0; round < n; ++round) {
        size_t next = n;
        for (size_t k = 0; k < n; ++k)
            if (!in[k] && (next == n || reach[k] < reach[next])) next = k;
        in[next] = true;
        total += reach[next];
        for (size_t k = 0; k < n; ++k)
            if (!in[k]) reach[k] = std::min(reach[k], between(next, k));
    }
    return total;
}

TEST(LeastTravel, IsTheSpanningTreeOverThePathsNearestStopsPlusTheMoveFromHome) {
    // Two lines along the axis: 10 from home, 10 between them.
    PathStops line;
    line.add({{10, 0}, {15, 0}, {20, 0}});
    line.add({{40, 0}, {30, 0}});
    EXPECT_DOUBLE_EQ(least_travel(line), 20);
    // A closed path can be entered at any vertex: its far corner is nearest.
    PathStops loop;
    loop.add({{100, 100}, {200, 100}, {200, 200}, {100, 200}, {100, 100}});
    loop.add({{200, 250}, {300, 300}});
    EXPECT_DOUBLE_EQ(least_travel(loop), std::hypot(100, 100) + 50);
    // A filled polygon's outline is closed without repeating its start.
    PathStops polygon;
    polygon.add({{100, 100}, {200, 100}, {200, 200}}, true);
    polygon.add({{200, 250}, {300, 300}});
    EXPECT_DOUBLE_EQ(least_travel(polygon), std::hypot(100, 100) + 50);

    // Clusters of short lines, loops and points: the tree found through the
    // k-d tree is the one over every pair of paths.
    std::mt19937 random(7);
    for (int trial = 0; trial < 20; ++trial) {
        PathStops stops;
        std::uniform_int_distribution<int32_t> cluster(0, 3), spread(-300, 300), shape(0, 2),
            far(0, 20000);
        std::vector<std::pair<int32_t, int32_t>> centres;
        for (int c = 0; c < 4; ++c) centres.push_back({far(random), far(random)});
        for (int k = 0; k < 150; ++k) {
            const auto c = centres[static_cast<size_t>(cluster(random))];
            const std::pair<int32_t, int32_t> a{c.first + spread(random),
                                                c.second + spread(random)};
            switch (shape(random)) {
                case 0:
                    stops.add({a, {a.first + spread(random), a.second + spread(random)}});
                    break;
                case 1:
                    stops.add({a, {a.first + 40, a.second}, {a.first, a.second + 40}, a});
                    break;
                default:
                    stops.add({a});
                    break;
            }
        }
        EXPECT_NEAR(least_travel(stops), least_travel_by_pairs(stops), 1e-6) << trial;
    }
}

// Random paths on a coarse lattice (many stops in a line, on one circle or
// at one place, where a triangulation must be exact), with every coordinate
// scaled and shifted by `scale` and `shift`; `cells` a side.
PathStops lattice_stops(std::mt19937& random, int paths, int32_t scale, int32_t shift,
                        int32_t cells = 12) {
    std::uniform_int_distribution<int32_t> grid(0, cells), shape(0, 3), length(1, 5);
    const auto at = [&](int32_t x, int32_t y) {
        return std::pair<int32_t, int32_t>{x * scale + shift, y * scale + shift};
    };
    PathStops stops;
    for (int k = 0; k < paths; ++k) {
        const int32_t x = grid(random), y = grid(random);
        switch (shape(random)) {
            case 0:
                stops.add({at(x, y), at(x + length(random), y)});
                break;
            case 1:
                stops.add({at(x, y), at(x, y + length(random)), at(x + 1, y + 1)});
                break;
            case 2: {
                const int32_t r = length(random);
                stops.add({at(x, y), at(x + r, y), at(x + r, y + r), at(x, y + r), at(x, y)});
                break;
            }
            default:
                stops.add({at(x, y)});
                break;
        }
    }
    return stops;
}

TEST(LeastTravel, IsExactWhereStopsLieInLinesOnCirclesAndAtOnePlace) {
    std::mt19937 random(23);
    for (int trial = 0; trial < 40; ++trial) {
        // Few paths on a small lattice, and many on it: collinear and
        // cocircular stops everywhere, many at one place.
        const int paths = trial % 2 ? 12 : 160;
        const PathStops stops = lattice_stops(random, paths, 7, -40);
        EXPECT_NEAR(least_travel(stops), least_travel_by_pairs(stops), 1e-6) << trial;
    }
    // All in one line, and one point alone.
    PathStops line;
    for (int32_t x : {50, 10, 30, 20, 40}) line.add({{x, 2 * x}});
    EXPECT_NEAR(least_travel(line), least_travel_by_pairs(line), 1e-9);
    PathStops one;
    one.add({{3, 4}, {3, 4}});
    EXPECT_DOUBLE_EQ(least_travel(one), 5);
}

TEST(LeastTravel, IsTheSameTreeForCoordinatesTooLargeForTheTriangulation) {
    // Scaled to the edge of 32 bits: found by searching instead.
    std::mt19937 random(31);
    for (int trial = 0; trial < 6; ++trial) {
        const PathStops far = lattice_stops(random, 60, 100'000'000, -900'000'000);
        const double expected = least_travel_by_pairs(far);
        EXPECT_NEAR(least_travel(far), expected, expected * 1e-12) << trial;
    }
}

TEST(LeastTravel, TheTriangulationAndTheSearchFindTheSameTree) {
    // Shifted beyond the triangulation's range, the same stops are searched
    // for instead: the tree's length is the same, here on thousands of stops,
    // more than a tree over every pair could check.
    std::mt19937 random(41);
    for (const int32_t scale : {3, 400}) {
        const PathStops near = lattice_stops(random, 8000, scale, 0, 250);
        PathStops far;
        far.first = near.first;
        for (const auto& [x, y] : near.points) far.points.push_back({x + (1 << 30), y - (1 << 30)});
        EXPECT_NEAR(spanning_length(near), spanning_length(far), 1e-6 * spanning_length(near))
            << scale;
        EXPECT_EQ(spanning_edges(near).size(), spanning_edges(far).size()) << scale;
    }
}

TEST(PlanBounds, NoOrderingBeatsThem) {
    // Short lines, some meeting end to end or at T-junctions, on two pens.
    std::mt19937 random(11);
    std::uniform_int_distribution<int32_t> grid(0, 60), step(-1, 1), pen(1, 2);
    std::vector<PenPath> paths;
    for (int k = 0; k < 3000; ++k) {
        const std::pair<int32_t, int32_t> a{grid(random) * 50, grid(random) * 50};
        const std::pair<int32_t, int32_t> b{a.first + step(random) * 50,
                                            a.second + step(random) * 50};
        paths.push_back(path({a, b}, pen(random)));
    }
    const size_t strokes = fewest_strokes(paths);
    for (int level = 1; level <= 6; ++level) {
        std::vector<PenPath> plan = paths;
        optimize_paths(plan, level);
        PathStops stops;
        for (const PenPath& p : plan) stops.add(p.points);
        EXPECT_GE(plan.size(), strokes) << level;
        EXPECT_GE(pen_up_travel(plan) + 1e-6, least_travel(stops)) << level;
        // The bound is of the ink, which ordering keeps.
        if (level <= 4) {
            EXPECT_EQ(fewest_strokes(plan), strokes) << level;
        }
    }
}

}  // namespace
}  // namespace tvk::host
