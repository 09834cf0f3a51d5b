#include "host/drawing/svg/dashes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace tvk::host {

bool SvgDashes::solid() const {
    if (pattern.empty()) return true;
    if (std::any_of(pattern.begin(), pattern.end(),
                    [](double d) { return !(d >= 0) || !std::isfinite(d); }))
        return true;
    return std::accumulate(pattern.begin(), pattern.end(), 0.0) <= 0;
}

SvgDashes SvgDashes::scaled(double factor) const {
    SvgDashes s = *this;
    for (double& d : s.pattern) d *= factor;
    s.offset *= factor;
    return s;
}

std::vector<double> parse_dasharray(const std::string& value, double percent_of) {
    std::string text = value;
    std::replace(text.begin(), text.end(), ',', ' ');
    std::vector<double> out;
    const char* at = text.c_str();
    while (true) {
        while (*at == ' ' || *at == '\t' || *at == '\n' || *at == '\r') ++at;
        if (!*at) break;
        char* end = nullptr;
        double v = std::strtod(at, &end);
        if (end == at) return {};  // none, inherit or junk: no dashes
        at = end;
        if (*at == '%') {
            v = v / 100 * percent_of;
            ++at;
        } else if (std::isalpha(static_cast<unsigned char>(*at))) {
            const char* unit = at;
            while (std::isalpha(static_cast<unsigned char>(*at))) ++at;
            const std::string u(unit, at);
            if (u == "mm")
                v *= 96 / 25.4;
            else if (u == "cm")
                v *= 96 / 2.54;
            else if (u == "in")
                v *= 96;
            else if (u == "pt")
                v *= 96.0 / 72;
            else if (u == "pc")
                v *= 16;
            else if (u != "px")
                return {};
        }
        if (v < 0 || !std::isfinite(v)) return {};
        out.push_back(v);
    }
    if (out.size() % 2 == 1) out.insert(out.end(), out.begin(), out.end());
    return out;
}

std::vector<std::vector<Vec2>> dashed(const std::vector<Vec2>& line, const SvgDashes& dashes,
                                      double min_period) {
    const double period = std::accumulate(dashes.pattern.begin(), dashes.pattern.end(), 0.0);
    if (dashes.solid() || period < min_period || line.size() < 2) return {line};
    // Where in the pattern the line begins.
    double phase = std::fmod(dashes.offset, period);
    if (phase < 0) phase += period;
    size_t k = 0;
    while (phase >= dashes.pattern[k]) {
        phase -= dashes.pattern[k];
        k = (k + 1) % dashes.pattern.size();
    }
    double left = dashes.pattern[k] - phase;  // of the current dash or gap
    bool on = k % 2 == 0;
    std::vector<std::vector<Vec2>> out;
    std::vector<Vec2> current;
    if (on) current.push_back(line[0]);
    for (size_t i = 1; i < line.size(); ++i) {
        Vec2 a = line[i - 1];
        const Vec2 b = line[i];
        double seg = length(b - a);
        while (seg > left) {
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
            k = (k + 1) % dashes.pattern.size();
            left = dashes.pattern[k];
        }
        left -= seg;
        if (on) current.push_back(b);
    }
    if (on && current.size() >= 2) out.push_back(std::move(current));
    // A zero-length dash is a dot: the pen touches down once.
    std::erase_if(out, [](const std::vector<Vec2>& d) { return d.empty(); });
    return out;
}

}  // namespace tvk::host
