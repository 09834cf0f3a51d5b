// The polygon group: polygon mode and its buffer, edged and filled
// polygons, rectangles and wedges, in the fill type of the moment (solid,
// parallel or cross hatching at its spacing and angle).
#include <algorithm>
#include <cmath>

#include "host/drawing/geometry/nonzero_outline.h"
#include "host/drawing/plotfile/interpreter.h"

namespace tvk::host::plotfile {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Hatch lines of one fill at most, and lines times edges: a finer spacing
// is widened to these.
constexpr double kMaxHatchLines = 20000;
constexpr double kMaxHatchWork = 1e8;

}  // namespace

void Interpreter::polygon_point(Vec2 to, bool down) {
    if (polygon_.empty()) {
        polygon_.emplace_back();
        polygon_edges_.emplace_back();
    }
    if (!down && !polygon_.back().empty()) {
        // A pen-up move begins another subpolygon.
        close_subpolygon();
        polygon_.emplace_back();
        polygon_edges_.emplace_back();
    }
    if (polygon_.back().empty()) {
        polygon_.back().push_back(down ? position_ : to);
        polygon_edges_.back().push_back(false);
        if (!down) return;
    }
    polygon_.back().push_back(to);
    polygon_edges_.back().push_back(down);
}

void Interpreter::close_subpolygon() {
    if (polygon_.empty()) return;
    auto& ring = polygon_.back();
    if (ring.size() >= 2 && !(ring.front() == ring.back())) {
        ring.push_back(ring.front());
        polygon_edges_.back().push_back(true);
    }
}

void Interpreter::polygon_instruction(const Instruction& in) {
    const std::string& n = in.name;
    const std::vector<double>& v = in.numbers;
    if (n == "PM") {
        const int mode = v.empty() ? 0 : static_cast<int>(v[0]);
        if (mode == 0) {
            output_.lift();
            polygon_.assign(1, {position_});
            polygon_edges_.assign(1, {false});
            polygon_mode_ = true;
        } else if (polygon_mode_) {
            close_subpolygon();
            if (mode == 1) {
                polygon_.emplace_back();
                polygon_edges_.emplace_back();
            } else {
                polygon_mode_ = false;
            }
        }
    } else if (n == "EP" || n == "FP") {
        if (polygon_mode_) return;
        std::vector<std::vector<Vec2>> rings;
        for (const auto& ring : polygon_)
            if (ring.size() >= 2) rings.push_back(ring);
        if (n == "FP") {
            // FP1 fills by the nonzero winding rule, FP and FP0 even-odd.
            fill_rings(rings, !v.empty() && v[0] == 1);
            return;
        }
        // Only the edges drawn with the pen down are edged.
        for (std::size_t r = 0; r < polygon_.size(); ++r) {
            output_.lift();
            for (std::size_t i = 1; i < polygon_[r].size(); ++i) {
                if (polygon_edges_[r][i]) {
                    output_.draw(polygon_[r][i - 1], polygon_[r][i]);
                } else {
                    output_.lift();
                }
            }
        }
        output_.lift();
    } else if (n == "EA" || n == "ER" || n == "RA" || n == "RR") {
        if (v.size() < 2) return;
        Vec2 corner{v[0], v[1]};
        if (n[1] == 'R') corner = to_user(position_) + corner;
        rectangle(corner, n[0] == 'R');
    } else if (n == "WG" || n == "EW") {
        wedge(v, n == "WG");
    } else if (n == "FT") {
        fill_type_ = v.empty() ? 1 : static_cast<int>(v[0]);
        if (fill_type_ == 3 || fill_type_ == 4) {
            if (v.size() >= 2) fill_spacing_ = std::abs(v[1]);
            if (v.size() >= 3) fill_angle_ = v[2];
        }
    }
}

