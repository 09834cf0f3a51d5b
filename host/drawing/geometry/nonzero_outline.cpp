#include "host/drawing/geometry/nonzero_outline.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace tvk::host {
namespace {

// Pairs of edges tested and edges looked at for winding numbers, beyond
// which the rings are left to the even-odd rule.
constexpr double kMaxWork = 60'000'000;
// Points where edges cross, beyond which likewise (each is a few pieces to hold).
constexpr size_t kMaxCuts = 2'000'000;
// Parameters this close to an edge's end are taken as the end itself.
constexpr double kEndEps = 1e-9;

bool before(Vec2 a, Vec2 b) {
    return a.y < b.y || (a.y == b.y && a.x < b.x);
}
struct PointLess {
    bool operator()(Vec2 a, Vec2 b) const { return before(a, b); }
};
bool same(Vec2 a, Vec2 b) {
    return a.x == b.x && a.y == b.y;
}
double cross(Vec2 a, Vec2 b) {
    return a.x * b.y - a.y * b.x;
}
Vec2 sub(Vec2 a, Vec2 b) {
    return {a.x - b.x, a.y - b.y};
}

struct Edge {
    Vec2 a, b;
};

// Where an edge is cut: its parameter along the edge and the point.
using Cuts = std::vector<std::pair<double, Vec2>>;

// Buckets of edges by one coordinate, so that a question about a line
// across the plane looks only at the edges near it.
class Bands {
  public:
    Bands(double low, double high, size_t count)
        : low_(low), size_((high - low) / static_cast<double>(count)), lists_(count) {
        if (!(size_ > 0)) size_ = 1;
    }
    size_t of(double v) const {
        const double i = std::floor((v - low_) / size_);
        if (!(i > 0)) return 0;  // below, or not a number where the plane is vast
        return i >= static_cast<double>(lists_.size() - 1) ? lists_.size() - 1
                                                           : static_cast<size_t>(i);
    }
    void add(size_t item, double from, double to) {
        for (size_t i = of(from), last = of(to); i <= last; ++i) lists_[i].push_back(item);
    }
    const std::vector<size_t>& at(double v) const { return lists_[of(v)]; }
    std::vector<std::vector<size_t>>& lists() { return lists_; }

  private:
    double low_, size_;
    std::vector<std::vector<size_t>> lists_;
};

// Points closer than this share of the rings' extent are one point.
constexpr double kSnap = 1e-9;

// The first point seen near each point: points computed from different
// pairs of edges meet exactly where they should.
class Snap {
  public:
    // Every point given lies in `box`.
    Snap(const Box& box, double share)
        : origin_{box.min_x, box.min_y},
          d_(std::max(box.max_x - box.min_x, box.max_y - box.min_y) * share) {
        if (!(d_ > 0)) d_ = 1;
    }
    Vec2 operator()(Vec2 p) {
        const long long cx = cell(p.x - origin_.x), cy = cell(p.y - origin_.y);
        for (long long x = cx - 1; x <= cx + 1; ++x) {
            for (long long y = cy - 1; y <= cy + 1; ++y) {
                const auto found = cells_.find({x, y});
                if (found == cells_.end()) continue;
                for (Vec2 q : found->second) {
                    if (std::fabs(q.x - p.x) <= d_ && std::fabs(q.y - p.y) <= d_) return q;
                }
            }
        }
        cells_[{cx, cy}].push_back(p);
        return p;
    }

