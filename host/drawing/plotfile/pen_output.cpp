#include "host/drawing/plotfile/pen_output.h"

#include <algorithm>
#include <cmath>

namespace tvk::host::plotfile {
namespace {

int colour_of(int pen) {
    return pen <= 255 ? pen : (pen - 1) % 255 + 1;
}

// The part of a-b inside the box (Liang-Barsky); false when none is.
bool clip(Vec2& a, Vec2& b, const Box& box) {
    double t0 = 0, t1 = 1;
    const Vec2 d = b - a;
    const double p[4] = {-d.x, d.x, -d.y, d.y};
    const double q[4] = {a.x - box.min_x, box.max_x - a.x, a.y - box.min_y, box.max_y - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0) t0 = std::max(t0, r);
        if (p[i] > 0) t1 = std::min(t1, r);
    }
    if (t0 > t1) return false;
    const Vec2 start = a;
    a = start + t0 * d;
    b = start + t1 * d;
    return true;
}

// One edge of the window clipping a ring (Sutherland-Hodgman).
std::vector<Vec2> clip_ring(const std::vector<Vec2>& ring, int edge, double at) {
    std::vector<Vec2> out;
    const auto in = [&](Vec2 p) {
        switch (edge) {
            case 0:
                return p.x >= at;
            case 1:
                return p.x <= at;
            case 2:
                return p.y >= at;
            default:
                return p.y <= at;
        }
    };
    const auto cross = [&](Vec2 a, Vec2 b) {
        const double t = edge < 2 ? (at - a.x) / (b.x - a.x) : (at - a.y) / (b.y - a.y);
        return a + t * (b - a);
    };
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Vec2 a = ring[i];
        const Vec2 b = ring[(i + 1) % ring.size()];
        if (in(a)) out.push_back(a);
        if (in(a) != in(b)) out.push_back(cross(a, b));
    }
    return out;
}

}  // namespace

void PenOutput::set_rotation(int degrees, std::optional<Vec2> page) {
    finish_run();
    const double r = degrees * std::acos(-1.0) / 180;
    Vec2 origin{0, 0};
    if (page) {
        if (degrees == 90) origin = {page->x, 0};
        if (degrees == 180) origin = {page->x, page->y};
        if (degrees == 270) origin = {0, page->y};
    }
    frame_ =
        Affine::scale(mm_per_unit_, mm_per_unit_) * Affine::translate(origin) * Affine::rotate(r);
    // Exact quarter turns.
    for (double* v : {&frame_.a, &frame_.b, &frame_.d, &frame_.e})
        if (std::abs(*v) < 1e-12 * mm_per_unit_) *v = 0;
}

Vec2 PenOutput::from_page(Vec2 mm) const {
    return frame_.unapply(mm);
}

void PenOutput::set_window(std::optional<Box> window) {
    finish_run();
    window_ = window;
}

void PenOutput::set_style(const StrokeStyle& style) {
    if (style == style_) return;
    lift();
    style_ = style;
}

bool PenOutput::inside(Vec2 p) const {
    return !window_ || (p.x >= window_->min_x && p.x <= window_->max_x && p.y >= window_->min_y &&
                        p.y <= window_->max_y);
}

void PenOutput::add_point(Vec2 p) {
    ++points_;
    run_.push_back(to_mm(p));
}

void PenOutput::set_dashes(std::optional<DashPattern> dashes) {
    if (dashes == dashes_) return;
    lift();
    dashes_ = std::move(dashes);
}

void PenOutput::draw(Vec2 from, Vec2 to) {
    if (style_.pen == 0 || full() || !entities_) return;
    if (from == to) {
        lower(from);
        return;
    }
    if (dashes_) {
        draw_dashed(from, to);
    } else {
        draw_solid(from, to);
    }
}

