#include "host/drawing/model/drawing.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <span>

#include "host/drawing/drawing_file.h"
#include "host/drawing/dxf/dxf_groups.h"
#include "host/drawing/dxf/dxf_reader.h"
#include "host/drawing/dxf/expand.h"
#include "host/drawing/dxf/layouts.h"
#include "host/drawing/geometry/nonzero_outline.h"
#include "host/drawing/model/entities.h"
#include "host/drawing/text/stroke_font.h"

namespace tvk::host {

namespace {

// More points than a plotter plots in a day, and a few seconds' work to
// plot: a drawing whose blocks multiply into more is refused rather than
// expanded (a 200-byte MINSERT could otherwise take minutes and gigabytes).
constexpr std::size_t kMaxExpandedSize = 4'000'000;

// The part of the line through a and b (beyond b only, for a ray) inside
// the window; empty when it misses the window.
std::vector<Vec2> infinite_line(Vec2 a, Vec2 b, bool ray, const Box& window) {
    if (window.empty()) return {};
    Vec2 d = b - a;
    double t0 = ray ? 0 : -1e300, t1 = 1e300;
    const double p[4] = {-d.x, d.x, -d.y, d.y};
    const double q[4] = {a.x - window.min_x, window.max_x - a.x, a.y - window.min_y,
                         window.max_y - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return {};
            continue;
        }
        double r = q[i] / p[i];
        if (p[i] < 0) t0 = std::max(t0, r);
        if (p[i] > 0) t1 = std::min(t1, r);
    }
    if (t0 > t1) return {};
    return {a + t0 * d, a + t1 * d};
}

// The characters of the text that no font has, by code: a few, and how many in all.
std::string missing_note(const Drawing::Impl& d) {
    constexpr size_t kListed = 8;
    int total = 0;
    std::string list;
    size_t listed = 0;
    for (const auto& [c, count] : d.missing_characters) {
        total += count;
        if (listed++ == kListed) list += ", ...";
        if (listed > kListed) continue;
        char code[32];
        std::snprintf(code, sizeof code, "%sU+%04X", list.empty() ? "" : ", ", unsigned(c));
        list += code + (count > 1 ? " x" + std::to_string(count) : std::string());
    }
    return "Not in any font, drawn as \"?\": " + std::to_string(total) +
           (total == 1 ? " character (" : " characters (") + list + ").";
}

}  // namespace

Drawing Drawing::load_dxf(const std::string& path) {
    NoProgress progress;
    return load_dxf(path, progress);
}

Drawing Drawing::load_dxf(const std::string& path, WorkProgress& progress) {
    std::string contents;
    try {
        contents = read_drawing_file(path, progress);
    } catch (const DrawingError& e) {
        throw DxfError(e.what());  // what load_dxf's callers catch
    }
    auto impl = std::make_shared<Impl>();
    read_dxf(contents, path, *impl, progress);
    if (expanded_size(*impl, kMaxExpandedSize) >= kMaxExpandedSize) {
        throw DxfError(path + ": its blocks expand to more than " +
                       std::to_string(kMaxExpandedSize) + " points (a curve counting as 32)");
    }
    return made_of(std::move(impl), {});
}

const std::map<int, double>& Drawing::pen_speeds() const {
    static const std::map<int, double> none;
    return impl_ ? impl_->pen_speeds : none;
}

Drawing Drawing::made_of(std::shared_ptr<Impl> impl, std::vector<std::string> notes) {
    Drawing drawing;
    std::map<std::string, int> broken;
    expand(*impl, {nullptr, [&](const std::string& type) { ++drawing.unsupported_[type]; },
                   [&](const std::string& what) { ++broken[what]; }});
    drawing.notes_ = std::move(notes);
    for (const auto& [what, count] : broken) {
        drawing.notes_.push_back(
            "Not drawn: " + what +
            (count > 1 ? " (" + std::to_string(count) + " references)" : std::string()) + ".");
    }
    if (impl->has_text) {
        if (auto note = StrokeFont::standard_note(); !note.empty()) drawing.notes_.push_back(note);
    }
    if (!impl->missing_characters.empty()) drawing.notes_.push_back(missing_note(*impl));
    drawing.impl_ = std::move(impl);
    return drawing;
}

Box Drawing::extents() const {
    NoProgress progress;
    return extents(nullptr, progress);
}

Box Drawing::extents(WorkProgress& progress) const {
    return extents(nullptr, progress);
}

