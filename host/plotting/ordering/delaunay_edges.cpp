// Divide and conquer (Guibas and Stolfi) on edges that know only the edges
// next round their origin both ways: a face's next edge is found through
// the other half of the edge (lnext(e) = oprev(sym(e))), so that the dual
// half of a quad-edge need not be kept.
#include "host/plotting/ordering/delaunay_edges.h"

#include <cmath>
#include <limits>

namespace tvk::host {
namespace {

using Point = std::pair<int32_t, int32_t>;
constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();

// Whether c lies to the left of the line from a to b.
bool ccw(Point a, Point b, Point c) {
    const int64_t abx = int64_t{b.first} - a.first, aby = int64_t{b.second} - a.second,
                  acx = int64_t{c.first} - a.first, acy = int64_t{c.second} - a.second;
    return abx * acy - aby * acx > 0;
}

// Whether d lies inside the circle through a, b and c (counter-clockwise):
// in floating point where that is certain (differences are exact in it,
// and the error is far below the bound taken), else in 128-bit integers.
bool in_circle(Point a, Point b, Point c, Point d) {
    const int64_t adx = int64_t{a.first} - d.first, ady = int64_t{a.second} - d.second,
                  bdx = int64_t{b.first} - d.first, bdy = int64_t{b.second} - d.second,
                  cdx = int64_t{c.first} - d.first, cdy = int64_t{c.second} - d.second;
    {
        const double ax = double(adx), ay = double(ady), bx = double(bdx), by = double(bdy),
                     cx = double(cdx), cy = double(cdy);
        const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
        const double det =
            a2 * (bx * cy - cx * by) + b2 * (cx * ay - ax * cy) + c2 * (ax * by - bx * ay);
        const double size = a2 * (std::fabs(bx * cy) + std::fabs(cx * by)) +
                            b2 * (std::fabs(cx * ay) + std::fabs(ax * cy)) +
                            c2 * (std::fabs(ax * by) + std::fabs(bx * ay));
        if (std::fabs(det) > size * 1e-12) return det > 0;
    }
    __extension__ typedef __int128 Wide;
    const Wide a2 = Wide{adx} * adx + Wide{ady} * ady, b2 = Wide{bdx} * bdx + Wide{bdy} * bdy,
               c2 = Wide{cdx} * cdx + Wide{cdy} * cdy;
    return a2 * (Wide{bdx} * cdy - Wide{cdx} * bdy) + b2 * (Wide{cdx} * ady - Wide{adx} * cdy) +
               c2 * (Wide{adx} * bdy - Wide{bdx} * ady) >
           0;
}

// Directed edges in pairs: e and e ^ 1 are the two ways along one edge.
class Mesh {
  public:
    explicit Mesh(const std::vector<Point>& points) : points_(points) {
        const size_t most = 6 * points.size();  // 3n edges, both ways
        org_.reserve(most), next_.reserve(most), prev_.reserve(most);
    }

    // The triangulation of points [lo, hi): its hull's edge out of the
    // leftmost point counter-clockwise, and out of the rightmost clockwise.
    std::pair<uint32_t, uint32_t> triangulate(uint32_t lo, uint32_t hi) {
        if (hi - lo == 2) {
            const uint32_t a = make_edge(lo, lo + 1);
            return {a, a ^ 1};
        }
        if (hi - lo == 3) {
            const uint32_t a = make_edge(lo, lo + 1), b = make_edge(lo + 1, lo + 2);
            splice(a ^ 1, b);
            const Point s1 = at(lo), s2 = at(lo + 1), s3 = at(lo + 2);
            if (ccw(s1, s2, s3)) {
                connect(b, a);
                return {a, b ^ 1};
            }
            if (ccw(s1, s3, s2)) {
                const uint32_t c = connect(b, a);
                return {c ^ 1, c};
            }
            return {a, b ^ 1};  // in a line
        }
        const uint32_t mid = lo + (hi - lo) / 2;
        auto [ldo, ldi] = triangulate(lo, mid);
        auto [rdi, rdo] = triangulate(mid, hi);
        // The lower common tangent of the two halves.
        for (;;) {
            if (left_of(at(org(rdi)), ldi)) {
                ldi = lnext(ldi);
            } else if (right_of(at(org(ldi)), rdi)) {
                rdi = rprev(rdi);
            } else {
                break;
            }
        }
        uint32_t base = connect(rdi ^ 1, ldi);
        if (org(ldi) == org(ldo)) ldo = base ^ 1;
        if (org(rdi) == org(rdo)) rdo = base;
        // Up from it, each step the next triangle across the seam.
        for (;;) {
            uint32_t left = next_[base ^ 1];
            if (valid(left, base)) {
                while (in_circle(at(dest(base)), at(org(base)), at(dest(left)),
                                 at(dest(next_[left])))) {
                    const uint32_t t = next_[left];
                    remove(left);
                    left = t;
                }
            }
            uint32_t right = prev_[base];
            if (valid(right, base)) {
                while (in_circle(at(dest(base)), at(org(base)), at(dest(right)),
                                 at(dest(prev_[right])))) {
                    const uint32_t t = prev_[right];
                    remove(right);
                    right = t;
                }
            }
            const bool left_valid = valid(left, base), right_valid = valid(right, base);
            if (!left_valid && !right_valid) break;
            if (!left_valid || (right_valid && in_circle(at(dest(left)), at(org(left)),
                                                         at(org(right)), at(dest(right))))) {
                base = connect(right, base ^ 1);
            } else {
                base = connect(base ^ 1, left ^ 1);
            }
        }
        return {ldo, rdo};
    }

