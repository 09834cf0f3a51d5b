#include "host/drawing/dxf/hatch_pattern.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

#include "host/drawing/geometry/geometry.h"
#include "host/drawing/geometry/scanlines.h"

namespace tvk::host {

namespace {

// Appends the dashes of [t0, t1] along a line whose pattern starts at t = phase.
// Returns false once `out` holds more than `limit` strokes.
bool dash(double t0, double t1, double phase, const std::vector<double>& dashes, double period,
          const std::function<Vec2(double)>& at, std::vector<Stroke>& out, size_t limit) {
    if (period <= 0) {
        out.push_back({at(t0), at(t1)});
        return out.size() <= limit;
    }
    if (std::none_of(dashes.begin(), dashes.end(), [](double v) { return v >= 0; })) return true;
    // The repeat of the pattern that holds t0, then dash by dash to t1.
    double first = std::floor((t0 - phase) / period);
    double repeats = std::ceil((t1 - phase) / period) - first;
    if (!(repeats <= static_cast<double>(limit))) return false;
    for (double r = 0; r < repeats; ++r) {
        double t = phase + (first + r) * period;
        for (double d : dashes) {
            double end = t + std::abs(d);
            if (d > 0) {
                double a = std::max(t, t0), b = std::min(end, t1);
                if (a < b) out.push_back({at(a), at(b)});
            } else if (d == 0 && t >= t0 && t <= t1) {
                out.push_back({at(t), at(t)});
            }
            if (out.size() > limit) return false;
            t = end;
        }
    }
    return true;
}

// A line of a pattern file (.pat): angle in degrees, origin, the shift
// along the line and the spacing across it, dashes; in millimetres.
struct PatLine {
    double angle, x, y, shift, spacing;
    std::vector<double> dashes;
};

// The standard patterns in millimetres, as acadiso.pat defines them.
const std::pair<const char*, std::vector<PatLine>> kStandardPatterns[] = {
    {"ANSI31", {{45, 0, 0, 0, 3.175, {}}}},
    {"ANSI32", {{45, 0, 0, 0, 9.525, {}}, {45, 4.490128, 0, 0, 9.525, {}}}},
    {"ANSI33", {{45, 0, 0, 0, 6.35, {}}, {45, 4.490128, 0, 0, 6.35, {3.175, -1.5875}}}},
    {"ANSI34",
     {{45, 0, 0, 0, 19.05, {}},
      {45, 4.490128, 0, 0, 19.05, {}},
      {45, 8.980256, 0, 0, 19.05, {}},
      {45, 13.470384, 0, 0, 19.05, {}}}},
    {"ANSI35",
     {{45, 0, 0, 0, 6.35, {}}, {45, 4.490128, 0, 0, 6.35, {7.9375, -1.5875, 0, -1.5875}}}},
    {"ANSI36", {{45, 0, 0, 5.55625, 3.175, {7.9375, -1.5875, 0, -1.5875}}}},
    {"ANSI37", {{45, 0, 0, 0, 3.175, {}}, {135, 0, 0, 0, 3.175, {}}}},
    {"ANSI38", {{45, 0, 0, 0, 3.175, {}}, {135, 0, 0, 6.35, 3.175, {7.9375, -4.7625}}}},
    {"LINE", {{0, 0, 0, 0, 3.175, {}}}},
    {"NET", {{0, 0, 0, 0, 3.175, {}}, {90, 0, 0, 0, 3.175, {}}}},
    {"NET3", {{0, 0, 0, 0, 3.175, {}}, {60, 0, 0, 0, 3.175, {}}, {120, 0, 0, 0, 3.175, {}}}},
    {"DOTS", {{0, 0, 0, 0.79375, 1.5875, {0, -1.5875}}}},
    {"BRICK",
     {{0, 0, 0, 0, 6.35, {}},
      {90, 0, 0, 0, 12.7, {6.35, -6.35}},
      {90, 6.35, 0, 0, 12.7, {-6.35, 6.35}}}},
    {"SQUARE", {{0, 0, 0, 0, 3.175, {3.175, -3.175}}, {90, 0, 0, 0, 3.175, {3.175, -3.175}}}},
    {"CROSS",
     {{0, 0, 0, 6.35, 6.35, {3.175, -9.525}}, {90, 1.5875, -1.5875, 6.35, 6.35, {3.175, -9.525}}}},
};

}  // namespace

std::vector<PatternLine> standard_pattern(const std::string& name, double angle, double scale,
                                          bool metric) {
    std::string key;
    for (char c : name) key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const double factor = scale * (metric ? 1 : 1 / 25.4);
    const Affine turn = Affine::rotate(angle);
    for (const auto& [pattern, lines] : kStandardPatterns) {
        if (key != pattern) continue;
        std::vector<PatternLine> out;
        for (const PatLine& l : lines) {
            double a = l.angle * std::numbers::pi / 180;
            PatternLine line;
            line.angle = a + angle;
            line.base = factor * turn.apply({l.x, l.y});
            // The shift and spacing stand along and across the line.
            line.offset = factor * Affine::rotate(line.angle).apply({l.shift, l.spacing});
            for (double d : l.dashes) line.dashes.push_back(d * factor);
            out.push_back(std::move(line));
        }
        return out;
    }
    return {};
}

std::optional<std::vector<Stroke>> pattern_strokes(const std::vector<std::vector<Vec2>>& rings,
                                                   const std::vector<PatternLine>& pattern,
                                                   size_t limit) {
    std::vector<Stroke> out;
    for (const PatternLine& line : pattern) {
        Vec2 d{std::cos(line.angle), std::sin(line.angle)}, n{-d.y, d.x};
        // Lines are spaced by the offset's part across them.
        double spacing = line.offset.x * n.x + line.offset.y * n.y;
        double shift = line.offset.x * d.x + line.offset.y * d.y;  // along them, per line
        if (!(std::abs(spacing) > 0)) continue;
        // The rings in the frame of the lines: t along them, s across, from the base.
        std::vector<std::vector<Vec2>> turned;
        double low = 1e300, high = -1e300;
        for (const auto& ring : rings) {
            turned.emplace_back();
            for (Vec2 p : ring) {
                Vec2 r = p - line.base;
                turned.back().push_back({r.x * d.x + r.y * d.y, r.x * n.x + r.y * n.y});
                low = std::min(low, turned.back().back().y);
                high = std::max(high, turned.back().back().y);
            }
        }
        double step = std::abs(spacing);
        if ((high - low) / step > static_cast<double>(limit)) return std::nullopt;
        double period = 0;
        for (double v : line.dashes) period += std::abs(v);
        bool within = true;
        even_odd_scanlines(turned, std::ceil(low / step) * step, step,
                           [&](double s, const std::vector<double>& xs) {
                               if (!within) return;
                               double k = std::round(s / spacing);
                               auto at = [&](double t) { return line.base + t * d + s * n; };
                               for (size_t i = 0; within && i + 1 < xs.size(); i += 2)
                                   within = dash(xs[i], xs[i + 1], k * shift, line.dashes, period,
                                                 at, out, limit);
                           });
        if (!within) return std::nullopt;
    }
    return out;
}

// The lines of a hatch pattern, as the groups after group 78 give them.
std::vector<PatternLine> pattern_lines(const Groups& g) {
    std::vector<PatternLine> lines;
    bool started = false;
    for (const Group& group : g.groups) {
        const int code = group.code;
        started = started || code == 78;
        if (!started || (code != 53 && lines.empty())) continue;
        double v = group.real();
        switch (code) {
            case 53:
                lines.emplace_back().angle = v * std::numbers::pi / 180;
                break;
            case 43:
                lines.back().base.x = v;
                break;
            case 44:
                lines.back().base.y = v;
                break;
            case 45:
                lines.back().offset.x = v;
                break;
            case 46:
                lines.back().offset.y = v;
                break;
            case 49:
                lines.back().dashes.push_back(v);
                break;
            default:
                break;
        }
    }
    return lines;
}

// The strokes of a hatch pattern inside its loops, or nothing when the
// hatch has no pattern or one too dense to draw.
std::optional<Shape> pattern_shape(const std::vector<Trace>& loops,
                                   const std::vector<PatternLine>& pattern, size_t limit) {
    if (pattern.empty() || loops.empty()) return std::nullopt;
    Box box;
    for (const auto& loop : loops)
        for (const auto& e : loop.elements) box.add(element_bounds(e, {}));
    double size = std::max(box.max_x - box.min_x, box.max_y - box.min_y);
    if (!(size > 0)) return std::nullopt;
    std::vector<std::vector<Vec2>> rings;
    for (const auto& loop : loops) rings.push_back(flatten_trace(loop, {}, size * 1e-5));
    auto strokes = pattern_strokes(rings, pattern, limit);
    if (!strokes) return std::nullopt;
    Shape shape;
    for (auto [a, b] : *strokes) shape.traces.push_back(Trace{{Segment{a, b}}});
    return shape;
}

}  // namespace tvk::host