Box Drawing::extents(const std::function<bool(const std::string& layer)>& plotted,
                     WorkProgress& progress) const {
    Box box;
    if (!impl_) return box;
    uint64_t shapes = 0;
    for_each_space([&](const std::vector<Entity>& entities, const Affine& m, const Box* clip) {
        Box part;
        expand(*impl_, entities, m,
               {[&](const Shape& shape, const Affine& shape_m, int, int32_t, SharedName,
                    SharedName layer) {
                    if (++shapes % 1024 == 0) progress.step("Measuring", shapes, 0);
                    if (shape.reach != Shape::kBounded) return;
                    if (plotted && !plotted(layer)) return;
                    for (const Trace& t : shape.traces)
                        for (const Element& e : t.elements) part.add(element_bounds(e, shape_m));
                },
                nullptr, nullptr});
        if (clip && !part.empty()) {
            part = {std::max(part.min_x, clip->min_x), std::max(part.min_y, clip->min_y),
                    std::min(part.max_x, clip->max_x), std::min(part.max_y, clip->max_y)};
        }
        if (!part.empty()) box.add(part);
    });
    return box;
}

FlatDrawing Drawing::flatten(double tolerance) const {
    NoProgress progress;
    return flatten(tolerance, std::nullopt, progress);
}

FlatDrawing Drawing::flatten(double tolerance, const Box& window) const {
    NoProgress progress;
    return flatten(tolerance, std::optional<Box>(window), progress);
}

FlatDrawing Drawing::flatten(double tolerance, const Box& window, WorkProgress& progress) const {
    return flatten(tolerance, std::optional<Box>(window), progress);
}

void Drawing::flatten(double tolerance, const Box& window, WorkProgress& progress,
                      FlatSink& sink) const {
    flatten(tolerance, std::optional<Box>(window), progress, sink);
}

FlatDrawing Drawing::flatten(double tolerance, std::optional<Box> window,
                             WorkProgress& progress) const {
    struct Collect : FlatSink {
        FlatDrawing flat;
        void add(Path path) override { flat.paths.push_back(std::move(path)); }
        void add(Fill fill) override { flat.fills.push_back(std::move(fill)); }
        void add(const DashPatterns& patterns) override { flat.dash_patterns = patterns; }
    } collect;
    flatten(tolerance, window, progress, collect);
    return std::move(collect.flat);
}

void Drawing::flatten(double tolerance, std::optional<Box> window, WorkProgress& progress,
                      FlatSink& sink, bool let_go_entities) const {
    if (!(tolerance > 0) || !std::isfinite(tolerance))
        throw std::invalid_argument("flatten: the tolerance must be a positive number");
    if (!impl_) return;
    if (!impl_->dash_patterns.empty()) sink.add(impl_->dash_patterns);
    missed_window_.clear();
    uint64_t shapes = 0;
    // Pieces of a path cut to a viewport, or the path whole.
    const auto add_path = [&](Path path, const Box* clip) {
        if (!clip) {
            // Grown point by point: the spare room would be held to the end of the plot.
            path.points.shrink_to_fit();
            sink.add(std::move(path));
            return;
        }
        for (auto& piece : clip_to_box(path.points, *clip)) {
            Path part = path;
            part.points = std::move(piece);
            sink.add(std::move(part));
        }
    };
    for_each_space([&](const std::vector<Entity>& entities, const Affine& space_m,
                       const Box* clip) {
        const ExpandVisitor visitor{
            [&](const Shape& shape, const Affine& m, int color, int32_t true_color,
                SharedName linetype, SharedName layer) {
                if (++shapes % 1024 == 0) progress.step("Flattening", shapes, 0);
                if (shape.filled) {
                    Fill fill{
                        .color = color, .true_color = true_color, .rings = {}, .layer = layer};
                    for (const Trace& t : shape.traces) {
                        auto ring = flatten_trace(t, m, tolerance);
                        if (ring.size() > 1 && ring.front() == ring.back()) ring.pop_back();
                        if (clip) ring = clip_ring_to_box(ring, *clip);
                        if (ring.size() >= 3) fill.rings.push_back(std::move(ring));
                    }
                    if (shape.nonzero) fill.rings = nonzero_outline(fill.rings);
                    if (!fill.rings.empty()) sink.add(std::move(fill));
                    return;
                }
                const auto path = [&](std::vector<Vec2> points) {
                    return Path{.color = color,
                                .true_color = true_color,
                                .linetype = linetype,
                                .layer = layer,
                                .points = std::move(points),
                                .width = shape.width * m.width_scale()};
                };
                if (shape.reach != Shape::kBounded) {
                    const auto& s = std::get<Segment>(shape.traces.at(0).elements.at(0));
                    if (!window) window = extents(progress);
                    auto points = infinite_line(m.apply(s.a), m.apply(s.b),
                                                shape.reach == Shape::kRay, *window);
                    if (points.empty()) {
                        ++missed_window_[shape.reach == Shape::kRay ? "RAY" : "XLINE"];
                    } else {
                        add_path(path(std::move(points)), clip);
                    }
                    return;
                }
                for (const Trace& t : shape.traces) {
                    auto points = flatten_trace(t, m, tolerance);
                    if (!points.empty()) add_path(path(std::move(points)), clip);
                }
            },
            nullptr, nullptr};
        // Model space a few thousand entities at a time, each let go once
        // drawn, where no copy of the drawing shares them (this drawing
        // made them, so they may be changed).
        if (let_go_entities && layout_ < 0 && impl_.use_count() == 1) {
            auto& owned = const_cast<std::vector<Entity>&>(entities);
            constexpr size_t kChunk = 4096;
            for (size_t first = 0; first < owned.size(); first += kChunk) {
                const size_t n = std::min(kChunk, owned.size() - first);
                expand(*impl_, std::span<const Entity>(owned).subspan(first, n), space_m, visitor);
                for (size_t k = first; k < first + n; ++k) owned[k].what = Entity::What{};
            }
            return;
        }
        expand(*impl_, entities, space_m, visitor);
    });
}