void Interpreter::fill_rings(const std::vector<std::vector<Vec2>>& given, bool nonzero) {
    if (given.empty()) return;
    if (fill_type_ == 3 || fill_type_ == 4) {
        // Hatch lines cross the rings by the even-odd rule: a nonzero fill
        // is hatched inside its outline.
        const std::vector<std::vector<Vec2>> rings = nonzero ? nonzero_outline(given) : given;
        if (rings.empty()) return;
        double spacing = fill_spacing_ > 0 ? length(to_plotter_vector({fill_spacing_, 0})) : 0;
        if (!(spacing > 0)) spacing = length(p2_ - p1_) / 100;
        if (!(spacing > 0)) return;
        hatch(rings, spacing, fill_angle_);
        if (fill_type_ == 4) hatch(rings, spacing, fill_angle_ + 90);
        return;
    }
    // Solid (1, 2), shading (10) and patterns (11, 21, 22): the area filled.
    output_.fill(given, nonzero);
}

void Interpreter::edge_rings(const std::vector<std::vector<Vec2>>& rings) {
    for (const auto& ring : rings) {
        output_.lift();
        for (std::size_t i = 1; i < ring.size(); ++i) output_.draw(ring[i - 1], ring[i]);
    }
    output_.lift();
}

void Interpreter::hatch(const std::vector<std::vector<Vec2>>& rings, double spacing,
                        double degrees) {
    const double a = degrees * kPi / 180;
    const Affine turn = Affine::rotate(-a), back = Affine::rotate(a);
    std::vector<std::vector<Vec2>> turned;
    double low = 1e300, high = -1e300;
    for (const auto& ring : rings) {
        turned.emplace_back();
        for (const Vec2 p : ring) {
            turned.back().push_back(turn.apply(p));
            low = std::min(low, turned.back().back().y);
            high = std::max(high, turned.back().back().y);
        }
    }
    if (!(high >= low)) return;
    std::size_t edges = 0;
    for (const auto& ring : turned) edges += ring.size();
    const double most = std::min(kMaxHatchLines, kMaxHatchWork / static_cast<double>(edges + 1));
    if ((high - low) / spacing > most) spacing = (high - low) / most;
    std::vector<double> xs;
    output_.lift();
    for (double k = std::ceil(low / spacing); k * spacing <= high; ++k) {
        const double y = k * spacing;
        xs.clear();
        for (const auto& ring : turned) {
            for (std::size_t i = 0; i < ring.size(); ++i) {
                const Vec2 p = ring[i], q = ring[(i + 1) % ring.size()];
                if ((p.y <= y) == (q.y <= y)) continue;
                xs.push_back(p.x + (y - p.y) / (q.y - p.y) * (q.x - p.x));
            }
        }
        std::sort(xs.begin(), xs.end());
        for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
            if (xs[i + 1] <= xs[i]) continue;
            output_.draw(back.apply({xs[i], y}), back.apply({xs[i + 1], y}));
            output_.lift();
        }
        if (output_.full()) return;
    }
}

void Interpreter::rectangle(Vec2 corner, bool fill) {
    if (polygon_mode_) return;
    const Vec2 c = to_user(position_);
    const std::vector<Vec2> ring = {position_, to_plotter({corner.x, c.y}), to_plotter(corner),
                                    to_plotter({c.x, corner.y}), position_};
    if (fill) {
        fill_rings({ring});
    } else {
        edge_rings({ring});
    }
}

void Interpreter::wedge(const std::vector<double>& v, bool fill) {
    if (v.size() < 3 || polygon_mode_) return;
    const Vec2 center = to_user(position_);
    const double start = v[1] * kPi / 180;
    const Vec2 from = center + v[0] * Vec2{std::cos(start), std::sin(start)};
    const std::optional<double> chord = v.size() > 3 ? std::optional<double>(v[3]) : std::nullopt;
    std::vector<Vec2> ring;
    const bool whole = std::abs(v[2]) >= 360;
    if (!whole) ring.push_back(position_);
    ring.push_back(to_plotter(from));
    for (const Vec2 p : arc_points(center, from, v[2], chord)) ring.push_back(p);
    if (!whole) ring.push_back(ring.front());
    if (fill) {
        fill_rings({ring});
    } else {
        edge_rings({ring});
    }
}

}  // namespace tvk::host::plotfile