  private:
    // Bounded: a point rounded far outside the rings, or a spacing below
    // what doubles hold, makes no number beyond what the cells can count.
    long long cell(double offset) const {
        const double c = std::floor(offset / d_);
        return static_cast<long long>(c >= -1e15 ? std::min(c, 1e15) : -1e15);
    }
    Vec2 origin_;
    double d_;
    std::map<std::pair<long long, long long>, std::vector<Vec2>> cells_;
};

// Records where edges i and j cross or touch, in both edges' cuts.
void cut_pair(const Edge& e, const Edge& f, Cuts& ce, Cuts& cf) {
    const Vec2 r = sub(e.b, e.a), s = sub(f.b, f.a), qp = sub(f.a, e.a);
    const double denom = cross(r, s);
    const double rr = std::hypot(r.x, r.y), ss = std::hypot(s.x, s.y);
    if (std::fabs(denom) <= 1e-12 * rr * ss) {
        // Parallel: only a collinear overlap cuts, at the ends inside the other.
        if (std::fabs(cross(qp, r)) > 1e-9 * rr * (rr + std::hypot(qp.x, qp.y))) return;
        const auto inside = [](Vec2 p, const Edge& g, double len2, Cuts& cuts) {
            const Vec2 d = sub(g.b, g.a);
            const double t = ((p.x - g.a.x) * d.x + (p.y - g.a.y) * d.y) / len2;
            if (t > kEndEps && t < 1 - kEndEps) cuts.emplace_back(t, p);
        };
        inside(f.a, e, rr * rr, ce);
        inside(f.b, e, rr * rr, ce);
        inside(e.a, f, ss * ss, cf);
        inside(e.b, f, ss * ss, cf);
        return;
    }
    const double t = cross(qp, s) / denom, u = cross(qp, r) / denom;
    if (t < -kEndEps || t > 1 + kEndEps || u < -kEndEps || u > 1 + kEndEps) return;
    const bool e_end = t <= kEndEps || t >= 1 - kEndEps;
    const bool f_end = u <= kEndEps || u >= 1 - kEndEps;
    if (e_end && f_end) return;  // a shared or nearly shared corner: nothing to cut
    // The point both edges are cut at: an end where there is one, so that
    // the pieces meet exactly.
    Vec2 p{e.a.x + t * r.x, e.a.y + t * r.y};
    if (e_end) p = t <= kEndEps ? e.a : e.b;
    if (f_end) p = u <= kEndEps ? f.a : f.b;
    if (!e_end) ce.emplace_back(t, p);
    if (!f_end) cf.emplace_back(u, p);
}

// A piece of the rings from lo to hi (lo before hi), with how many times
// and which way the rings run along it: +1 for each run from lo to hi.
struct Piece {
    Vec2 lo, hi;
    int weight;
};

Piece piece_of(Vec2 from, Vec2 to) {
    return before(from, to) ? Piece{from, to, 1} : Piece{to, from, -1};
}

// The pieces that cross a level line (by_y) or an upright one (by_x).
struct PieceIndex {
    Bands by_y, by_x;
    PieceIndex(const std::vector<Piece>& pieces, const Box& box, size_t bands)
        : by_y(box.min_y, box.max_y, bands), by_x(box.min_x, box.max_x, bands) {
        for (size_t i = 0; i < pieces.size(); ++i) {
            const Piece& p = pieces[i];
            if (p.lo.y != p.hi.y) by_y.add(i, p.lo.y, p.hi.y);
            if (p.lo.x != p.hi.x) by_x.add(i, std::min(p.lo.x, p.hi.x), std::max(p.lo.x, p.hi.x));
        }
    }
};

// The winding numbers on both sides of a piece: for one that rises, left
// (smaller x) and right; for a level one, above and below.
std::pair<int, int> sides(const std::vector<Piece>& pieces, size_t k, const PieceIndex& index,
                          double& work) {
    const Piece& s = pieces[k];
    const Vec2 m{(s.lo.x + s.hi.x) / 2, (s.lo.y + s.hi.y) / 2};
    int beyond = 0;
    if (s.lo.y < s.hi.y) {
        // A ray toward +x from just beside the middle; a piece rising across it counts +1.
        const auto& near = index.by_y.at(m.y);
        work += static_cast<double>(near.size());
        for (size_t i : near) {
            const Piece& e = pieces[i];
            if (i == k || !(e.lo.y <= m.y && m.y < e.hi.y)) continue;
            const double x = e.lo.x + (m.y - e.lo.y) * (e.hi.x - e.lo.x) / (e.hi.y - e.lo.y);
            if (x > m.x) beyond += e.weight;
        }
        return {beyond + s.weight, beyond};
    }
    // A ray toward +y; a piece running toward -x across it counts +1.
    const auto& near = index.by_x.at(m.x);
    work += static_cast<double>(near.size());
    for (size_t i : near) {
        const Piece& e = pieces[i];
        const double x0 = std::min(e.lo.x, e.hi.x), x1 = std::max(e.lo.x, e.hi.x);
        if (i == k || !(x0 <= m.x && m.x < x1)) continue;
        const double y = e.lo.y + (m.x - e.lo.x) * (e.hi.y - e.lo.y) / (e.hi.x - e.lo.x);
        if (y > m.y) beyond += e.hi.x < e.lo.x ? e.weight : -e.weight;
    }
    return {beyond, beyond - s.weight};
}

}  // namespace

