#include "host/plotting/ordering/plan_bounds.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>
#include <tuple>

#include "host/plotting/ordering/delaunay_edges.h"
#include "host/plotting/ordering/disjoint_sets.h"

namespace tvk::host {
namespace {

using Point = std::pair<int32_t, int32_t>;
constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();

uint64_t point_hash(uint32_t group, Point p) {
    uint64_t k = (uint64_t(uint32_t(p.first)) << 32 | uint32_t(p.second)) ^
                 (uint64_t(group) * 0x9E3779B97F4A7C15ull);
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdull;
    k ^= k >> 33;
    k *= 0xc4ceb9fe1a85ec53ull;
    return k ^ (k >> 33);
}

double squared(Point a, Point b) {
    const double dx = double(a.first) - b.first, dy = double(a.second) - b.second;
    return dx * dx + dy * dy;
}

// A k-d tree over the stops, with boxes, for the nearest stop of another
// part of the spanning forest.
class StopTree {
  public:
    static constexpr size_t kLeaf = 8;
    struct Node {
        uint32_t lo, hi;
        uint32_t left = kNone, right = kNone;
        int32_t min_x = 0, min_y = 0, max_x = 0, max_y = 0;
    };

    StopTree(const std::vector<Point>& points, std::vector<uint32_t> ids)
        : points_(points), ids_(std::move(ids)) {
        if (!ids_.empty()) build(0, static_cast<uint32_t>(ids_.size()));
    }

    const std::vector<Node>& nodes() const { return nodes_; }
    const std::vector<uint32_t>& ids() const { return ids_; }

    // Searches weigh two boxes a step: kept to plain comparisons.
    static double box_squared(const Node& n, Point p) {
        const double dx = gap(n.min_x, n.max_x, p.first), dy = gap(n.min_y, n.max_y, p.second);
        return dx * dx + dy * dy;
    }
    // How far v lies outside [lo, hi].
    static double gap(int32_t lo, int32_t hi, int32_t v) {
        return v < lo ? double(lo) - v : v > hi ? double(v) - hi : 0.0;
    }

  private:
    uint32_t build(uint32_t lo, uint32_t hi) {
        const auto at = static_cast<uint32_t>(nodes_.size());
        nodes_.push_back({lo, hi});
        Node box{lo, hi};
        box.min_x = box.min_y = std::numeric_limits<int32_t>::max();
        box.max_x = box.max_y = std::numeric_limits<int32_t>::min();
        for (uint32_t k = lo; k < hi; ++k) {
            const Point p = points_[ids_[k]];
            box.min_x = std::min(box.min_x, p.first), box.max_x = std::max(box.max_x, p.first);
            box.min_y = std::min(box.min_y, p.second), box.max_y = std::max(box.max_y, p.second);
        }
        if (hi - lo > kLeaf) {
            const uint32_t mid = (lo + hi) / 2;
            const bool by_x = box.max_x - double(box.min_x) >= box.max_y - double(box.min_y);
            std::nth_element(ids_.begin() + lo, ids_.begin() + mid, ids_.begin() + hi,
                             [&](uint32_t a, uint32_t b) {
                                 return by_x ? points_[a].first < points_[b].first
                                             : points_[a].second < points_[b].second;
                             });
            box.left = build(lo, mid);
            box.right = build(mid, hi);
        }
        nodes_[at] = box;
        return at;
    }

