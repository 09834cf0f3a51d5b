// The bundled example drawings plot with less pen-up travel once ordered.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "host/drawing/model/drawing.h"
#include "host/plotting/ordering/ordering.h"

namespace tvk::host {
namespace {

Drawing example(const std::string& name) {
    return Drawing::load_dxf(std::string(TVK_SOURCE_DIR) + "/examples/" + name);
}

// The drawing's paths in host units, fitted into 0..32000 as the plot job does.
std::vector<PenPath> in_host_units(const Drawing& d) {
    Box b = d.extents();
    double scale = 32000 / std::max(b.max_x - b.min_x, b.max_y - b.min_y);
    std::vector<PenPath> paths;
    for (const Path& p : d.flatten(0.5 / scale).paths) {
        PenPath pen{p.color % 8, 0, 0, {}};
        for (Vec2 q : p.points)
            pen.points.push_back({static_cast<int32_t>(std::lround((q.x - b.min_x) * scale)),
                                  static_cast<int32_t>(std::lround((q.y - b.min_y) * scale))});
        paths.push_back(std::move(pen));
    }
    return paths;
}

TEST(Examples, OptimisationShortensThePenUpTravelOfEachExample) {
    for (const char* name : {"bracket.dxf", "floorplan.dxf", "logo.dxf"}) {
        auto paths = in_host_units(example(name));
        double before = pen_up_travel(paths);
        optimize_paths(paths, 4);
        EXPECT_LT(pen_up_travel(paths), before * 0.8) << name;
    }
}

}  // namespace
}  // namespace tvk::host
