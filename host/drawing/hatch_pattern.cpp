#include "host/drawing/hatch_pattern.h"

#include <algorithm>
#include <cmath>

#include "host/drawing/geometry.h"
#include "host/drawing/scanlines.h"

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

}  // namespace

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

}  // namespace tvk::host
