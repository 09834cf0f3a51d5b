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

void PenOutput::set_rotation(int degrees) {
    finish_run();
    const double r = degrees * std::acos(-1.0) / 180;
    frame_ = Affine::rotate(r) * Affine::scale(mm_per_unit_, mm_per_unit_);
    // Exact quarter turns.
    for (double* v : {&frame_.a, &frame_.b, &frame_.d, &frame_.e})
        if (std::abs(*v) < 1e-12 * mm_per_unit_) *v = 0;
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

void PenOutput::draw(Vec2 from, Vec2 to) {
    if (style_.pen == 0 || full() || !entities_) return;
    if (from == to) {
        lower(from);
        return;
    }
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
    if (dot_ && entities_ && style_.pen != 0 && inside(*dot_) && !full()) {
        Entity e;
        e.layer = "0";
        e.color = colour_of(style_.pen);
        e.true_color = style_.true_color;
        e.linetype = "CONTINUOUS";
        const Vec2 p = to_mm(*dot_);
        e.what = Segment{p, p};
        entities_->push_back(std::move(e));
        ++points_;
        drew_ = true;
    }
    dot_.reset();
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

void PenOutput::fill(const std::vector<std::vector<Vec2>>& rings) {
    if (style_.pen == 0 || full() || !entities_) return;
    lift();
    Shape shape;
    shape.filled = true;
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
