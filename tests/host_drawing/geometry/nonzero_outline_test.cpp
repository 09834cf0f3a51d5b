// Areas filled by winding, turned into rings filled even-odd: checked point
// by point against the winding numbers of the rings given.
#include "host/drawing/geometry/nonzero_outline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tvk::host {
namespace {

using Rings = std::vector<std::vector<Vec2>>;

int winding(Vec2 p, const Rings& rings) {
    int w = 0;
    for (const auto& ring : rings) {
        for (size_t i = 0; i < ring.size(); ++i) {
            const Vec2 a = ring[i], b = ring[(i + 1) % ring.size()];
            const double side = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
            if (a.y <= p.y && b.y > p.y && side > 0) ++w;
            if (a.y > p.y && b.y <= p.y && side < 0) --w;
        }
    }
    return w;
}

// Every point of a fine grid (off the rings' corners and edges, which lie on
// whole and half numbers here) is inside the outline by the even-odd rule
// exactly where the rings wind about it.
void expect_same_area(const Rings& rings) {
    const Rings outline = nonzero_outline(rings);
    for (const auto& ring : outline) EXPECT_GE(ring.size(), 3u);
    Box box;
    for (const auto& ring : rings) {
        for (Vec2 p : ring) box.add(p);
    }
    int inside = 0;
    for (double y = box.min_y - 1.013; y < box.max_y + 1; y += 0.217) {
        for (double x = box.min_x - 1.007; x < box.max_x + 1; x += 0.193) {
            const bool by_winding = winding({x, y}, rings) != 0;
            int crossings = 0;
            for (const auto& ring : outline) crossings += std::abs(winding({x, y}, {ring}));
            ASSERT_EQ(by_winding, crossings % 2 == 1) << "at " << x << ", " << y;
            inside += by_winding;
        }
    }
    EXPECT_GT(inside, 0);
}

Rings square(double x0, double y0, double size, bool clockwise = false) {
    std::vector<Vec2> r{{x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
    if (clockwise) std::reverse(r.begin(), r.end());
    return {r};
}

Rings both(Rings a, const Rings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(NonzeroOutline, SelfCrossingAndOverlappingRingsGiveTheAreaTheyWind) {
    // A five-pointed star drawn in one stroke: its middle is wound twice.
    std::vector<Vec2> star;
    for (int i = 0; i < 5; ++i) {
        const double a = M_PI / 2 + i * 4 * M_PI / 5;
        star.push_back({10 * std::cos(a), 10 * std::sin(a)});
    }
    expect_same_area({star});
    const Rings outline = nonzero_outline({star});
    ASSERT_EQ(outline.size(), 1u);
    EXPECT_EQ(outline[0].size(), 10u);  // the points and the inner corners

    // Two squares the same way round overlap as their union; the other way
    // round, the overlap is a hole; one inside another the same way is solid.
    expect_same_area(both(square(0, 0, 4), square(2, 2, 4)));
    expect_same_area(both(square(0, 0, 4), square(2, 2, 4, true)));
    expect_same_area(both(square(0, 0, 8), square(2, 2, 4)));
    EXPECT_EQ(nonzero_outline(both(square(0, 0, 8), square(2, 2, 4))).size(), 1u);
    expect_same_area(both(square(0, 0, 8), square(2, 2, 4, true)));
}

TEST(NonzeroOutline, RingsThatTouchShareEdgesOrRepeatThemselves) {
    // Side by side with a shared edge (as a path of two adjacent boxes).
    expect_same_area(both(square(0, 0, 4), square(4, 0, 4)));
    expect_same_area(both(square(0, 0, 4), square(4, 0, 4, true)));
    // A shared edge in part, and a corner touching the middle of an edge.
    expect_same_area(both(square(0, 0, 4), square(4, 2, 4)));
    expect_same_area(both(square(0, 0, 4), {{{4, 2}, {8, -1}, {8, 5}}}));
    // The same square twice, and a figure of eight through one corner.
    expect_same_area(both(square(0, 0, 4), square(0, 0, 4)));
    expect_same_area({{{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {-4, 0}, {-4, -4}, {0, -4}}});
    // Three edges through one point, which each pair of them puts a
    // rounding apart from the others.
    expect_same_area({{{1, 3}, {4, 2}, {0, 4}, {3, 2}, {4, 4}, {1, 2}}});
    // A spike out and back along one line.
    expect_same_area({{{0, 0}, {4, 0}, {6, 0}, {4, 0}, {4, 4}, {0, 4}}});
}

TEST(NonzeroOutline, RingsThatNeedNothingComeBackAsTheyAre) {
    const Rings one = square(0, 0, 4);
    EXPECT_EQ(nonzero_outline(one).size(), 1u);
    EXPECT_EQ(nonzero_outline(one)[0][1].x, 4);
    // A letter O: the hole runs the other way.
    const Rings o = both(square(0, 0, 8), square(2, 2, 4, true));
    const Rings out = nonzero_outline(o);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1][0].x, 2);
    EXPECT_EQ(out[1][1].y, 6);
    // Nothing to make of points that are not numbers: the even-odd rule applies.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Rings broken{{{0, 0}, {nan, 1}, {1, 1}}};
    EXPECT_EQ(nonzero_outline(broken).size(), 1u);
    EXPECT_TRUE(nonzero_outline({}).empty());
}

TEST(NonzeroOutline, ManyCrossingsStayWithinItsWork) {
    // A ring zigzagging across itself a thousand times: done, and right.
    std::vector<Vec2> zigzag;
    for (int i = 0; i < 1000; ++i) {
        zigzag.push_back({i * 0.05, i % 2 == 0 ? 0.0 : 10.0});
    }
    zigzag.push_back({50, -5});
    zigzag.push_back({-1, 12});
    expect_same_area({zigzag});
}

}  // namespace
}  // namespace tvk::host
