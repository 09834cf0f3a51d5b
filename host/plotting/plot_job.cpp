#include "host/plotting/plot_job.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <utility>

#include "host/drawing/geometry/hatch_strokes.h"
#include "host/plotting/line_types.h"
#include "host/plotting/pen_colours.h"

namespace tvk::host {
namespace {

constexpr size_t kMaxPolygonVertices = 32767;  // the 16-bit vertex count of request 33
constexpr double kMaxHatchLines = 20000;       // per filled area; wider spacing beyond
constexpr double kDefaultPenWidth = 0.01;      // inches, when the profile has none
constexpr double kMmPerInch = 25.4;
// Dash patterns shorter than this on paper (mm) are drawn solid: the pen
// draws them as a line anyway.
constexpr double kMinDashMm = 0.05;

int colour_index(int colour) {
    return std::clamp(colour, 0, 255);
}

double length_of_placed(const std::vector<Vec2>& points) {
    double length = 0;
    for (size_t i = 1; i < points.size(); ++i) {
        const double dx = points[i].x - points[i - 1].x, dy = points[i].y - points[i - 1].y;
        length += std::sqrt(dx * dx + dy * dy);
    }
    return length;
}

class Builder {
  public:
    Builder(const JobGeometry& g, const Profile& p, const PenChoices& c) : g_(g), p_(p), c_(c) {}

    // `width`: the stroke's, in drawing units; 0: the pen's of the profile.
    void add_path(const std::vector<Vec2>& points, int colour, int32_t true_colour, int line_type,
                  const std::string& layer, double width = 0) {
        std::vector<Vec2>& placed = placed_;
        placed.clear();
        for (Vec2 pt : points) {
            placed.push_back(g_.placement.apply(pt));
            job_.placed.add(placed.back());
        }
        const int pen = pen_of(colour, true_colour, layer);
        if (true_colour >= 0) job_.true_colour_pens.try_emplace({colour, true_colour}, pen);
        job_.colour_pens.try_emplace({colour, true_colour}, pen);
        const int speed = p_.variable_speed() ? speed_of(colour, pen) : 0;
        job_.placed_length += length_of_placed(placed);
        job_.cut_length += length_cut_off(placed, g_.area, 1.0);
        clip_polyline(placed, g_.area, pieces_);
        for (HostPolyline& piece : pieces_) {
            job_.paths.push_back({pen, line_type, speed, std::move(piece)});
        }
        const double inches = width * g_.placement.scale() / g_.resolution;
        if (inches > 0 && std::isfinite(inches) && !c_.width_by_pen.contains(pen)) {
            note_drawn_width(pen, inches);
        } else {
            note_pen(pen, colour);
        }
    }

    void add_fill(const Fill& fill, bool as_polygon) {
        if (as_polygon && fill.rings.size() == 1) {
            std::vector<Vec2> placed;
            for (Vec2 pt : fill.rings.front()) {
                placed.push_back(g_.placement.apply(pt));
                job_.placed.add(placed.back());
            }
            HostPolyline ring = clip_ring(placed, g_.area);
            if (ring.empty()) return;
            if (ring.size() <= kMaxPolygonVertices) {
                const int pen = pen_of(fill.color, fill.true_color, fill.layer);
                if (fill.true_color >= 0)
                    job_.true_colour_pens.try_emplace({fill.color, fill.true_color}, pen);
                job_.colour_pens.try_emplace({fill.color, fill.true_color}, pen);
                job_.polygons.push_back({pen, std::move(ring)});
                note_pen(pen, fill.color);
                return;
            }
        }
        // The host fills it: strokes one pen width apart.
        for (const auto& stroke : hatch_strokes(fill.rings, hatch_spacing(fill))) {
            add_path(stroke, fill.color, fill.true_color, 0, fill.layer);
        }
    }

    PlotJob take() { return std::move(job_); }