    const std::vector<Point>& points_;
    std::vector<uint32_t> ids_;
    std::vector<Node> nodes_;
};

}  // namespace

size_t fewest_strokes(const std::vector<PenPath>& paths) {
    // Pens and styles as small numbers: strokes of different ones never meet.
    std::map<std::tuple<int, int, int>, uint32_t> styles;
    std::vector<uint32_t> group(paths.size());
    size_t total = 0;
    for (size_t i = 0; i < paths.size(); ++i) {
        const PenPath& p = paths[i];
        group[i] = styles.try_emplace({p.pen, p.line_type, p.speed}, uint32_t(styles.size()))
                       .first->second;
        total += p.points.size();
    }
    // A point matters to the graph's shape only where more than one path has
    // it; two bit tables find the points that may (a hash seen twice), so
    // that only those are sorted.
    size_t bits = 64;
    while (bits < total * 8) bits *= 2;
    std::vector<uint64_t> seen(bits / 64, 0), again(bits / 64, 0);
    const uint64_t mask = bits - 1;
    for (size_t i = 0; i < paths.size(); ++i) {
        for (const Point& pt : paths[i].points) {
            const uint64_t h = point_hash(group[i], pt) & mask, bit = uint64_t{1} << (h % 64);
            if (seen[h / 64] & bit)
                again[h / 64] |= bit;
            else
                seen[h / 64] |= bit;
        }
    }
    std::vector<uint64_t>().swap(seen);
    struct Shared {
        uint32_t group;
        Point at;
        uint32_t path;
        uint32_t ends;  // of this path here: its first point, its last, or both
    };
    std::vector<Shared> shared;
    std::vector<uint32_t> odd;  // a path at each point where an odd number of segments meet
    DisjointSets parts(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        const auto& pts = paths[i].points;
        for (size_t k = 0; k < pts.size(); ++k) {
            const uint32_t ends = (k == 0 ? 1u : 0u) + (k + 1 == pts.size() ? 1u : 0u);
            const uint64_t h = point_hash(group[i], pts[k]) & mask;
            if (again[h / 64] & (uint64_t{1} << (h % 64))) {
                shared.push_back({group[i], pts[k], uint32_t(i), ends});
            } else if (ends == 1) {
                // Every point inside a path has two of its segments; only the
                // ends add one.
                odd.push_back(uint32_t(i));
            }
        }
    }
    std::vector<uint64_t>().swap(again);
    std::sort(shared.begin(), shared.end(), [](const Shared& a, const Shared& b) {
        return std::tie(a.group, a.at) < std::tie(b.group, b.at);
    });
    for (size_t k = 0; k < shared.size();) {
        size_t last = k;
        uint32_t ends = 0;
        for (; last < shared.size() && shared[last].group == shared[k].group &&
               shared[last].at == shared[k].at;
             ++last) {
            parts.unite(shared[k].path, shared[last].path);
            ends += shared[last].ends;
        }
        if (ends % 2) odd.push_back(shared[k].path);
        k = last;
    }
    std::vector<uint32_t> odd_in(paths.size(), 0);
    for (const uint32_t path : odd) ++odd_in[parts.find(path)];
    size_t strokes = 0;
    for (uint32_t i = 0; i < paths.size(); ++i) {
        if (paths[i].points.empty() || parts.find(i) != i) continue;
        strokes += std::max<size_t>(1, odd_in[i] / 2);
    }
    return strokes;
}

void PathStops::add(const std::vector<Point>& path, bool closed) {
    if (first.empty()) first.push_back(0);
    if (closed) {
        points.insert(points.end(), path.begin(), path.end());
    } else if (path.size() > 2 && path.front() == path.back()) {
        points.insert(points.end(), path.begin(), path.end() - 1);
    } else if (!path.empty()) {
        points.push_back(path.front());
        if (path.size() > 1 && path.back() != path.front()) points.push_back(path.back());
    }
    first.push_back(static_cast<uint32_t>(points.size()));
}

double least_travel(const PathStops& stops, Point home) {
    return stops.points.empty() ? 0 : spanning_length(stops) + nearest_distance(stops, home);
}

double nearest_distance(const PathStops& stops, Point home) {
    double from_home = std::numeric_limits<double>::infinity();
    for (const Point& p : stops.points) from_home = std::min(from_home, squared(home, p));
    return std::sqrt(from_home);
}

namespace {

// The nearest points (kd order) of other parts than `part` to p, nearest
// first, as many as Found holds: subtrees of one part alone are skipped.
template <size_t K>
struct Found {
    std::array<double, K> d;  // squared distances
    std::array<uint32_t, K> at;
    size_t count = 0;
    double bound;
    explicit Found(double limit) : bound(limit) {}
    double worst() const { return count < K ? bound : d[K - 1]; }
    void add(double dist, uint32_t k) {
        size_t i = count < K ? count++ : K - 1;
        while (i > 0 && d[i - 1] > dist) d[i] = d[i - 1], at[i] = at[i - 1], --i;
        d[i] = dist, at[i] = k;
    }
};

// What a search starts from: a point, or the box of a subtree.
struct PointQuery {
    Point p;
    double to(Point q) const { return squared(p, q); }
    double to(const StopTree::Node& n) const { return StopTree::box_squared(n, p); }
};

struct BoxQuery {
    const StopTree::Node& box;
    double to(Point q) const { return StopTree::box_squared(box, q); }
    double to(const StopTree::Node& n) const {
        const double dx = n.min_x > box.max_x   ? double(n.min_x) - box.max_x
                          : box.min_x > n.max_x ? double(box.min_x) - n.max_x
                                                : 0.0,
                     dy = n.min_y > box.max_y   ? double(n.min_y) - box.max_y
                          : box.min_y > n.max_y ? double(box.min_y) - n.max_y
                                                : 0.0;
        return dx * dx + dy * dy;
    }
};

template <size_t K, typename Query>
void search_foreign(const StopTree& tree, const std::vector<Point>& points,
                    const std::vector<uint32_t>& part_at, const std::vector<uint32_t>& node_part,
                    const Query& query, uint32_t part, Found<K>& found,
                    std::vector<uint32_t>& stack) {
    const auto& nodes = tree.nodes();
    const auto& order = tree.ids();
    stack.assign(1, 0);
    while (!stack.empty()) {
        const uint32_t n = stack.back();
        stack.pop_back();
        const auto& node = nodes[n];
        if (node_part[n] == part || query.to(node) >= found.worst()) continue;
        if (node.left == kNone) {
            for (uint32_t j = node.lo; j < node.hi; ++j) {
                if (part_at[j] == part) continue;
                const double d = query.to(points[order[j]]);
                if (d < found.worst()) found.add(d, j);
            }
            continue;
        }
        // The nearer child last, to be searched first.
        const double dl = query.to(nodes[node.left]), dr = query.to(nodes[node.right]);
        stack.push_back(dl < dr ? node.right : node.left);
        stack.push_back(dl < dr ? node.left : node.right);
    }
}

// Each subtree's part, kNone where it holds more than one.
void subtree_parts(const StopTree& tree, const std::vector<uint32_t>& part_at,
                   std::vector<uint32_t>& node_part) {
    const auto& nodes = tree.nodes();
    node_part.resize(nodes.size());
    // Children come after their parent: backwards, each from its children.
    for (size_t n = nodes.size(); n-- > 0;) {
        const auto& node = nodes[n];
        uint32_t part;
        if (node.left == kNone) {
            part = part_at[node.lo];
            for (uint32_t k = node.lo + 1; k < node.hi && part != kNone; ++k)
                if (part_at[k] != part) part = kNone;
        } else {
            part = node_part[node.left] == node_part[node.right] ? node_part[node.left] : kNone;
        }
        node_part[n] = part;
    }
}

// Each point keeps this many nearest points of other paths: in most rounds
// one of them is of another part, and is then the nearest of any.
constexpr size_t kKept = 4;

}  // namespace

double spanning_length(const PathStops& stops) {
    double total = 0;
    for (const double edge : spanning_edges(stops)) total += edge;
    return total;
}

namespace {

// The same tree found by searching a k-d tree (Borůvka's rounds), for
// coordinates too large for the triangulation's exact tests.
std::vector<double> spanning_edges_by_search(const PathStops& stops) {
    std::vector<double> edges;
    const std::vector<Point>& points = stops.points;
    if (points.empty()) return edges;
    // Borůvka's spanning tree: each round, every part of the forest takes the
    // shortest move from it to another part, until one part is left.
    const size_t paths = stops.first.size() - 1;
    std::vector<uint32_t> ids(points.size());
    std::iota(ids.begin(), ids.end(), 0u);
    const StopTree tree(points, std::move(ids));
    const auto& order = tree.ids();
    const auto& nodes = tree.nodes();
    std::vector<uint32_t> path_at(order.size());
    {
        std::vector<uint32_t> path_of(points.size());
        for (uint32_t i = 0; i < paths; ++i)
            for (uint32_t k = stops.first[i]; k < stops.first[i + 1]; ++k) path_of[k] = i;
        for (size_t k = 0; k < order.size(); ++k) path_at[k] = path_of[order[k]];
    }
    std::vector<uint32_t> node_part, stack;
    subtree_parts(tree, path_at, node_part);
    // The nearest points of other paths, and for each point how near the
    // nearest point of another part can be (at first: the last of those
    // kept, as no point of another path is nearer but they).
    std::vector<uint32_t> kept(order.size() * kKept, kNone);
    std::vector<float> reach(order.size());
    for (size_t k = 0; k < order.size(); ++k) {
        Found<kKept> found(std::numeric_limits<double>::infinity());
        search_foreign(tree, points, path_at, node_part, PointQuery{points[order[k]]}, path_at[k],
                       found, stack);
        std::copy(found.at.begin(), found.at.begin() + static_cast<long>(found.count),
                  kept.begin() + static_cast<long>(k * kKept));
        // Rounded down, so that it stays a bound.
        reach[k] = found.count < kKept
                       ? std::numeric_limits<float>::infinity()
                       : std::nextafter(static_cast<float>(found.d[kKept - 1]), 0.0f);
    }
    DisjointSets parts(paths);
    size_t left = 0;
    for (uint32_t i = 0; i < paths; ++i) left += stops.first[i + 1] > stops.first[i] ? 1 : 0;
    std::vector<uint32_t> part_at(order.size());
    std::vector<double> best(paths);
    std::vector<std::pair<uint32_t, uint32_t>> edge(paths);
    while (left > 1) {
        for (size_t k = 0; k < order.size(); ++k) part_at[k] = parts.find(path_at[k]);
        std::fill(best.begin(), best.end(), std::numeric_limits<double>::infinity());
        // First the points with a kept neighbour of another part: the
        // nearest such is the nearest of any.
        std::vector<uint32_t> searched;
        for (size_t k = 0; k < order.size(); ++k) {
            const uint32_t part = part_at[k];
            bool found = false;
            for (size_t i = 0; i < kKept && !found; ++i) {
                const uint32_t j = kept[k * kKept + i];
                if (j == kNone) break;
                if (part_at[j] == part) continue;
                found = true;
                if (const double d = squared(points[order[k]], points[order[j]]); d < best[part])
                    best[part] = d, edge[part] = {part, part_at[j]};
            }
            if (!found) searched.push_back(static_cast<uint32_t>(k));
        }
        // Then the others, through the tree, where their part may have a
        // shorter move from them: in groups (the largest subtrees of one
        // part), each searched point by point only where another part comes
        // nearer its box than the part's best so far, the nearest first.
        // Each point learns how near another part can be; parts only grow,
        // so that stays a bound for later rounds.
        subtree_parts(tree, part_at, node_part);
        std::vector<uint8_t> pending(order.size(), 0);
        for (const uint32_t k : searched) pending[k] = 1;
        struct Group {
            double near;  // no point of another part is nearer to the group
            uint32_t node;
        };
        std::vector<Group> groups;
        std::vector<uint32_t> to_visit(1, 0);
        while (!to_visit.empty()) {
            const uint32_t n = to_visit.back();
            to_visit.pop_back();
            const auto& node = nodes[n];
            const uint32_t part = node_part[n];
            if (part == kNone && node.left != kNone) {
                to_visit.push_back(node.left);
                to_visit.push_back(node.right);
                continue;
            }
            double near = 0;
            if (part != kNone) {
                Found<1> found(best[part]);
                search_foreign(tree, points, part_at, node_part, BoxQuery{node}, part, found,
                               stack);
                if (found.count == 0) continue;  // nothing nearer than the part's best
                near = found.d[0];
            }
            groups.push_back({near, n});
        }
        std::sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
            return std::tie(a.near, a.node) < std::tie(b.near, b.node);
        });
        for (const Group& group : groups) {
            const auto& node = nodes[group.node];
            for (uint32_t k = node.lo; k < node.hi; ++k) {
                const uint32_t part = part_at[k];
                if (!pending[k] || reach[k] >= best[part]) continue;
                if (group.near >= best[part]) break;
                Found<1> found(best[part]);
                search_foreign(tree, points, part_at, node_part, PointQuery{points[order[k]]}, part,
                               found, stack);
                if (found.count == 0) {
                    // None nearer than the part's best so far.
                    reach[k] = std::nextafter(static_cast<float>(best[part]), 0.0f);
                    continue;
                }
                reach[k] = std::nextafter(static_cast<float>(found.d[0]), 0.0f);
                best[part] = found.d[0], edge[part] = {part, part_at[found.at[0]]};
            }
        }
        struct Join {
            double d;
            uint32_t a, b;
        };
        std::vector<Join> joins;
        for (uint32_t part = 0; part < paths; ++part)
            if (std::isfinite(best[part]))
                joins.push_back({best[part], edge[part].first, edge[part].second});
        std::sort(joins.begin(), joins.end(), [](const Join& x, const Join& y) {
            return std::tie(x.d, x.a, x.b) < std::tie(y.d, y.a, y.b);
        });
        size_t joined = 0;
        for (const Join& j : joins) {
            if (!parts.unite(j.a, j.b)) continue;
            edges.push_back(std::sqrt(j.d));
            ++joined;
        }
        if (joined == 0) break;
        left -= joined;
    }
    return edges;
}

