#include "host/drawing/geometry/dashes.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "host/drawing/geometry/geometry.h"

namespace tvk::host {

bool DashPattern::solid() const {
    if (lengths.empty()) return true;
    if (std::any_of(lengths.begin(), lengths.end(),
                    [](double d) { return !(d >= 0) || !std::isfinite(d); }))
        return true;
    return period() <= 0;
}

double DashPattern::period() const {
    return std::accumulate(lengths.begin(), lengths.end(), 0.0);
}

DashPattern DashPattern::scaled(double factor) const {
    DashPattern s = *this;
    for (double& d : s.lengths) d *= factor;
    s.offset *= factor;
    return s;
}

std::vector<std::vector<Vec2>> dashed(const std::vector<Vec2>& line, const DashPattern& dashes,
                                      double min_period) {
    const double period = std::accumulate(dashes.lengths.begin(), dashes.lengths.end(), 0.0);
    if (dashes.solid() || period < min_period || line.size() < 2) return {line};
    // Where in the pattern the line begins.
    double phase = std::fmod(dashes.offset, period);
    if (phase < 0) phase += period;
    size_t k = 0;
    // A pattern begun at its start begins with its first dash, a dot too.
    while (phase > 0 && phase >= dashes.lengths[k]) {
        phase -= dashes.lengths[k];
        k = (k + 1) % dashes.lengths.size();
    }
    const double rounding = period * 1e-9;
    double left = dashes.lengths[k] - phase;  // of the current dash or gap
    bool on = k % 2 == 0;
    std::vector<std::vector<Vec2>> out;
    std::vector<Vec2> current;
    if (on) current.push_back(line[0]);
    for (size_t i = 1; i < line.size(); ++i) {
        Vec2 a = line[i - 1];
        const Vec2 b = line[i];
        double seg = length(b - a);
        // What rounding leaves of a dash or gap at a line's end is none.
        while (seg > left + rounding) {
            const Vec2 p = a + (left / seg) * (b - a);
            if (on) {
                current.push_back(p);
                out.push_back(std::move(current));
                current.clear();
            } else {
                current = {p};
            }
            on = !on;
            seg -= left;
            a = p;
            k = (k + 1) % dashes.lengths.size();
            left = dashes.lengths[k];
        }
        left = std::max(0.0, left - seg);
        if (on) current.push_back(b);
    }
    if (on && current.size() >= 2) out.push_back(std::move(current));
    // A zero-length dash is a dot: the pen touches down once.
    std::erase_if(out, [](const std::vector<Vec2>& d) { return d.empty(); });
    return out;
}

}  // namespace tvk::host