  private:
    // One pen width on paper, in drawing units; wider where an area would
    // need more lines than any plot could want.
    double hatch_spacing(const Fill& fill) const {
        const int pen = pen_of(fill.color, fill.true_color, fill.layer);
        double spacing = width_of(fill.color, pen) * g_.resolution / g_.placement.scale();
        Box b;
        for (const auto& ring : fill.rings) {
            for (Vec2 pt : ring) b.add(pt);
        }
        const double extent = std::max(b.max_x - b.min_x, b.max_y - b.min_y);
        if (!b.empty() && extent / spacing > kMaxHatchLines) spacing = extent / kMaxHatchLines;
        return spacing;
    }

    void note_pen(int pen, int colour) {
        if (!drawn_width_.contains(pen)) job_.pen_width.try_emplace(pen, width_of(colour, pen));
    }
    // A width the drawing gives (inches on paper) goes before the profile's;
    // of several for one pen the widest, whatever their order: one pen draws
    // them all, and a stroke drawn finer than drawn loses its look while a
    // fine line drawn wider keeps its place.
    void note_drawn_width(int pen, double inches) {
        inches = std::min(inches, kMaxPenWidthMm / 25.4);
        if (drawn_width_.insert(pen).second) job_.pen_width[pen] = inches;
        job_.pen_width[pen] = std::max(job_.pen_width[pen], inches);
    }

    // The pen chosen for the layer; else, for a true colour, the pen of the
    // nearest colour where the profile gives the pens' colours; otherwise the
    // colour table chooses.
    int pen_of(int colour, int32_t true_colour, const std::string& layer) const {
        if (const auto pen = c_.layer_pen(layer)) return *pen;
        if (true_colour >= 0) {
            const auto chosen = c_.pen_by_true_colour.find(static_cast<uint32_t>(true_colour));
            if (chosen != c_.pen_by_true_colour.end()) return chosen->second;
        }
        if (true_colour >= 0 && !p_.pen_colour.empty())
            return nearest_pen(static_cast<uint32_t>(true_colour), p_.pen_colour);
        return std::max<int>(1, p_.pen_by_colour[static_cast<size_t>(colour_index(colour))]);
    }

    int speed_of(int colour, int pen) const {
        const auto chosen = c_.speed_by_pen.find(pen);
        if (chosen != c_.speed_by_pen.end()) return chosen->second;
        const int profile = p_.speed_by_colour[static_cast<size_t>(colour_index(colour))];
        auto file = c_.file_speed_by_colour.find(colour);
        if (file == c_.file_speed_by_colour.end()) file = c_.file_speed_by_colour.find(0);
        if (file == c_.file_speed_by_colour.end()) return profile;
        // 0 sends no speed: the plotter draws at the model's.
        const int current = profile > 0 ? profile : p_.pen_speed;
        const int asked = static_cast<int>(std::clamp(std::round(file->second), 1.0, 255.0));
        return current <= 0 || asked < current ? asked : profile;
    }

    double width_of(int colour, int pen) const {
        const auto chosen = c_.width_by_pen.find(pen);
        if (chosen != c_.width_by_pen.end()) return chosen->second;
        const double w = p_.width_by_colour[static_cast<size_t>(colour_index(colour))];
        return w > 0 ? w : kDefaultPenWidth;
    }

    const JobGeometry& g_;
    const Profile& p_;
    const PenChoices& c_;
    PlotJob job_;
    std::set<int> drawn_width_;  // pens whose width the drawing gave
    // The room of the last path, reused.
    std::vector<Vec2> placed_;
    std::vector<HostPolyline> pieces_;
};

}  // namespace

bool plotter_fills_polygons(const Profile& profile) {
    return profile.plotter_fills() && profile.language_index() >= 2;  // TK-GL2 and TK-GL3
}

struct JobBuilder::Impl {
    Impl(const JobGeometry& g, const Profile& p, const PenChoices& c)
        : geometry(g), profile(p), choices(c) {}
    JobGeometry geometry;
    const Profile& profile;
    const PenChoices& choices;
    Builder builder{geometry, profile, choices};
    std::vector<Fill> fills;  // done at the end, after every path
    DashPatterns dashes;      // by line-type name
    // Paths come in runs of one layer and one line type: what the last of
    // each gave is kept for the next.
    std::optional<SharedName> layer_seen, linetype_seen;
    bool layer_plotted = false;
    int linetype_hardware = 0;  // -1: a name the plotter lacks