bool within_triangulation(const std::vector<Point>& points) {
    return std::all_of(points.begin(), points.end(), [](Point p) {
        return p.first > -kDelaunayLimit && p.first < kDelaunayLimit &&
               p.second > -kDelaunayLimit && p.second < kDelaunayLimit;
    });
}

}  // namespace

// Paths are joined inside at no cost: the tree over the paths is a shortest
// tree over their stops, each path's own stops joined for nothing first. A
// shortest tree over the stops lies within any Delaunay triangulation of
// them (an edge with another stop on or in the circle that has it as
// diameter is the longest of a triangle, and in no shortest tree; every
// other edge is in every triangulation), so only its edges, about three a
// stop, are weighed, not every pair. Stops at one place join their paths at
// no cost, and are one point to the triangulation.
std::vector<double> spanning_edges(const PathStops& stops) {
    if (!within_triangulation(stops.points)) return spanning_edges_by_search(stops);
    std::vector<double> edges;
    const size_t paths = stops.first.size() - (stops.first.empty() ? 0 : 1);
    struct Stop {
        Point at;
        uint32_t path;
    };
    std::vector<Stop> sorted;
    sorted.reserve(stops.points.size());
    for (uint32_t i = 0; i < paths; ++i)
        for (uint32_t k = stops.first[i]; k < stops.first[i + 1]; ++k)
            sorted.push_back({stops.points[k], i});
    std::sort(sorted.begin(), sorted.end(), [](const Stop& a, const Stop& b) {
        return std::tie(a.at, a.path) < std::tie(b.at, b.path);
    });
    DisjointSets parts(paths);
    std::vector<Point> places;
    std::vector<uint32_t> path_at;  // a path with a stop at each place
    for (size_t k = 0; k < sorted.size(); ++k) {
        if (k > 0 && sorted[k].at == sorted[k - 1].at) {
            if (parts.unite(sorted[k].path, sorted[k - 1].path)) edges.push_back(0);
            continue;
        }
        places.push_back(sorted[k].at);
        path_at.push_back(sorted[k].path);
    }
    std::vector<Stop>().swap(sorted);
    // Borůvka's rounds over the triangulation's edges: each part of the
    // forest takes its shortest edge to another part (ties by the edge's
    // place, so that no round closes a cycle); edges within a part are
    // dropped as parts grow.
    std::vector<uint32_t> ends = delaunay_edges(places);
    const auto squared_length = [&](size_t e) {
        const Point a = places[ends[2 * e]], b = places[ends[2 * e + 1]];
        const int64_t dx = int64_t{a.first} - b.first, dy = int64_t{a.second} - b.second;
        return dx * dx + dy * dy;
    };
    std::vector<int64_t> best(paths);
    std::vector<uint32_t> best_edge(paths);
    for (;;) {
        std::fill(best.begin(), best.end(), std::numeric_limits<int64_t>::max());
        size_t kept = 0;
        for (size_t e = 0; e < ends.size() / 2; ++e) {
            const uint32_t a = parts.find(path_at[ends[2 * e]]),
                           b = parts.find(path_at[ends[2 * e + 1]]);
            if (a == b) continue;
            ends[2 * kept] = ends[2 * e], ends[2 * kept + 1] = ends[2 * e + 1];
            const int64_t d = squared_length(kept);
            for (const uint32_t part : {a, b})
                if (d < best[part]) best[part] = d, best_edge[part] = static_cast<uint32_t>(kept);
            ++kept;
        }
        ends.resize(2 * kept);
        size_t joined = 0;
        for (uint32_t part = 0; part < paths; ++part) {
            if (best[part] == std::numeric_limits<int64_t>::max()) continue;
            const uint32_t e = best_edge[part];
            if (!parts.unite(path_at[ends[2 * e]], path_at[ends[2 * e + 1]])) continue;
            edges.push_back(std::sqrt(static_cast<double>(best[part])));
            ++joined;
        }
        if (joined == 0) break;
    }
    return edges;
}

}  // namespace tvk::host
