#include "host/drawing/overlaps.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <numeric>

namespace tvk::host {

namespace {

using Point = std::pair<int32_t, int32_t>;

// Beyond this the exact line arithmetic below could overflow 64 bits; such
// segments are left alone.
constexpr int64_t kMaxCoordinate = int64_t{1} << 29;

// A line through lattice points, with the pen and line type drawing on it:
// direction (dx, dy) reduced and pointing right (or up), offset c = dy*x - dx*y.
struct Line {
    int pen, line_type;
    int64_t dx, dy, c;
    auto operator<=>(const Line&) const = default;
};

// The stretches of a line already drawn, as start -> end along the line
// (positions are x*dx + y*dy), disjoint.
using Covered = std::map<int64_t, int64_t>;

// The parts of [a, b] not yet covered, in increasing order; then [a, b] is
// covered too.
std::vector<std::pair<int64_t, int64_t>> take(Covered& covered, int64_t a, int64_t b) {
    std::vector<std::pair<int64_t, int64_t>> free;
    auto it = covered.upper_bound(a);
    if (it != covered.begin()) --it;
    int64_t from = a;
    for (; it != covered.end() && it->first < b && from < b; ++it) {
        if (it->second <= from) continue;
        if (it->first > from) free.emplace_back(from, it->first);
        from = it->second;
    }
    if (from < b) free.emplace_back(from, b);

    auto first = covered.upper_bound(a);
    if (first != covered.begin() && std::prev(first)->second >= a) --first;
    int64_t lo = a, hi = b;
    auto last = first;
    for (; last != covered.end() && last->first <= b; ++last) {
        lo = std::min(lo, last->first);
        hi = std::max(hi, last->second);
    }
    covered.erase(first, last);
    covered[lo] = hi;
    return free;
}

bool in_range(Point p) {
    return std::abs(int64_t{p.first}) < kMaxCoordinate &&
           std::abs(int64_t{p.second}) < kMaxCoordinate;
}

}  // namespace

void remove_overlaps(std::vector<PenPath>& paths, bool diagonal) {
    std::map<Line, Covered> drawn;
    std::vector<PenPath> out;
    out.reserve(paths.size());
    for (PenPath& path : paths) {
        if (path.points.size() < 2) {
            out.push_back(std::move(path));
            continue;
        }
        PenPath current{path.pen, path.line_type, path.speed, {}};
        auto flush = [&] {
            if (current.points.size() >= 2) out.push_back(current);
            current.points.clear();
        };
        // Continues the current path, or starts a new one after a removed part.
        auto draw = [&](Point a, Point b) {
            if (current.points.empty() || current.points.back() != a) {
                flush();
                current.points.push_back(a);
            }
            current.points.push_back(b);
        };
        for (size_t k = 0; k + 1 < path.points.size(); ++k) {
            Point p = path.points[k], q = path.points[k + 1];
            int64_t dx = int64_t{q.first} - p.first, dy = int64_t{q.second} - p.second;
            bool straight = dx == 0 || dy == 0;
            if ((dx == 0 && dy == 0) || !(diagonal || straight) || !in_range(p) || !in_range(q)) {
                draw(p, q);
                continue;
            }
            int64_t g = std::gcd(std::abs(dx), std::abs(dy));
            int64_t ux = dx / g, uy = dy / g;
            if (ux < 0 || (ux == 0 && uy < 0)) ux = -ux, uy = -uy;
            Line line{path.pen, path.line_type, ux, uy, uy * p.first - ux * p.second};
            int64_t sp = p.first * ux + p.second * uy, sq = q.first * ux + q.second * uy;
            int64_t norm = ux * ux + uy * uy;
            // Every piece ends on a lattice point of the line: a whole number of steps from p.
            auto at = [&](int64_t s) {
                int64_t steps = (s - sp) / norm;
                return Point{static_cast<int32_t>(p.first + steps * ux),
                             static_cast<int32_t>(p.second + steps * uy)};
            };
            auto pieces = take(drawn[line], std::min(sp, sq), std::max(sp, sq));
            if (sp < sq) {
                for (auto [lo, hi] : pieces) draw(at(lo), at(hi));
            } else {
                for (auto it = pieces.rbegin(); it != pieces.rend(); ++it)
                    draw(at(it->second), at(it->first));
            }
        }
        flush();
    }
    paths = std::move(out);
}

}  // namespace tvk::host