void Drawing::flatten_letting_go(double tolerance, const Box& window, WorkProgress& progress,
                                 FlatSink& sink) {
    flatten(tolerance, std::optional<Box>(window), progress, sink, true);
    let_go();
}

std::vector<Drawing::LayoutInfo> Drawing::layouts() const {
    std::vector<LayoutInfo> list;
    if (!impl_) return list;
    for (const Layout& l : impl_->layouts) {
        list.push_back(
            {l.name, l.paper_width_mm, l.paper_height_mm, static_cast<int>(l.viewports.size())});
    }
    return list;
}

std::vector<Drawing::LayerInfo> Drawing::layers() const {
    std::map<std::string, LayerInfo> by_name;
    if (!impl_) return {};
    for (const auto& [name, l] : impl_->layers) {
        by_name[name] = {name, l.color, l.true_color, l.linetype.str(), l.off, l.frozen, true, 0};
    }
    const auto count = [&](const std::vector<Entity>& entities) {
        for (const Entity& e : entities) {
            auto [it, added] = by_name.try_emplace(e.layer.str());
            if (added) {
                it->second.name = e.layer.str();
                it->second.linetype = "CONTINUOUS";
                it->second.in_table = false;
            }
            ++it->second.entities;
        }
    };
    if (layout_ < 0) {
        count(impl_->entities);
    } else {
        const Layout& l = impl_->layouts[static_cast<size_t>(layout_)];
        if (l.block == "*PAPER_SPACE") {
            count(impl_->paper_entities);
        } else if (auto it = impl_->blocks.find(l.block); it != impl_->blocks.end()) {
            count(it->second.entities);
        }
        if (!l.viewports.empty()) count(impl_->entities);
    }
    std::vector<LayerInfo> list;
    for (auto& [name, info] : by_name) list.push_back(std::move(info));
    return list;
}

void Drawing::use_layout(const std::string& name) {
    const auto& layouts = impl_ ? impl_->layouts : std::vector<Layout>{};
    for (size_t i = 0; i < layouts.size(); ++i) {
        if (upper(layouts[i].name) == upper(name)) {
            layout_ = static_cast<int>(i);
            return;
        }
    }
    std::string names;
    for (const Layout& l : layouts) names += (names.empty() ? "" : ", ") + l.name;
    throw DxfError("no layout \"" + name + "\" in the drawing" +
                   (names.empty() ? " (it has none)" : ": its layouts are " + names));
}

template <typename Draw>
void Drawing::for_each_space(Draw draw) const {
    if (layout_ < 0) {
        draw(impl_->entities, Affine{}, nullptr);
        return;
    }
    for (const LayoutSpace& space :
         layout_spaces(*impl_, impl_->layouts[static_cast<size_t>(layout_)]))
        draw(*space.entities, space.m, space.clipped ? &space.clip : nullptr);
}

}  // namespace tvk::host
