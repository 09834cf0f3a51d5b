#include "host/plotting/ordering/plan_bounds.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>
#include <tuple>

namespace tvk::host {
namespace {

using Point = std::pair<int32_t, int32_t>;
constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();

class Sets {
  public:
    explicit Sets(size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0u); }
    uint32_t find(uint32_t x) {
        while (parent_[x] != x) x = parent_[x] = parent_[parent_[x]];
        return x;
    }
    bool unite(uint32_t a, uint32_t b) {
        a = find(a), b = find(b);
        if (a == b) return false;
        parent_[std::max(a, b)] = std::min(a, b);
        return true;
    }

  private:
    std::vector<uint32_t> parent_;
};

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

    static double box_squared(const Node& n, Point p) {
        const double dx = std::max({double(n.min_x) - p.first, 0.0, double(p.first) - n.max_x});
        const double dy = std::max({double(n.min_y) - p.second, 0.0, double(p.second) - n.max_y});
        return dx * dx + dy * dy;
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
    Sets parts(paths.size());
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

double spanning_length(const PathStops& stops) {
    const std::vector<Point>& points = stops.points;
    if (points.empty()) return 0;
    // Borůvka's spanning tree: each round, every part of the forest takes the
    // shortest move from it to another part, found through the tree with
    // the parts of whole subtrees known, until one part is left.
    const size_t paths = stops.first.size() - 1;
    std::vector<uint32_t> path_of(points.size());
    for (uint32_t i = 0; i < paths; ++i)
        for (uint32_t k = stops.first[i]; k < stops.first[i + 1]; ++k) path_of[k] = i;
    std::vector<uint32_t> ids(points.size());
    std::iota(ids.begin(), ids.end(), 0u);
    const StopTree tree(points, std::move(ids));
    const auto& nodes = tree.nodes();
    const auto& order = tree.ids();
    Sets parts(paths);
    size_t left = 0;
    for (uint32_t i = 0; i < paths; ++i) left += stops.first[i + 1] > stops.first[i] ? 1 : 0;
    std::vector<uint32_t> part_at(order.size()), node_part(nodes.size());
    std::vector<double> best(paths);
    std::vector<std::pair<uint32_t, uint32_t>> edge(paths);
    double tree_length = 0;
    while (left > 1) {
        for (size_t k = 0; k < order.size(); ++k) part_at[k] = parts.find(path_of[order[k]]);
        // Children come after their parent: backwards, each subtree's part
        // (kNone where it holds more than one) is known from its children's.
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
        std::fill(best.begin(), best.end(), std::numeric_limits<double>::infinity());
        std::vector<uint32_t> stack;
        for (size_t k = 0; k < order.size(); ++k) {
            const uint32_t part = part_at[k];
            const Point p = points[order[k]];
            double& found = best[part];
            stack.assign(1, 0);
            while (!stack.empty()) {
                const auto& node = nodes[stack.back()];
                stack.pop_back();
                if (node_part[&node - nodes.data()] == part) continue;
                if (StopTree::box_squared(node, p) >= found) continue;
                if (node.left == kNone) {
                    for (uint32_t j = node.lo; j < node.hi; ++j) {
                        if (part_at[j] == part) continue;
                        const double d = squared(p, points[order[j]]);
                        if (d < found) found = d, edge[part] = {part, part_at[j]};
                    }
                    continue;
                }
                // The nearer child last, to be searched first.
                const double dl = StopTree::box_squared(nodes[node.left], p),
                             dr = StopTree::box_squared(nodes[node.right], p);
                stack.push_back(dl < dr ? node.right : node.left);
                stack.push_back(dl < dr ? node.left : node.right);
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
            tree_length += std::sqrt(j.d);
            ++joined;
        }
        if (joined == 0) break;
        left -= joined;
    }
    return tree_length;
}

}  // namespace tvk::host
