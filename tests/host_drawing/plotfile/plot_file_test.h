// What a plot file draws, read with the plot-file reader: its segments in
// order (dots as segments of no length), fills and labels' strokes.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/drawing/geometry/dashes.h"
#include "host/drawing/plotfile/plot_file.h"

namespace tvk::host::test {

struct DrawnSegment {
    Vec2 a, b;
};

struct Read {
    std::vector<DrawnSegment> segments;    // strokes and dots, in order
    std::vector<std::vector<Vec2>> fills;  // rings of filled shapes
    std::vector<const Entity*> stroked;    // the entities of the strokes
    std::vector<std::string> notes;
    Drawing::Impl impl;
};

// Read at 25.4 units an inch: one plotter unit is one millimetre.
inline void read_into(Read& r, const std::string& plot, PlotFileOptions options = {25.4, "", 0}) {
    read_plot_file(plot, "t.plt", options, r.impl, r.notes);
    for (const Entity& e : r.impl.entities) {
        if (const auto* s = std::get_if<Segment>(&e.what)) {
            r.segments.push_back({s->a, s->b});
            r.stroked.push_back(&e);
        } else if (const auto* shape = std::get_if<Shape>(&e.what)) {
            for (const Trace& t : shape->traces) {
                const auto& points = std::get<Polyline>(t.elements.at(0)).points;
                if (shape->filled) {
                    r.fills.push_back(points);
                    continue;
                }
                // A line type of the file's plotter is cut into its dashes, as the
                // plot does where the target has no pattern like it.
                std::vector<std::vector<Vec2>> pieces{points};
                if (auto d = r.impl.dash_patterns.find(e.linetype); d != r.impl.dash_patterns.end())
                    pieces = dashed(points, d->second, 0);
                for (const auto& piece : pieces) {
                    if (piece.size() == 1) r.segments.push_back({piece[0], piece[0]});
                    for (size_t i = 1; i < piece.size(); ++i)
                        r.segments.push_back({piece[i - 1], piece[i]});
                    r.stroked.resize(r.segments.size(), &e);
                }
            }
        }
    }
}

// Segments joining the points one after another.
inline std::vector<DrawnSegment> chain(const std::vector<Vec2>& points) {
    std::vector<DrawnSegment> out;
    for (size_t i = 1; i < points.size(); ++i) out.push_back({points[i - 1], points[i]});
    return out;
}

inline void expect_segments(const std::vector<DrawnSegment>& got,
                            const std::vector<DrawnSegment>& expected, double tolerance = 1e-6) {
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(got[i].a.x, expected[i].a.x, tolerance) << "segment " << i;
        EXPECT_NEAR(got[i].a.y, expected[i].a.y, tolerance) << "segment " << i;
        EXPECT_NEAR(got[i].b.x, expected[i].b.x, tolerance) << "segment " << i;
        EXPECT_NEAR(got[i].b.y, expected[i].b.y, tolerance) << "segment " << i;
    }
}

inline Box bounds(const std::vector<DrawnSegment>& segments) {
    Box box;
    for (const DrawnSegment& s : segments) {
        box.add(s.a);
        box.add(s.b);
    }
    return box;
}

}  // namespace tvk::host::test