std::vector<std::vector<Vec2>> nonzero_outline(const std::vector<std::vector<Vec2>>& rings) {
    std::vector<Edge> edges;
    std::vector<size_t> ring_of;  // of each edge
    Box box;
    for (size_t r = 0; r < rings.size(); ++r) {
        const auto& ring = rings[r];
        for (size_t i = 0; i < ring.size(); ++i) {
            const Vec2 a = ring[i], b = ring[(i + 1) % ring.size()];
            if (!std::isfinite(a.x) || !std::isfinite(a.y)) return rings;
            if (!same(a, b)) {
                edges.push_back({a, b});
                ring_of.push_back(r);
            }
            box.add(a);
        }
    }
    // A plane too vast to measure: its points cannot be told apart safely.
    if (edges.empty() || !std::isfinite(box.max_x - box.min_x) ||
        !std::isfinite(box.max_y - box.min_y))
        return rings;
    const size_t bands = std::clamp<size_t>(
        static_cast<size_t>(std::sqrt(static_cast<double>(edges.size()))), 1, 4096);

    // 1. Cut every edge where another crosses or touches it.
    Bands edge_bands(box.min_y, box.max_y, bands);
    for (size_t i = 0; i < edges.size(); ++i) {
        edge_bands.add(i, std::min(edges[i].a.y, edges[i].b.y),
                       std::max(edges[i].a.y, edges[i].b.y));
    }
    const auto min_x = [&](size_t i) { return std::min(edges[i].a.x, edges[i].b.x); };
    const auto max_x = [&](size_t i) { return std::max(edges[i].a.x, edges[i].b.x); };
    const auto first_band = [&](size_t i) {
        return edge_bands.of(std::min(edges[i].a.y, edges[i].b.y));
    };
    std::vector<Cuts> cuts(edges.size());
    size_t total_cuts = 0;
    double work = 0;
    for (size_t band = 0; band < edge_bands.lists().size(); ++band) {
        auto& list = edge_bands.lists()[band];
        std::sort(list.begin(), list.end(), [&](size_t l, size_t r) {
            return min_x(l) < min_x(r) || (min_x(l) == min_x(r) && l < r);
        });
        for (size_t p = 0; p < list.size(); ++p) {
            const size_t i = list[p];
            for (size_t q = p + 1; q < list.size() && min_x(list[q]) <= max_x(i); ++q) {
                const size_t j = list[q];
                if (++work > kMaxWork) return rings;
                // Each pair once: in the first band both are in.
                if (std::max(first_band(i), first_band(j)) != band) continue;
                const size_t n_i = cuts[i].size(), n_j = cuts[j].size();
                cut_pair(edges[i], edges[j], cuts[i], cuts[j]);
                const size_t added = cuts[i].size() - n_i + cuts[j].size() - n_j;
                if ((total_cuts += added) > kMaxCuts) return rings;
            }
        }
    }
    // Rings that neither cross nor touch, each without a corner visited
    // twice: each is all outline or none of it.
    bool apart = total_cuts == 0;
    if (apart) {
        std::vector<Vec2> corners;
        for (const Edge& e : edges) corners.push_back(e.a);
        std::sort(corners.begin(), corners.end(), before);
        apart = std::adjacent_find(corners.begin(), corners.end(), same) == corners.end();
    }
    if (apart) {
        // One such ring is filled alike by either rule.
        if (rings.size() == 1) return rings;
        std::vector<Piece> pieces;
        for (const Edge& e : edges) pieces.push_back(piece_of(e.a, e.b));
        const PieceIndex index(pieces, box, bands);
        std::vector<std::vector<Vec2>> kept;
        for (size_t i = 0; i < edges.size(); ++i) {
            if (i > 0 && ring_of[i] == ring_of[i - 1]) continue;
            const auto [one, other] = sides(pieces, i, index, work);
            if (work > kMaxWork) return rings;
            if ((one != 0) != (other != 0)) kept.push_back(rings[ring_of[i]]);
        }
        return kept;
    }

    // 2. The pieces between cuts, each once, with the runs along it summed;
    // cuts a rounding apart (three edges through one point) made one point.
    Snap snap(box, kSnap);
    for (const Edge& e : edges) snap(e.a);
    std::map<std::pair<Vec2, Vec2>, int, decltype([](const auto& l, const auto& r) {
                 return before(l.first, r.first) ||
                        (same(l.first, r.first) && before(l.second, r.second));
             })>
        runs;
    for (size_t i = 0; i < edges.size(); ++i) {
        Cuts& c = cuts[i];
        c.emplace_back(0.0, edges[i].a);
        c.emplace_back(1.0, edges[i].b);
        std::sort(c.begin(), c.end(),
                  [](const auto& l, const auto& r) { return l.first < r.first; });
        for (auto& cut : c) cut.second = snap(cut.second);
        for (size_t k = 0; k + 1 < c.size(); ++k) {
            const Vec2 a = c[k].second, b = c[k + 1].second;
            if (same(a, b)) continue;
            const Piece p = piece_of(a, b);
            runs[{p.lo, p.hi}] += p.weight;
        }
    }
    std::vector<Piece> pieces;
    for (const auto& [ends, weight] : runs) {
        if (weight != 0) pieces.push_back({ends.first, ends.second, weight});
    }

    // 3. Keep the pieces with the area on one side only, turned so that it is on their left.
    const PieceIndex index(pieces, box, bands);
    std::vector<Edge> outline;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const auto [left, right] = sides(pieces, i, index, work);
        if (work > kMaxWork) return rings;
        if ((left != 0) == (right != 0)) continue;
        // Going from lo to hi, the left-hand side is toward -x (rising) or +y (level).
        if (left != 0) {
            outline.push_back({pieces[i].lo, pieces[i].hi});
        } else {
            outline.push_back({pieces[i].hi, pieces[i].lo});
        }
    }

    // 4. Join the kept pieces end to start into rings.
    std::map<Vec2, std::vector<size_t>, PointLess> leaving;
    for (size_t i = outline.size(); i-- > 0;) leaving[outline[i].a].push_back(i);
    std::vector<bool> used(outline.size(), false);
    std::vector<std::vector<Vec2>> result;
    for (size_t start = 0; start < outline.size(); ++start) {
        if (used[start]) continue;
        std::vector<Vec2> ring;
        size_t at = start;
        while (true) {
            used[at] = true;
            ring.push_back(outline[at].a);
            if (same(outline[at].b, outline[start].a)) break;
            auto& next = leaving[outline[at].b];
            while (!next.empty() && used[next.back()]) next.pop_back();
            // Pieces that do not close up: numbers too close to call.
            if (next.empty()) return rings;
            at = next.back();
            next.pop_back();
        }
        if (ring.size() >= 3) result.push_back(std::move(ring));
    }
    return result;
}

}  // namespace tvk::host
