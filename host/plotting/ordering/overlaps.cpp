#include "host/plotting/ordering/overlaps.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <map>
#include <optional>
#include <tuple>

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

// A segment p-q on its line: positions along the line are x*dx + y*dy.
struct OnLine {
    Line line;
    Point p;
    int64_t sp, sq;

    // The lattice point of the line at position s, a whole number of steps from p.
    Point at(int64_t s) const {
        int64_t steps = (s - sp) / (line.dx * line.dx + line.dy * line.dy);
        return Point{static_cast<int32_t>(p.first + steps * line.dx),
                     static_cast<int32_t>(p.second + steps * line.dy)};
    }
};

bool in_range(Point p) {
    return std::abs(int64_t{p.first}) < kMaxCoordinate &&
           std::abs(int64_t{p.second}) < kMaxCoordinate;
}

// Binary, without division: every segment of the drawing passes here.
uint32_t gcd(uint32_t a, uint32_t b) {
    if (a == 0 || b == 0) return a | b;
    const int shift = std::countr_zero(a | b);
    a >>= std::countr_zero(a);
    do {
        b >>= std::countr_zero(b);
        if (a > b) std::swap(a, b);
        b -= a;
    } while (b != 0);
    return a << shift;
}

// The line of a segment that may overlap others, or nothing.
std::optional<OnLine> on_line(const PenPath& path, Point p, Point q, bool diagonal) {
    int64_t dx = int64_t{q.first} - p.first, dy = int64_t{q.second} - p.second;
    bool straight = dx == 0 || dy == 0;
    if ((dx == 0 && dy == 0) || !(diagonal || straight) || !in_range(p) || !in_range(q))
        return std::nullopt;
    const int32_t g = static_cast<int32_t>(
        gcd(static_cast<uint32_t>(std::abs(dx)), static_cast<uint32_t>(std::abs(dy))));
    int64_t ux = static_cast<int32_t>(dx) / g, uy = static_cast<int32_t>(dy) / g;
    if (ux < 0 || (ux == 0 && uy < 0)) ux = -ux, uy = -uy;
    Line line{path.pen, path.line_type, ux, uy, uy * p.first - ux * p.second};
    return OnLine{line, p, p.first * ux + p.second * uy, q.first * ux + q.second * uy};
}

uint64_t hash_of(const Line& l) {
    uint64_t h = 1469598103934665603ull;
    for (int64_t v : {int64_t{l.pen}, int64_t{l.line_type}, l.dx, l.dy, l.c})
        h = (h ^ static_cast<uint64_t>(v)) * 1099511628211ull;
    return h;
}

// The stretches of a line already drawn, as start -> end along the line, disjoint.
using Covered = std::map<int64_t, int64_t>;
using Pieces = std::vector<std::pair<int64_t, int64_t>>;

// The parts of [a, b] not yet covered, in increasing order; then [a, b] is
// covered too.
Pieces take(Covered& covered, int64_t a, int64_t b) {
    Pieces free;
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

// A segment with the hash of its line: collisions only cost a closer look
// (lines are compared whole).
struct Keyed {
    uint64_t hash;
    uint32_t path, k;  // the segment from point k of the path
};

// The changes to the segments of `keyed`, sorted by line: a line's segments
// in drawing order take what is free of it.
void follow_lines(const std::vector<PenPath>& paths, const std::vector<Keyed>& keyed,
                  const std::vector<uint64_t>& first, bool diagonal, WorkProgress& progress,
                  std::vector<OverlapChange>& out) {
    for (size_t i = 0, lines = 0; i < keyed.size(); ++lines) {
        if (lines % 4096 == 0) progress.step("Removing overlaps", i, keyed.size());
        size_t j = i + 1;
        while (j < keyed.size() && keyed[j].hash == keyed[i].hash) ++j;
        if (j - i == 1) {
            i = j;
            continue;
        }
        std::map<Line, Covered> drawn;  // one line, unless hashes collide
        for (; i < j; ++i) {
            const size_t path = keyed[i].path, k = keyed[i].k;
            const uint64_t n = first[path] + k;
            const auto& pts = paths[path].points;
            OnLine l = *on_line(paths[path], pts[k], pts[k + 1], diagonal);
            int64_t lo = std::min(l.sp, l.sq), hi = std::max(l.sp, l.sq);
            Pieces free = take(drawn[l.line], lo, hi);
            if (free.size() == 1 && free[0] == std::pair{lo, hi}) continue;
            if (free.empty()) out.push_back({n, lo, lo});
            for (auto [a, b] : free) out.push_back({n, a, b});
        }
    }
}

}  // namespace

