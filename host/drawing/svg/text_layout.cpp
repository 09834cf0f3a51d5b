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

bool upright_in_vertical_text(char32_t c) {
    return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF01 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x20000;
}

void SvgTextLayout::start(const SvgCharPosition& p, int anchor) {
    if ((p.x || p.y) && !chunk_.empty()) finish_chunk();
    if (chunk_.empty()) chunk_anchor_ = anchor;
    if (p.x) pen_.x = *p.x;
    if (p.y) pen_.y = *p.y;
    pen_ = pen_ + Vec2{p.dx, p.dy};
}

void SvgTextLayout::place_combined(const std::u32string& text, const std::vector<double>& advances,
                                   const SvgCharPosition& p, double scale, double em, int anchor,
                                   int style) {
    if (text.empty()) return;
    start(p, anchor);
    double width = 0;
    for (double a : advances) width += a * scale;
    const double squeeze = width > em ? em / width : 1;
    double x = pen_.x - 0.5 * width * squeeze;
    for (size_t i = 0; i < text.size(); ++i) {
        Placed placed;
        placed.from = pen_;
        placed.glyph = SvgGlyph{text[i], {x, pen_.y + em * 0.8}, scale, p.rotate, style, squeeze};
        x += advances[i] * scale * squeeze;
        placed.advance = em;  // the run takes one em of the line
        chunk_.push_back(placed);
        ++count_;
    }
    pen_.y += em;
}

void SvgTextLayout::place(char32_t c, const SvgCharPosition& p, double advance, double scale,
                          double em, int anchor, int style, bool sideways, double drawn,
                          double spacing) {
    start(p, anchor);
    Placed placed;
    placed.from = pen_;
    placed.glyph = SvgGlyph{c, pen_, scale, p.rotate, style};
    const double room = advance - spacing;
    if (drawn > room && room > 0)
        placed.glyph.squeeze = room / drawn;
    else if (drawn > 0 && room > 0)
        placed.glyph.inset = 0.5 * (room - drawn) * scale;
    if (vertical_ && sideways) {
        // Its baseline down the line, the letters centred on it.
        placed.glyph.at = pen_ + Vec2{-0.5 * scale, 0};
        placed.glyph.rotate += 90;
        placed.advance = advance * scale;
        pen_.y += placed.advance;
    } else if (vertical_) {
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
    const auto along = [&](Vec2 v) { return vertical_ ? v.y : v.x; };
    double end = along(chunk_.front().from);
    for (const Placed& p : chunk_) end = std::max(end, along(p.from) + p.advance);
    const double extent = end - along(chunk_.front().from);
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