void PenOutput::draw_dashed(Vec2 from, Vec2 to) {
    const std::vector<double>& lengths = dashes_->lengths;
    double total = 0;
    for (const double l : lengths) total += l;
    const double step_length = length(to - from);
    // A pattern finer than the step can show is drawn as a solid line.
    constexpr double kMostDashes = 100000;
    if (!(total > 0) || lengths.empty() || step_length / total > kMostDashes) {
        draw_solid(from, to);
        dash_end_ = to;
        return;
    }
    double scale = 1;
    if (dashes_->adaptive) {
        const double whole = std::max(1.0, std::round(step_length / total));
        scale = step_length / (whole * total);
    }
    if (dashes_->adaptive || !dash_end_ || !(*dash_end_ == from)) {
        dash_element_ = 0;
        dash_into_ = 0;
        dot_.reset();
    }
    const Vec2 d = (1 / step_length) * (to - from);
    double at = 0;
    // Each pass ends an element or the step; a dot ends its element at once.
    const double most_passes = (kMostDashes + 2) * static_cast<double>(lengths.size() + 1);
    for (double pass = 0; pass < most_passes && !full(); ++pass) {
        const double element = lengths[dash_element_ % lengths.size()] * scale;
        const bool down = dash_element_ % 2 == 0;
        const double step = std::min(element - dash_into_, step_length - at);
        // Each dash is a path of its own, held at the cost of several points:
        // a short instruction may make a hundred thousand of them.
        constexpr std::size_t kDashCost = 32;
        if (down && element == 0) {
            dot(from + at * d);
            points_ += kDashCost;
        } else if (down && step > 0) {
            draw_solid(from + at * d, at + step >= step_length ? to : from + (at + step) * d);
            points_ += kDashCost;
        }
        at += step;
        dash_into_ += step;
        if (dash_into_ >= element) {
            dash_element_ = (dash_element_ + 1) % lengths.size();
            dash_into_ = 0;
        }
        // What rounding leaves of the step is no dash.
        if (at >= step_length * (1 - 1e-12)) break;
    }
    dash_end_ = to;
}

void PenOutput::draw_solid(Vec2 from, Vec2 to) {
    Vec2 a = from, b = to;
    if (window_ && !clip(a, b, *window_)) return;
    if (!run_end_ || !(*run_end_ == a)) {
        finish_run();
        add_point(a);
    }
    add_point(b);
    run_end_ = b;
    dot_.reset();
}

void PenOutput::lower(Vec2 at) {
    if (style_.pen == 0) return;
    if (run_end_ && *run_end_ == at) return;
    dot_ = at;
}

void PenOutput::lift() {
    finish_run();
    if (dot_) dot(*dot_);
    dot_.reset();
    dash_end_.reset();
}

void PenOutput::dot(Vec2 at) {
    finish_run();
    if (entities_ && style_.pen != 0 && inside(at) && !full()) {
        Entity e;
        e.layer = "0";
        e.color = colour_of(style_.pen);
        e.true_color = style_.true_color;
        e.linetype = "CONTINUOUS";
        const Vec2 p = to_mm(at);
        e.what = Segment{p, p};
        entities_->push_back(std::move(e));
        ++points_;
        drew_ = true;
    }
}

void PenOutput::finish_run() {
    if (run_.size() >= 2 && entities_) {
        Entity e;
        e.layer = "0";
        e.color = colour_of(style_.pen);
        e.true_color = style_.true_color;
        e.linetype = style_.linetype;
        Shape shape{{Trace{{Polyline{std::move(run_)}}}}, false};
        shape.width = style_.width_mm;
        e.what = std::move(shape);
        entities_->push_back(std::move(e));
        drew_ = true;
    }
    run_.clear();
    run_end_.reset();
}

void PenOutput::fill(const std::vector<std::vector<Vec2>>& rings, bool nonzero) {
    if (style_.pen == 0 || full() || !entities_) return;
    lift();
    Shape shape;
    shape.filled = true;
    shape.nonzero = nonzero;
    for (std::vector<Vec2> ring : rings) {
        if (window_) {
            ring = clip_ring(ring, 0, window_->min_x);
            ring = clip_ring(ring, 1, window_->max_x);
            ring = clip_ring(ring, 2, window_->min_y);
            ring = clip_ring(ring, 3, window_->max_y);
        }
        if (ring.size() < 3) continue;
        std::vector<Vec2> mm;
        for (Vec2 p : ring) mm.push_back(to_mm(p));
        points_ += mm.size();
        shape.traces.push_back(Trace{{Polyline{std::move(mm)}}});
    }
    if (shape.traces.empty()) return;
    Entity e;
    e.layer = "0";
    e.color = colour_of(style_.pen);
    e.true_color = style_.true_color;
    e.linetype = "CONTINUOUS";
    e.what = std::move(shape);
    entities_->push_back(std::move(e));
    drew_ = true;
}

}  // namespace tvk::host::plotfile
