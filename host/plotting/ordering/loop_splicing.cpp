#include "host/plotting/ordering/loop_splicing.h"

#include <algorithm>
#include <numeric>
#include <tuple>

#include "host/plotting/ordering/disjoint_sets.h"

namespace tvk::host {
namespace {

using Point = std::pair<int32_t, int32_t>;
constexpr uint32_t kNone = UINT32_MAX;

bool is_loop(const PenPath& p) {
    return p.points.size() > 2 && p.points.front() == p.points.back();
}

// The vertices that count: a loop's last point is its first.
size_t vertices_of(const PenPath& p) {
    if (p.points.size() < 2) return 0;
    return is_loop(p) ? p.points.size() - 1 : p.points.size();
}

uint64_t place_hash(const PenPath& p, Point at) {
    uint64_t k = (uint64_t(uint32_t(at.first)) << 32 | uint32_t(at.second)) ^
                 (uint64_t(uint32_t(p.line_type)) * 0x9E3779B97F4A7C15ull) ^
                 (uint64_t(uint32_t(p.speed)) * 0xC2B2AE3D27D4EB4Full);
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdull;
    k ^= k >> 33;
    k *= 0xc4ceb9fe1a85ec53ull;
    return k ^ (k >> 33);
}

struct Vertex {
    int line_type, speed;
    Point at;
    uint32_t path, k;
    auto place() const { return std::tie(line_type, speed, at); }
};

// A loop drawn from its vertex `k` as a detour of `parent` at its vertex.
struct Detour {
    uint32_t parent, parent_vertex, loop, k;
};

}  // namespace

void splice_loops(std::vector<PenPath>& paths, std::vector<uint8_t>* marks) {
    if (std::none_of(paths.begin(), paths.end(), is_loop)) return;
    // Only places that a loop has and some other vertex has too matter
    // (with marks, a marked path's places: elsewhere nothing changed since
    // loops were last drawn into paths): bit tables (seen, seen again, a
    // loop's or a marked path's) find them, so that only their vertices are
    // sorted.
    size_t total = 0;
    for (const PenPath& p : paths) total += vertices_of(p);
    size_t bits = 64;
    while (bits < total * 8) bits *= 2;
    const uint64_t mask = bits - 1;
    std::vector<uint64_t> seen(bits / 64, 0), again(bits / 64, 0), wanted(bits / 64, 0);
    const auto slot = [&](const PenPath& p, Point at) {
        const uint64_t h = place_hash(p, at) & mask;
        return std::pair<size_t, uint64_t>{h / 64, uint64_t{1} << (h % 64)};
    };
    for (size_t i = 0; i < paths.size(); ++i) {
        const PenPath& p = paths[i];
        const size_t count = vertices_of(p);
        const bool want = marks ? (*marks)[i] != 0 : is_loop(p);
        for (size_t k = 0; k < count; ++k) {
            const auto [word, bit] = slot(p, p.points[k]);
            if (!marks) again[word] |= seen[word] & bit;
            seen[word] |= bit;
            if (want) wanted[word] |= bit;
        }
    }
    std::vector<uint64_t>().swap(seen);
    std::vector<Vertex> shared;
    for (uint32_t i = 0; i < paths.size(); ++i) {
        const PenPath& p = paths[i];
        const auto count = static_cast<uint32_t>(vertices_of(p));
        for (uint32_t k = 0; k < count; ++k) {
            const auto [word, bit] = slot(p, p.points[k]);
            if ((marks || (again[word] & bit)) && (wanted[word] & bit))
                shared.push_back({p.line_type, p.speed, p.points[k], i, k});
        }
    }
    std::vector<uint64_t>().swap(again);
    std::vector<uint64_t>().swap(wanted);
    std::sort(shared.begin(), shared.end(), [](const Vertex& a, const Vertex& b) {
        return std::tie(a.line_type, a.speed, a.at, a.path, a.k) <
               std::tie(b.line_type, b.speed, b.at, b.path, b.k);
    });
    // Each loop that still stands alone, or heads loops drawn in it, is
    // drawn as a detour of a path of another group at a place they share.
    DisjointSets groups(paths.size());
    std::vector<uint32_t> head(paths.size());  // the path each group is drawn in
    std::iota(head.begin(), head.end(), 0u);
    std::vector<Detour> detours;
    for (size_t first = 0; first < shared.size();) {
        size_t last = first + 1;
        while (last < shared.size() && shared[last].place() == shared[first].place()) ++last;
        for (size_t c = first; c < last; ++c) {
            const uint32_t loop = shared[c].path;
            const uint32_t group = groups.find(loop);
            if (head[group] != loop || !is_loop(paths[loop])) continue;
            for (size_t a = first; a < last; ++a) {
                const uint32_t other = groups.find(shared[a].path);
                if (other == group) continue;
                detours.push_back({shared[a].path, shared[a].k, loop, shared[c].k});
                groups.unite(group, other);
                head[groups.find(group)] = head[other];
                break;
            }
        }
        first = last;
    }
    std::vector<Vertex>().swap(shared);
    if (detours.empty()) return;
    // Each path's detours by its vertex.
    std::sort(detours.begin(), detours.end(), [](const Detour& a, const Detour& b) {
        return std::tie(a.parent, a.parent_vertex, a.loop) <
               std::tie(b.parent, b.parent_vertex, b.loop);
    });
    std::vector<uint32_t> first_detour(paths.size() + 1, 0);
    std::vector<uint8_t> is_detour(paths.size(), 0);
    for (const Detour& d : detours) ++first_detour[d.parent + 1], is_detour[d.loop] = 1;
    std::partial_sum(first_detour.begin(), first_detour.end(), first_detour.begin());
    // The path a group is drawn in, walked with a stack of the loops being
    // drawn (a chain of loops may be long): after each vertex, the detours
    // there. A loop entered at its vertex s is walked s+1, ..., s round.
    struct Walk {
        uint32_t path, start, t, last;
        bool detour;
        uint32_t next, end;  // the detours still to draw at the vertex reached
    };
    const auto vertex_of = [&](const Walk& w, uint32_t t) -> uint32_t {
        if (!w.detour) return t;
        return static_cast<uint32_t>((w.start + t) % vertices_of(paths[w.path]));
    };
    // The detours at the vertex reached at step t (none at a loop's repeated end).
    const auto reach = [&](Walk& w) {
        w.next = w.end = 0;
        if (!w.detour && w.t + 1 == paths[w.path].points.size() && is_loop(paths[w.path])) return;
        if (w.detour && w.t == 0) return;
        const uint32_t v = vertex_of(w, w.t);
        const auto from = detours.begin() + first_detour[w.path],
                   to = detours.begin() + first_detour[w.path + 1];
        if (from == to) return;
        const auto lo = std::lower_bound(
            from, to, v, [](const Detour& d, uint32_t at) { return d.parent_vertex < at; });
        auto hi = lo;
        while (hi != to && hi->parent_vertex == v) ++hi;
        w.next = static_cast<uint32_t>(lo - detours.begin());
        w.end = static_cast<uint32_t>(hi - detours.begin());
    };
    std::vector<PenPath> out;
    std::vector<uint8_t> out_marks;
    std::vector<Walk> walks;
    for (uint32_t i = 0; i < paths.size(); ++i) {
        if (is_detour[i]) continue;
        if (first_detour[i] == first_detour[i + 1]) {
            out.push_back(std::move(paths[i]));
            if (marks) out_marks.push_back((*marks)[i]);
            continue;
        }
        PenPath drawn{paths[i].pen, paths[i].line_type, paths[i].speed, {}};
        uint8_t mark = marks ? (*marks)[i] : 0;
        walks.push_back({i, 0, 0, static_cast<uint32_t>(paths[i].points.size() - 1), false, 0, 0});
        drawn.points.push_back(paths[i].points[0]);
        reach(walks.back());
        while (!walks.empty()) {
            Walk& w = walks.back();
            if (w.next < w.end) {
                const Detour& d = detours[w.next++];
                if (marks) mark |= (*marks)[d.loop];
                const auto round = static_cast<uint32_t>(vertices_of(paths[d.loop]));
                walks.push_back({d.loop, d.k, 0, round, true, 0, 0});
                continue;
            }
            if (w.t == w.last) {
                const uint32_t done = w.path;
                walks.pop_back();
                if (done != i) std::vector<Point>().swap(paths[done].points);
                continue;
            }
            ++w.t;
            drawn.points.push_back(paths[w.path].points[vertex_of(w, w.t)]);
            reach(w);
        }
        std::vector<Point>().swap(paths[i].points);
        out.push_back(std::move(drawn));
        if (marks) out_marks.push_back(mark);
    }
    paths = std::move(out);
    if (marks) *marks = std::move(out_marks);
}

}  // namespace tvk::host
