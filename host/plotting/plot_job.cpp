#include "host/plotting/plot_job.h"

#include <algorithm>
#include <cmath>

#include "host/plotting/line_types.h"
#include "host/plotting/pen_colours.h"

namespace tvk::host {
namespace {

constexpr size_t kMaxPolygonVertices = 32767;  // the 16-bit vertex count of request 33
constexpr double kMaxHatchLines = 20000;       // per filled area; wider spacing beyond
constexpr double kDefaultPenWidth = 0.01;      // inches, when the profile has none

int colour_index(int colour) {
    return std::clamp(colour, 0, 255);
}

// A true colour goes to the pen of the nearest colour where the profile
// gives the pens' colours; otherwise, and for indexed colours, the colour
// table chooses.
int pen_of(const Profile& p, int colour, int32_t true_colour = -1) {
    if (true_colour >= 0 && !p.pen_colour.empty())
        return nearest_pen(static_cast<uint32_t>(true_colour), p.pen_colour);
    return std::max<int>(1, p.pen_by_colour[static_cast<size_t>(colour_index(colour))]);
}

double width_of(const Profile& p, int colour) {
    const double w = p.width_by_colour[static_cast<size_t>(colour_index(colour))];
    return w > 0 ? w : kDefaultPenWidth;
}

class JobBuilder {
  public:
    JobBuilder(const JobGeometry& g, const Profile& p) : g_(g), p_(p) {}

    void add_path(const std::vector<Vec2>& points, int colour, int32_t true_colour, int line_type) {
        std::vector<Vec2> placed;
        placed.reserve(points.size());
        for (Vec2 pt : points) placed.push_back(g_.placement.apply(pt));
        const size_t c = static_cast<size_t>(colour_index(colour));
        const int speed = p_.variable_speed() ? p_.speed_by_colour[c] : 0;
        for (HostPolyline& piece : clip_polyline(placed, g_.area)) {
            job_.paths.push_back(
                {pen_of(p_, colour, true_colour), line_type, speed, std::move(piece)});
        }
        note_pen(colour, true_colour);
    }

    void add_fill(const Fill& fill, bool as_polygon) {
        if (as_polygon && fill.rings.size() == 1) {
            std::vector<Vec2> placed;
            for (Vec2 pt : fill.rings.front()) placed.push_back(g_.placement.apply(pt));
            HostPolyline ring = clip_ring(placed, g_.area);
            if (ring.empty()) return;
            if (ring.size() <= kMaxPolygonVertices) {
                job_.polygons.push_back({pen_of(p_, fill.color, fill.true_color), std::move(ring)});
                note_pen(fill.color, fill.true_color);
                return;
            }
        }
        // The host fills it: strokes one pen width apart.
        for (const auto& stroke : hatch_strokes(fill, hatch_spacing(fill))) {
            add_path(stroke, fill.color, fill.true_color, 0);
        }
    }

    PlotJob take() { return std::move(job_); }

  private:
    // One pen width on paper, in drawing units; wider where an area would
    // need more lines than any plot could want.
    double hatch_spacing(const Fill& fill) const {
        double spacing = width_of(p_, fill.color) * g_.resolution / g_.placement.scale();
        Box b;
        for (const auto& ring : fill.rings) {
            for (Vec2 pt : ring) b.add(pt);
        }
        const double extent = std::max(b.max_x - b.min_x, b.max_y - b.min_y);
        if (!b.empty() && extent / spacing > kMaxHatchLines) spacing = extent / kMaxHatchLines;
        return spacing;
    }

    void note_pen(int colour, int32_t true_colour) {
        job_.pen_width.try_emplace(pen_of(p_, colour, true_colour), width_of(p_, colour));
    }

    const JobGeometry& g_;
    const Profile& p_;
    PlotJob job_;
};

}  // namespace

bool plotter_fills_polygons(const Profile& profile) {
    return profile.plotter_fills() && profile.language_index() >= 2;  // TK-GL2 and TK-GL3
}

PlotJob build_job(const FlatDrawing& drawing, const JobGeometry& geometry, const Profile& profile) {
    JobBuilder builder(geometry, profile);
    const bool vtx = profile.language_index() == 0;
    for (const Path& path : drawing.paths) {
        const size_t c = static_cast<size_t>(colour_index(path.color));
        int line_type = hardware_line_type(path.linetype, vtx, profile.max_line_type);
        if (line_type < 0) line_type = profile.line_type_by_colour[c];  // a name the plotter lacks
        builder.add_path(path.points, path.color, path.true_color, line_type);
    }
    const bool polygons = plotter_fills_polygons(profile);
    for (const Fill& fill : drawing.fills) builder.add_fill(fill, polygons);
    PlotJob job = builder.take();
    // Polygons by pen, so that each pen is taken once for its fills.
    std::stable_sort(job.polygons.begin(), job.polygons.end(),
                     [](const FillPolygon& a, const FillPolygon& b) { return a.pen < b.pen; });
    return job;
}

}  // namespace tvk::host