// The changes to the segments, in drawing order. Most segments share their
// line with none, so segments are grouped by a hash of their line and only
// the groups of more than one are followed closely; pen by pen, since lines
// of different pens never overlap (a key is 8 bytes a segment of one pen).
std::vector<OverlapChange> find_overlaps(const std::vector<PenPath>& paths, bool diagonal,
                                         WorkProgress& progress) {
    // The running number of each path's first segment.
    std::vector<uint64_t> first(paths.size() + 1, 0);
    for (size_t i = 0; i < paths.size(); ++i)
        first[i + 1] = first[i] + (paths[i].points.size() > 1 ? paths[i].points.size() - 1 : 0);
    std::vector<OverlapChange> out;
    const auto each_segment = [&](auto&& visit) {
        for (size_t i = 0; i < paths.size(); ++i) {
            if (i % 4096 == 0) progress.step("Removing overlaps", i, paths.size());
            const auto& pts = paths[i].points;
            for (size_t k = 0; k + 1 < pts.size(); ++k)
                if (auto l = on_line(paths[i], pts[k], pts[k + 1], diagonal))
                    visit(hash_of(l->line), static_cast<uint32_t>(i), static_cast<uint32_t>(k));
        }
    };
    // Most segments share their line with none: the lines met more than
    // once are found first, in two bits for each of eight slots a segment,
    // and only their segments are sorted by line.
    const int bits = std::bit_width(std::max<uint64_t>(first.back(), 8) * 8 - 1);
    const auto slot = [&](uint64_t hash) { return (hash * 0x9E3779B97F4A7C15ull) >> (64 - bits); };
    std::vector<uint64_t> once(((size_t{1} << bits) + 63) / 64), again(once.size());
    each_segment([&](uint64_t hash, uint32_t, uint32_t) {
        const uint64_t s = slot(hash), bit = uint64_t{1} << (s % 64);
        if (once[s / 64] & bit) again[s / 64] |= bit;
        once[s / 64] |= bit;
    });
    std::vector<uint64_t>().swap(once);
    std::vector<Keyed> keyed;
    each_segment([&](uint64_t hash, uint32_t path, uint32_t k) {
        const uint64_t s = slot(hash);
        if (again[s / 64] & (uint64_t{1} << (s % 64))) keyed.push_back({hash, path, k});
    });
    std::vector<uint64_t>().swap(again);
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return std::tie(a.hash, a.path, a.k) < std::tie(b.hash, b.path, b.k);
    });
    follow_lines(paths, keyed, first, diagonal, progress, out);
    std::sort(out.begin(), out.end(), [](const OverlapChange& a, const OverlapChange& b) {
        return a.segment != b.segment ? a.segment < b.segment : a.lo < b.lo;
    });
    return out;
}
std::vector<uint8_t> remove_overlaps(std::vector<PenPath>& paths,
                                     const std::vector<OverlapChange>& changed, bool diagonal) {
    // The pieces of the paths that change (few), by path; every other path
    // stays as it is and where it is, moved along in place.
    std::vector<std::pair<size_t, std::vector<PenPath>>> split;
    size_t next = 0;  // the next change
    uint64_t number = 0;
    for (size_t i = 0; i < paths.size(); ++i) {
        const PenPath& path = paths[i];
        if (path.points.size() < 2) continue;
        const uint64_t segments = path.points.size() - 1;
        if (next == changed.size() || changed[next].segment >= number + segments) {
            number += segments;
            continue;
        }
        std::vector<PenPath> out;
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
        for (size_t k = 0; k + 1 < path.points.size(); ++k, ++number) {
            Point p = path.points[k], q = path.points[k + 1];
            size_t end = next;
            while (end < changed.size() && changed[end].segment == number) ++end;
            if (end == next) {
                draw(p, q);
                continue;
            }
            OnLine l = *on_line(path, p, q, diagonal);
            for (size_t c = 0; c < end - next; ++c) {
                // Pieces run along the line; the segment may run against it.
                const OverlapChange& piece = changed[l.sp < l.sq ? next + c : end - 1 - c];
                if (piece.lo == piece.hi) continue;
                if (l.sp < l.sq)
                    draw(l.at(piece.lo), l.at(piece.hi));
                else
                    draw(l.at(piece.hi), l.at(piece.lo));
            }
            next = end;
        }
        flush();
        split.emplace_back(i, std::move(out));
    }
    // From the back, each path to its place: with room for every piece
    // (and a place kept for a path split into none), no path is written
    // over before it is moved.
    const size_t old_size = paths.size();
    size_t size = old_size, room = old_size;
    for (const auto& [i, out] : split) {
        size = size - 1 + out.size();
        room += out.size() > 1 ? out.size() - 1 : 0;
    }
    paths.resize(room);
    std::vector<uint8_t> pieces(room, 0);
    size_t write = room;
    auto piece = split.rbegin();
    for (size_t i = old_size; i-- > 0;) {
        if (piece != split.rend() && piece->first == i) {
            for (auto it = piece->second.rbegin(); it != piece->second.rend(); ++it) {
                paths[--write] = std::move(*it);
                pieces[write] = 1;
            }
            ++piece;
        } else if (--write != i) {  // moving a vector onto itself would empty it
            paths[write] = std::move(paths[i]);
        }
    }
    // Paths split into none leave room at the front.
    if (write > 0) {
        std::move(paths.begin() + static_cast<std::ptrdiff_t>(write), paths.end(), paths.begin());
        std::move(pieces.begin() + static_cast<std::ptrdiff_t>(write), pieces.end(),
                  pieces.begin());
    }
    paths.resize(size);
    pieces.resize(size);
    return pieces;
}

}  // namespace tvk::host
