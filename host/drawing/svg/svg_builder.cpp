#include "host/drawing/svg/svg_builder.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "host/drawing/model/true_color.h"
#include "host/drawing/svg/polygon_clip.h"

namespace tvk::host {

namespace {

double cross(Vec2 a, Vec2 b) {
    return a.x * b.y - a.y * b.x;
}

// Winding number of a closed ring around p.
int winding(const std::vector<Vec2>& ring, Vec2 p) {
    int w = 0;
    for (size_t i = 0, n = ring.size(); i < n; ++i) {
        const Vec2 a = ring[i], b = ring[(i + 1) % n];
        const double side = cross(b - a, p - a);
        if (a.y <= p.y && b.y > p.y && side > 0) ++w;
        if (a.y > p.y && b.y <= p.y && side < 0) --w;
    }
    return w;
}

bool shape_contains(const SvgClipShape& shape, Vec2 p) {
    int w = 0;
    for (const auto& ring : shape.rings) {
        const int n = winding(ring, p);
        w += shape.even_odd ? (n != 0 ? 1 : 0) : n;
    }
    return shape.even_odd ? (w % 2) != 0 : w != 0;
}

// Where a-b crosses c-d, as a parameter along a-b.
std::optional<double> crossing(Vec2 a, Vec2 b, Vec2 c, Vec2 d) {
    const Vec2 r = b - a, s = d - c;
    const double den = cross(r, s);
    if (den == 0) return std::nullopt;
    const double t = cross(c - a, s) / den, u = cross(c - a, r) / den;
    if (t <= 0 || t >= 1 || u < 0 || u > 1) return std::nullopt;
    return t;
}

}  // namespace

bool clip_contains(const SvgClip& clip, Vec2 p) {
    return std::any_of(clip.begin(), clip.end(),
                       [&](const SvgClipShape& s) { return shape_contains(s, p); });
}

std::vector<std::vector<Vec2>> clip_polyline(const std::vector<Vec2>& line, const SvgClip& clip,
                                             const std::function<void(double)>& spend) {
    double edges = 0;
    for (const SvgClipShape& shape : clip)
        for (const auto& ring : shape.rings) edges += static_cast<double>(ring.size());
    std::vector<std::vector<Vec2>> pieces;
    std::vector<Vec2> current;
    auto flush = [&] {
        if (current.size() >= 2) pieces.push_back(std::move(current));
        current.clear();
    };
    if (line.size() == 1 && clip_contains(clip, line[0])) return {line};
    for (size_t i = 1; i < line.size(); ++i) {
        const Vec2 a = line[i - 1], b = line[i];
        std::vector<double> cuts{0, 1};
        for (const SvgClipShape& shape : clip) {
            for (const auto& ring : shape.rings) {
                for (size_t k = 0, n = ring.size(); k < n; ++k) {
                    if (auto t = crossing(a, b, ring[k], ring[(k + 1) % n])) cuts.push_back(*t);
                }
            }
        }
        // Each piece between two crossings is tested against every edge again.
        spend(edges * static_cast<double>(cuts.size()));
        std::sort(cuts.begin(), cuts.end());
        for (size_t k = 1; k < cuts.size(); ++k) {
            const double t0 = cuts[k - 1], t1 = cuts[k];
            if (t1 <= t0) continue;
            const Vec2 p0 = a + t0 * (b - a), p1 = a + t1 * (b - a);
            if (!clip_contains(clip, a + (0.5 * (t0 + t1)) * (b - a))) {
                flush();
                continue;
            }
            if (current.empty() || !(current.back() == p0)) {
                flush();
                current.push_back(p0);
            }
            current.push_back(p1);
        }
    }
    flush();
    return pieces;
}

std::optional<std::vector<Vec2>> convex_ring(const SvgClip& clip) {
    if (clip.size() != 1 || clip[0].rings.size() != 1) return std::nullopt;
    std::vector<Vec2> ring = clip[0].rings[0];
    if (ring.size() < 3) return std::nullopt;
    double area = 0;
    for (size_t i = 0, n = ring.size(); i < n; ++i) area += cross(ring[i], ring[(i + 1) % n]);
    if (area < 0) std::reverse(ring.begin(), ring.end());
    // Every turn the same way, and once round in all: a star turns one way
    // at every corner too, but twice round.
    double turned = 0;
    for (size_t i = 0, n = ring.size(); i < n; ++i) {
        const Vec2 a = ring[i], b = ring[(i + 1) % n], c = ring[(i + 2) % n];
        if (cross(b - a, c - b) < -1e-9 * std::max(1.0, length(b - a) * length(c - b)))
            return std::nullopt;
        const Vec2 u = b - a, v = c - b;
        turned += std::atan2(cross(u, v), u.x * v.x + u.y * v.y);
    }
    if (std::abs(turned) > 2 * std::numbers::pi + 1e-6) return std::nullopt;
    return ring;
}

std::vector<Vec2> clip_ring(const std::vector<Vec2>& ring, const std::vector<Vec2>& convex) {
    std::vector<Vec2> out = ring;
    for (size_t i = 0, n = convex.size(); i < n && !out.empty(); ++i) {
        const Vec2 a = convex[i], b = convex[(i + 1) % n];
        auto inside = [&](Vec2 p) { return cross(b - a, p - a) >= 0; };
        std::vector<Vec2> in = std::move(out);
        out.clear();
        for (size_t k = 0, m = in.size(); k < m; ++k) {
            const Vec2 p = in[k], q = in[(k + 1) % m];
            if (inside(p)) out.push_back(p);
            if (inside(p) != inside(q)) {
                const double t = cross(a - p, b - a) / cross(q - p, b - a);
                out.push_back(p + t * (q - p));
            }
        }
    }
    return out;
}

int SvgBuilder::color_number(uint32_t rgb) {
    if (auto it = numbers_.find(rgb); it != numbers_.end()) return it->second;
    const int number =
        numbers_.size() < 255 ? static_cast<int>(numbers_.size()) + 1 : nearest_color_index(rgb);
    numbers_[rgb] = number;
    return number;
}

void SvgBuilder::add_entity(Shape shape, uint32_t rgb, const std::string& layer,
                            const std::string& linetype) {
    Entity e;
    e.layer = layer;
    e.color = color_number(rgb);
    e.true_color = static_cast<int32_t>(rgb);
    e.linetype = linetype.empty() ? "CONTINUOUS" : linetype;
    e.what = std::move(shape);
    d_.entities.push_back(std::move(e));
}

std::string SvgBuilder::dash_linetype(const DashPattern& dashes) {
    auto [it, fresh] = dash_names_.try_emplace({dashes.lengths, dashes.offset});
    if (fresh) {
        it->second = "SVG-DASHES-" + std::to_string(dash_names_.size());
        d_.dash_patterns.emplace(it->second, dashes);
    }
    return it->second;
}

void SvgBuilder::add_layer(const std::string& name) {
    d_.layers.try_emplace(name);
}

void SvgBuilder::add_unsupported(const std::string& type, const std::string& layer) {
    Entity e;
    e.layer = layer;
    e.what = Unsupported{type};
    d_.entities.push_back(std::move(e));
}

// Clipping takes each segment against each edge of the clip: curves
// flattened to a hundred thousand points on both sides would take hours.
constexpr double kMaxClipSteps = 300'000'000;

void SvgBuilder::clipping(double steps) {
    clip_steps_ += steps;
    if (clip_steps_ > kMaxClipSteps) {
        throw DrawingError("its clip paths take more than " +
                           std::to_string(static_cast<long>(kMaxClipSteps)) +
                           " steps to apply (segments times clip edges)");
    }
}

void SvgBuilder::add(const std::vector<Trace>& traces, const SvgDraw& draw) {
    if (traces.empty()) return;
    if (draw.clips.empty()) {
        if (draw.fill) {
            Shape fill{traces, true};
            fill.nonzero = !draw.even_odd;
            add_entity(std::move(fill), *draw.fill, draw.layer);
        }
        if (draw.stroke)
            add_entity(Shape{traces, false, Shape::kBounded, draw.width}, *draw.stroke, draw.layer,
                       draw.linetype);
        return;
    }
    std::vector<std::vector<Vec2>> lines;
    for (const Trace& t : traces) lines.push_back(flatten_trace(t, Affine{}, kSvgClipTolerance));
    const std::vector<std::vector<Vec2>> outlines = lines;
    if (draw.fill) {
        Shape fill{{}, true};
        // Cut by polygon clipping; where it cannot take the rings (a ring
        // that crosses itself), by convex clips alone, other clips leaving
        // the fill whole.
        SvgArea area{lines, draw.even_odd};
        std::vector<std::vector<SvgArea>> areas;
        double points = 0;
        for (const auto& ring : lines) points += static_cast<double>(ring.size());
        for (const SvgClip* clip : draw.clips) {
            auto& a = areas.emplace_back();
            for (const SvgClipShape& shape : *clip) {
                a.push_back({shape.rings, shape.even_odd});
                for (const auto& ring : shape.rings) points += static_cast<double>(ring.size());
            }
        }
        clipping(points * std::max(1.0, std::log2(points)));
        std::optional<std::vector<std::vector<Vec2>>> cut = clip_area(area, areas);
        if (cut) {
            for (auto& ring : *cut) fill.traces.push_back(Trace{{Polyline{std::move(ring)}}});
            lines.clear();
        } else {
            // Cut by convex clips alone, the rings keep their own rule.
            fill.nonzero = !draw.even_odd;
        }
        for (auto ring : lines) {
            for (const SvgClip* clip : draw.clips) {
                // A clip that is not one convex outline leaves fills whole.
                if (auto convex = convex_ring(*clip)) {
                    clipping(static_cast<double>(ring.size() * convex->size()));
                    ring = clip_ring(ring, *convex);
                }
            }
            if (ring.size() >= 3) fill.traces.push_back(Trace{{Polyline{std::move(ring)}}});
        }
        if (!fill.traces.empty()) add_entity(std::move(fill), *draw.fill, draw.layer);
    }
    if (draw.stroke) {
        std::vector<std::vector<Vec2>> pieces = outlines;
        for (const SvgClip* clip : draw.clips) {
            std::vector<std::vector<Vec2>> cut;
            for (const auto& piece : pieces) {
                for (auto& p : clip_polyline(piece, *clip, [&](double s) { clipping(s); }))
                    cut.push_back(std::move(p));
            }
            pieces = std::move(cut);
        }
        Shape stroke;
        stroke.width = draw.width;
        for (auto& p : pieces) stroke.traces.push_back(Trace{{Polyline{std::move(p)}}});
        if (!stroke.traces.empty()) add_entity(std::move(stroke), *draw.stroke, draw.layer);
    }
}

}  // namespace tvk::host
