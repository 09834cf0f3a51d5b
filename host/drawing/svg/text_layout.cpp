#include "host/drawing/svg/text_layout.h"

#include <algorithm>
#include <cmath>

namespace tvk::host {

SvgPathMeasure::SvgPathMeasure(std::vector<Vec2> points) : points_(std::move(points)) {
    for (size_t i = 0; i < points_.size(); ++i) {
        if (i > 0) total_ += tvk::host::length(points_[i] - points_[i - 1]);
        distance_.push_back(total_);
    }
}

std::optional<std::pair<Vec2, double>> SvgPathMeasure::at(double s) const {
    if (points_.size() < 2 || s < 0 || s > total_) return std::nullopt;
    size_t i = static_cast<size_t>(std::upper_bound(distance_.begin(), distance_.end(), s) -
                                   distance_.begin());
    i = std::clamp<size_t>(i, 1, points_.size() - 1);
    // Past zero-length pieces to one with a direction.
    while (i + 1 < points_.size() && distance_[i] == distance_[i - 1]) ++i;
    const Vec2 a = points_[i - 1], b = points_[i];
    const double piece = distance_[i] - distance_[i - 1];
    const double t = piece > 0 ? (s - distance_[i - 1]) / piece : 0;
    return std::pair(a + t * (b - a), std::atan2(b.y - a.y, b.x - a.x));
}

void SvgTextLayout::place(char32_t c, const SvgCharPosition& p, double advance, double scale,
                          double em, int anchor, int style) {
    if ((p.x || p.y) && !chunk_.empty()) finish_chunk();
    if (chunk_.empty()) chunk_anchor_ = anchor;
    if (p.x) pen_.x = *p.x;
    if (p.y) pen_.y = *p.y;
    pen_ = pen_ + Vec2{p.dx, p.dy};
    Placed placed;
    placed.glyph = SvgGlyph{c, pen_, scale, p.rotate, style};
    if (vertical_) {
        // Upright characters one em apart, centred on the line, hanging from the pen.
        placed.glyph.at = pen_ + Vec2{-0.5 * advance * scale, em * 0.8};
        placed.advance = em;
        pen_.y += em;
    } else {
        placed.advance = advance * scale;
        pen_.x += placed.advance;
    }
    chunk_.push_back(placed);
    ++count_;
}

void SvgTextLayout::finish_chunk() {
    if (chunk_.empty()) return;
    // The chunk's extent along the line, from its first character's origin
    // to the end of its last one's advance.
    const Placed& first = chunk_.front();
    const Placed& last = chunk_.back();
    const Vec2 start = first.glyph.at;
    const Vec2 end = last.glyph.at + (vertical_ ? Vec2{0, last.advance} : Vec2{last.advance, 0});
    const double extent = vertical_ ? end.y - start.y : end.x - start.x;
    const double shift = -0.5 * chunk_anchor_ * extent;
    for (Placed& p : chunk_) {
        p.glyph.at = p.glyph.at + (vertical_ ? Vec2{0, shift} : Vec2{shift, 0});
        done_.push_back(p.glyph);
    }
    chunk_.clear();
}

std::vector<SvgGlyph> SvgTextLayout::take(bool at_end) {
    if (at_end) {
        // Collapsed white space at the end of a text takes no room.
        if (!chunk_.empty() && chunk_.back().glyph.c == U' ') chunk_.pop_back();
        finish_chunk();
    }
    std::vector<SvgGlyph> out;
    out.swap(done_);
    return out;
}

}  // namespace tvk::host
