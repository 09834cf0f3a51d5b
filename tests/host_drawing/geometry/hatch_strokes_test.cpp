// Host-side fills: strokes one spacing apart, inside the rings by the even-odd rule.
#include "host/drawing/geometry/hatch_strokes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tvk::host {
namespace {

using Rings = std::vector<std::vector<Vec2>>;

bool inside_even_odd(Vec2 p, const Rings& rings) {
    bool in = false;
    for (const auto& ring : rings) {
        for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
            Vec2 a = ring[i], b = ring[j];
            if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y))
                in = !in;
        }
    }
    return in;
}

TEST(HatchStrokes, SquareWithAHoleIsFilledAroundIt) {
    Rings fill{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{3, 3}, {7, 3}, {7, 7}, {3, 7}}};
    auto strokes = hatch_strokes(fill, 1);
    // Both outlines, closed, then scanlines at 0.5, 1.5 ... 9.5: two each where the hole is.
    ASSERT_EQ(strokes.size(), 2u + 6u + 4u * 2u);
    EXPECT_EQ(strokes[0].size(), 5u);
    EXPECT_EQ(strokes[0].front().x, strokes[0].back().x);
    double covered = 0;
    for (size_t i = 2; i < strokes.size(); ++i) {
        ASSERT_EQ(strokes[i].size(), 2u);
        Vec2 a = strokes[i][0], b = strokes[i][1];
        EXPECT_EQ(a.y, b.y);
        EXPECT_TRUE(inside_even_odd({(a.x + b.x) / 2, a.y}, fill));
        covered += std::abs(b.x - a.x);
    }
    // The area, at one stroke per unit of height.
    EXPECT_NEAR(covered, 100 - 16, 1e-9);
}

TEST(HatchStrokes, ScanlinesZigzagAndThinAreasKeepTheirOutline) {
    Rings triangle{{{0, 0}, {20, 0}, {0, 20}}};
    auto strokes = hatch_strokes(triangle, 2);
    ASSERT_GT(strokes.size(), 3u);
    // Alternate directions, so the pen moves on from where the last stroke ended.
    bool first_right = strokes[1][1].x > strokes[1][0].x;
    bool second_right = strokes[2][1].x > strokes[2][0].x;
    EXPECT_NE(first_right, second_right);

    Rings sliver{{{0, 0}, {100, 0}, {100, 0.1}, {0, 0.1}}};
    auto thin = hatch_strokes(sliver, 1);
    ASSERT_GE(thin.size(), 1u);
    EXPECT_EQ(thin[0].size(), 5u);

    EXPECT_THROW(hatch_strokes(triangle, 0), std::invalid_argument);
    EXPECT_THROW(hatch_strokes(triangle, -1), std::invalid_argument);
    EXPECT_TRUE(hatch_strokes(Rings{}, 1).empty());
}

TEST(HatchStrokes, OverlappingRingsCancelByEvenOdd) {
    // Two overlapping squares: their common part is outside by the even-odd rule.
    Rings fill{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{5, 0}, {15, 0}, {15, 10}, {5, 10}}};
    for (const auto& s : hatch_strokes(fill, 1)) {
        if (s.size() != 2) continue;
        Vec2 mid{(s[0].x + s[1].x) / 2, s[0].y};
        EXPECT_FALSE(mid.x > 5 && mid.x < 10) << mid.x;
    }
}

}  // namespace
}  // namespace tvk::host