    // The edges' ends, the mesh given up.
    std::vector<uint32_t> take_edges() {
        std::vector<uint32_t>().swap(next_);
        std::vector<uint32_t>().swap(prev_);
        size_t kept = 0;
        for (size_t e = 0; e < org_.size(); e += 2) {
            if (org_[e] == kNone) continue;
            org_[kept++] = org_[e];
            org_[kept++] = org_[e + 1];
        }
        org_.resize(kept);
        return std::move(org_);
    }

  private:
    Point at(uint32_t point) const { return points_[point]; }
    uint32_t org(uint32_t e) const { return org_[e]; }
    uint32_t dest(uint32_t e) const { return org_[e ^ 1]; }
    uint32_t lnext(uint32_t e) const { return prev_[e ^ 1]; }
    uint32_t rprev(uint32_t e) const { return next_[e ^ 1]; }
    bool left_of(Point p, uint32_t e) const { return ccw(p, at(org(e)), at(dest(e))); }
    bool right_of(Point p, uint32_t e) const { return ccw(p, at(dest(e)), at(org(e))); }
    bool valid(uint32_t e, uint32_t base) const { return right_of(at(dest(e)), base); }

    uint32_t make_edge(uint32_t a, uint32_t b) {
        uint32_t e;
        if (free_ != kNone) {
            e = free_;
            free_ = next_[e];
        } else {
            e = static_cast<uint32_t>(org_.size());
            org_.resize(e + 2), next_.resize(e + 2), prev_.resize(e + 2);
        }
        org_[e] = a, org_[e + 1] = b;
        next_[e] = prev_[e] = e;
        next_[e + 1] = prev_[e + 1] = e + 1;
        return e;
    }

    // Joins the rings round a's and b's origins, or parts them if one.
    void splice(uint32_t a, uint32_t b) {
        const uint32_t an = next_[a], bn = next_[b];
        next_[a] = bn, next_[b] = an;
        prev_[bn] = a, prev_[an] = b;
    }

    // A new edge from a's destination to b's origin, in the face left of both.
    uint32_t connect(uint32_t a, uint32_t b) {
        const uint32_t e = make_edge(dest(a), org(b));
        splice(e, lnext(a));
        splice(e ^ 1, b);
        return e;
    }

    void remove(uint32_t e) {
        splice(e, prev_[e]);
        splice(e ^ 1, prev_[e ^ 1]);
        const uint32_t pair = e & ~1u;
        org_[pair] = org_[pair + 1] = kNone;
        next_[pair] = free_;
        free_ = pair;
    }

    const std::vector<Point>& points_;
    std::vector<uint32_t> org_, next_, prev_;  // per directed edge
    uint32_t free_ = kNone;                    // removed pairs, to be used again
};

}  // namespace

std::vector<uint32_t> delaunay_edges(const std::vector<Point>& points) {
    if (points.size() < 2) return {};
    Mesh mesh(points);
    mesh.triangulate(0, static_cast<uint32_t>(points.size()));
    return mesh.take_edges();
}

}  // namespace tvk::host