    bool plotted(SharedName layer) {
        if (layer_seen != layer) {
            layer_seen = layer;
            layer_plotted = choices.plotted(layer);
        }
        return layer_plotted;
    }
    int hardware_type(SharedName linetype) {
        if (linetype_seen != linetype) {
            linetype_seen = linetype;
            linetype_hardware =
                hardware_line_type(linetype, profile.language_index() == 0, profile.max_line_type);
        }
        return linetype_hardware;
    }

    // A path the drawing dashes by size: with the plotter's own pattern
    // where it has one of that shape and size on paper, else cut into its
    // dashes here (those finer than the pen can show drawn solid).
    void add_dashed(const Path& path, const DashPattern& pattern) {
        const double units_per_mm = geometry.resolution / kMmPerInch;
        const double mm_per_unit = geometry.placement.scale() / units_per_mm;
        const double diagonal_mm =
            std::hypot(geometry.area.width, geometry.area.height) / units_per_mm;
        const int line_type =
            matching_line_type(pattern.scaled(mm_per_unit), profile.language_index() == 0,
                               profile.max_line_type, diagonal_mm);
        if (line_type > 0) {
            builder.add_path(path.points, path.color, path.true_color, line_type, path.layer,
                             path.width);
            return;
        }
        for (const auto& dash : dashed(path.points, pattern, kMinDashMm / mm_per_unit))
            builder.add_path(dash, path.color, path.true_color, 0, path.layer, path.width);
    }
};

JobBuilder::JobBuilder(const JobGeometry& geometry, const Profile& profile,
                       const PenChoices& choices)
    : impl_(std::make_unique<Impl>(geometry, profile, choices)) {}

JobBuilder::~JobBuilder() = default;

void JobBuilder::add(Path path) {
    const Profile& profile = impl_->profile;
    if (!impl_->plotted(path.layer)) return;
    if (!impl_->dashes.empty()) {
        if (auto it = impl_->dashes.find(path.linetype); it != impl_->dashes.end()) {
            impl_->add_dashed(path, it->second);
            return;
        }
    }
    const size_t c = static_cast<size_t>(colour_index(path.color));
    int line_type = impl_->hardware_type(path.linetype);
    if (line_type < 0) line_type = profile.line_type_by_colour[c];  // a name the plotter lacks
    impl_->builder.add_path(path.points, path.color, path.true_color, line_type, path.layer,
                            path.width);
}

void JobBuilder::add(const DashPatterns& patterns) {
    impl_->dashes = patterns;
}

void JobBuilder::add(Fill fill) {
    if (impl_->choices.plotted(fill.layer)) impl_->fills.push_back(std::move(fill));
}

PlotJob JobBuilder::finish() {
    const bool polygons = plotter_fills_polygons(impl_->profile);
    for (Fill& fill : impl_->fills) {
        impl_->builder.add_fill(fill, polygons);
        std::vector<std::vector<Vec2>>().swap(fill.rings);
    }
    PlotJob job = impl_->builder.take();
    job.pens_by_hand = impl_->profile.pens_by_hand();
    // Polygons by pen, so that each pen is taken once for its fills.
    std::stable_sort(job.polygons.begin(), job.polygons.end(),
                     [](const FillPolygon& a, const FillPolygon& b) { return a.pen < b.pen; });
    return job;
}

PlotJob build_job(FlatDrawing drawing, const JobGeometry& geometry, const Profile& profile,
                  const PenChoices& choices) {
    JobBuilder builder(geometry, profile, choices);
    if (!drawing.dash_patterns.empty()) builder.add(drawing.dash_patterns);
    // Each path's points are let go once placed: the drawing shrinks as the job grows.
    for (Path& path : drawing.paths) builder.add(std::exchange(path, Path{}));
    for (Fill& fill : drawing.fills) builder.add(std::move(fill));
    return builder.finish();
}

}  // namespace tvk::host
