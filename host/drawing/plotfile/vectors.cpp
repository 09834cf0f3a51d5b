// The vector group: pen moves and draws in absolute and relative forms,
// polyline-encoded moves, circles, arcs, Bezier curves and tick marks.
#include <algorithm>
#include <cmath>

#include "host/drawing/plotfile/interpreter.h"

namespace tvk::host::plotfile {
namespace {

constexpr double kPi = 3.14159265358979323846;
// HP-GL/2 takes chord angles from half a degree to 180 degrees.
constexpr double kMinChord = 0.5, kMaxChord = 180;
constexpr double kDefaultChord = 5;
// Pieces of a Bezier curve at most.
constexpr int kMaxBezierPieces = 1000;

std::optional<double> chord_argument(const std::vector<double>& v, std::size_t at) {
    if (v.size() > at) return v[at];
    return std::nullopt;
}

}  // namespace

void Interpreter::move_to(Vec2 to, bool down) {
    if (polygon_mode_) {
        polygon_point(to, down);
    } else if (down && line_type_.set && line_type_.type == 0) {
        // LT0: a dot where each vector ends, nothing between.
        output_.lift();
        output_.lower(to);
        output_.lift();
    } else if (down) {
        output_.draw(position_, to);
    } else if (!(to == position_)) {
        output_.lift();
    }
    position_ = to;
}

void Interpreter::plot_points(const std::vector<double>& v, bool relative) {
    for (std::size_t k = 0; k + 1 < v.size() && !output_.full(); k += 2) {
        const Vec2 p{v[k], v[k + 1]};
        move_to(relative ? position_ + to_plotter_vector(p) : to_plotter(p), pen_down_);
        if (symbol_) symbol(position_);
    }
}

void Interpreter::vector_instruction(const Instruction& in) {
    const std::string& n = in.name;
    const std::vector<double>& v = in.numbers;
    if (n == "PU" || n == "PD") {
        pen_down_ = n == "PD";
        if (v.empty()) {
            if (polygon_mode_) return;
            if (pen_down_) {
                output_.lower(position_);  // a dot, unless a line goes on from here
            } else {
                output_.lift();
            }
        }
        plot_points(v, relative_);
    } else if (n == "PA" || n == "PR") {
        relative_ = n == "PR";
        plot_points(v, relative_);
    } else if (n == "PE") {
        polyline_encoded(in.text);
    } else if (n == "CI") {
        if (!v.empty()) circle(v[0], chord_argument(v, 1));
    } else if (n == "AA" || n == "AR") {
        if (v.size() < 3) return;
        const Vec2 c = n == "AA" ? Vec2{v[0], v[1]} : to_user(position_) + Vec2{v[0], v[1]};
        arc(c, v[2], chord_argument(v, 3), pen_down_);
    } else if (n == "AT" || n == "RT") {
        if (v.size() < 4) return;
        const Vec2 here = to_user(position_);
        Vec2 through{v[0], v[1]}, end{v[2], v[3]};
        if (n == "RT") through = here + through, end = here + end;
        three_point_arc(through, end, chord_argument(v, 4));
    } else if (n == "BZ" || n == "BR") {
        bezier(v, n == "BR");
    } else if (n == "XT" || n == "YT") {
        if (polygon_mode_) return;
        const bool x = n == "XT";
        const double span = x ? std::abs(p2_.y - p1_.y) : std::abs(p2_.x - p1_.x);
        const Vec2 unit = x ? Vec2{0, 1} : Vec2{1, 0};
        const Vec2 a = position_ + (tick_plus_ / 100 * span) * unit;
        const Vec2 b = position_ - (tick_minus_ / 100 * span) * unit;
        output_.lift();
        output_.draw(a, b);
        output_.lift();
        if (pen_down_) output_.lower(position_);
    }
}

void Interpreter::polyline_encoded(const std::string& body) {
    bool eight_bit = true, pen_up_next = false, absolute_next = false, pen_next = false;
    bool fraction_next = false;
    int fraction_bits = 0;
    std::vector<double> pending;
    uint64_t value = 0, scale = 1;
    for (const char ch : body) {
        const auto c = static_cast<unsigned char>(ch);
        if (scale == 1) {
            if (c == '7') {
                eight_bit = false;
                continue;
            }
            if (c == '<' || c == '=' || c == ':' || c == '>') {
                pen_up_next |= c == '<';
                absolute_next |= c == '=';
                pen_next |= c == ':';
                fraction_next |= c == '>';
                continue;
            }
        }
        const unsigned base = eight_bit ? 64 : 32;
        const unsigned last_low = eight_bit ? 191 : 95;
        const bool more = c >= 63 && c < 63 + base;
        const bool last = c >= last_low && c < last_low + base;
        if (!more && !last) continue;  // blanks and line ends between numbers
        if (scale <= (uint64_t{1} << 32)) {
            value += (static_cast<uint64_t>(c) - (more ? 63 : last_low)) * scale;
            scale *= base;
        }
        if (more) continue;
        double number = static_cast<double>(value >> 1) * ((value & 1) ? -1 : 1);
        value = 0;
        scale = 1;
        if (fraction_next) {
            fraction_bits = std::clamp(static_cast<int>(number), 0, 26);
            fraction_next = false;
            continue;
        }
        if (pen_next) {
            pen_ = std::clamp(static_cast<int>(number), 0, 1 << 15);
            set_style();
            pen_next = false;
            continue;
        }
        number = std::clamp(number / std::ldexp(1.0, fraction_bits), -kNumberLimit, kNumberLimit);
        pending.push_back(number);
        if (pending.size() < 2) continue;
        const Vec2 p{pending[0], pending[1]};
        pending.clear();
        pen_down_ = !pen_up_next;
        if (!pen_down_) output_.lift();
        move_to(absolute_next ? to_plotter(p) : position_ + to_plotter_vector(p), pen_down_);
        pen_up_next = absolute_next = false;
        if (output_.full()) return;
    }
}

double Interpreter::chord_degrees(std::optional<double> chord, double radius) const {
    double degrees = kDefaultChord;
    if (chord && chord_deviation_) {
        // The greatest distance of a chord from the arc, in the current units.
        const double deviation = std::abs(*chord) * length(to_plotter_vector({1, 0}));
        if (radius > 0 && deviation > 0)
            degrees = deviation >= 2 * radius ? kMaxChord
                                              : 2 * std::acos(1 - deviation / radius) * 180 / kPi;
    } else if (chord) {
        degrees = std::abs(*chord);
    }
    if (!std::isfinite(degrees)) degrees = kDefaultChord;
    return std::clamp(degrees, kMinChord, kMaxChord);
}

std::vector<Vec2> Interpreter::arc_points(Vec2 center, Vec2 start, double sweep,
                                          std::optional<double> chord) const {
    std::vector<Vec2> out;
    const Vec2 r = start - center;
    const double radius = length(to_plotter(start) - to_plotter(center));
    if (!std::isfinite(sweep) || radius == 0) return out;
    sweep = std::clamp(sweep, -360.0, 360.0);
    const double step = chord_degrees(chord, radius);
    const double a0 = std::atan2(r.y, r.x);
    const double rr = length(r);
    const int whole = static_cast<int>(std::floor(std::abs(sweep) / step + 1e-9));
    const double sign = sweep < 0 ? -1 : 1;
    for (int k = 1; k <= whole; ++k) {
        const double a = a0 + sign * k * step * kPi / 180;
        out.push_back(to_plotter(center + rr * Vec2{std::cos(a), std::sin(a)}));
    }
    if (std::abs(sweep) - whole * step > 1e-9) {
        const double a = a0 + sweep * kPi / 180;
        out.push_back(to_plotter(center + rr * Vec2{std::cos(a), std::sin(a)}));
    }
    return out;
}

void Interpreter::arc(Vec2 center, double sweep, std::optional<double> chord, bool down) {
    for (const Vec2 p : arc_points(center, to_user(position_), sweep, chord)) move_to(p, down);
}

void Interpreter::circle(double radius, std::optional<double> chord) {
    const Vec2 center = position_;
    const Vec2 c = to_user(center);
    const Vec2 start_user = c + Vec2{radius, 0};
    std::vector<Vec2> ring{to_plotter(start_user)};
    for (const Vec2 p : arc_points(c, start_user, 360, chord)) ring.push_back(p);
    if (polygon_mode_) {
        close_subpolygon();
        polygon_.push_back(ring);
        polygon_edges_.push_back(std::vector<bool>(ring.size(), true));
        polygon_.emplace_back();
        polygon_edges_.emplace_back();
        return;
    }
    // The pen goes up to the circle, draws it and comes back to the centre.
    output_.lift();
    for (std::size_t i = 1; i < ring.size(); ++i) output_.draw(ring[i - 1], ring[i]);
    output_.lift();
}

void Interpreter::three_point_arc(Vec2 through, Vec2 end, std::optional<double> chord) {
    const Vec2 s = to_user(position_);
    // The centre: where the perpendicular bisectors of s-through and s-end meet.
    const Vec2 b = through - s, c = end - s;
    const double d = 2 * (b.x * c.y - b.y * c.x);
    if (std::abs(d) < 1e-12 * (length(b) * length(c) + 1e-300) || !std::isfinite(d)) {
        move_to(to_plotter(end), pen_down_);  // in a line: drawn straight
        return;
    }
    const double bb = b.x * b.x + b.y * b.y, cc = c.x * c.x + c.y * c.y;
    const Vec2 center = s + Vec2{(c.y * bb - b.y * cc) / d, (b.x * cc - c.x * bb) / d};
    const auto angle = [&](Vec2 p) { return std::atan2(p.y - center.y, p.x - center.x); };
    const auto turn = [](double a) { return a - 2 * kPi * std::floor(a / (2 * kPi)); };
    const double to_end = turn(angle(end) - angle(s));
    const double to_through = turn(angle(through) - angle(s));
    double sweep = to_through < to_end ? to_end : to_end - 2 * kPi;
    if (end == s) sweep = d > 0 ? 2 * kPi : -2 * kPi;
    const Vec2 target = to_plotter(end);
    const std::vector<Vec2> points = arc_points(center, s, sweep * 180 / kPi, chord);
    for (std::size_t i = 0; i < points.size(); ++i)
        move_to(i + 1 == points.size() ? target : points[i], pen_down_);
}

void Interpreter::bezier(const std::vector<double>& v, bool relative) {
    for (std::size_t k = 0; k + 5 < v.size() && !output_.full(); k += 6) {
        const Vec2 p0 = position_;
        Vec2 q[3];
        for (int i = 0; i < 3; ++i) {
            const Vec2 p{v[k + 2 * i], v[k + 2 * i + 1]};
            q[i] = relative ? p0 + to_plotter_vector(p) : to_plotter(p);
        }
        // Enough pieces to stay within a quarter of a plotter unit.
        const Vec2 dd1 = p0 - 2 * q[0] + q[1], dd2 = q[0] - 2 * q[1] + q[2];
        const double bend = std::max(length(dd1), length(dd2));
        const int pieces =
            std::clamp(static_cast<int>(std::ceil(std::sqrt(std::max(bend, 0.0) * 6 / 2))), 1,
                       kMaxBezierPieces);
        for (int i = 1; i <= pieces; ++i) {
            const double t = static_cast<double>(i) / pieces, u = 1 - t;
            const Vec2 p = (u * u * u) * p0 + (3 * u * u * t) * q[0] + (3 * u * t * t) * q[1] +
                           (t * t * t) * q[2];
            move_to(i == pieces ? q[2] : p, pen_down_);
        }
    }
}

}  // namespace tvk::host::plotfile
