#include "host/plotting/ordering/route.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <limits>
#include <optional>

namespace tvk::host {

namespace {

using Point = std::pair<int32_t, int32_t>;

// Moves are looked for among the ends nearest to each end: enough for
// almost all the gain, at a fixed cost per path (on CAD drawings 16 finds
// about a twentieth less travel than 6, for a sixth more time).
constexpr size_t kNeighbours = 16;
// Moves that gain less are rounding noise.
constexpr double kMinGain = 1e-6;
constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();
// The k-d tree's leaves: a few ends looked through one by one.
constexpr size_t kLeaf = 8;

double distance(Point a, Point b) {
    double dx = static_cast<double>(a.first) - b.first,
           dy = static_cast<double>(a.second) - b.second;
    return std::sqrt(dx * dx + dy * dy);
}

bool is_closed(const PenPath& p) {
    return p.points.size() > 2 && p.points.front() == p.points.back();
}

// The ends of the paths in a k-d tree: end 2p is the first point of path p,
// end 2p + 1 its last (a closed path has only its first).
class EndTree {
  public:
    struct End {
        Point at;
        uint32_t id;
    };

    explicit EndTree(std::vector<End> ends) : ends_(std::move(ends)) { build(0, ends_.size(), 0); }

    // The ends of other paths than `path` nearest to p, nearest first, into
    // `out` (kNone where there are fewer).
    void nearest(Point p, uint32_t path, uint32_t* out) const {
        Found found;
        search(0, ends_.size(), 0, p, path, found);
        for (size_t k = 0; k < kNeighbours; ++k) out[k] = k < found.count ? found.id[k] : kNone;
    }

  private:
    struct Found {
        std::array<double, kNeighbours> d{};  // squared distances, ascending
        std::array<uint32_t, kNeighbours> id{};
        size_t count = 0;
        double worst() const {
            return count < kNeighbours ? std::numeric_limits<double>::infinity() : d[count - 1];
        }
        void add(double dist, uint32_t end) {
            size_t k = count < kNeighbours ? count++ : kNeighbours - 1;
            while (k > 0 && d[k - 1] > dist) d[k] = d[k - 1], id[k] = id[k - 1], --k;
            d[k] = dist, id[k] = end;
        }
    };

    void build(size_t lo, size_t hi, int depth) {
        if (hi - lo <= kLeaf) return;
        size_t mid = (lo + hi) / 2;
        std::nth_element(ends_.begin() + static_cast<std::ptrdiff_t>(lo),
                         ends_.begin() + static_cast<std::ptrdiff_t>(mid),
                         ends_.begin() + static_cast<std::ptrdiff_t>(hi),
                         [depth](const End& a, const End& b) {
                             return depth % 2 ? a.at.second < b.at.second : a.at.first < b.at.first;
                         });
        build(lo, mid, depth + 1);
        build(mid + 1, hi, depth + 1);
    }

    void consider(const End& e, Point p, uint32_t path, Found& found) const {
        if (e.id / 2 == path) return;
        double dx = double(p.first) - e.at.first, dy = double(p.second) - e.at.second;
        double d = dx * dx + dy * dy;
        if (d < found.worst()) found.add(d, e.id);
    }

    void search(size_t lo, size_t hi, int depth, Point p, uint32_t path, Found& found) const {
        if (hi - lo <= kLeaf) {
            for (size_t k = lo; k < hi; ++k) consider(ends_[k], p, path, found);
            return;
        }
        size_t mid = (lo + hi) / 2;
        const End& e = ends_[mid];
        consider(e, p, path, found);
        double diff = depth % 2 ? double(p.second) - e.at.second : double(p.first) - e.at.first;
        size_t near_lo = diff < 0 ? lo : mid + 1, near_hi = diff < 0 ? mid : hi;
        size_t far_lo = diff < 0 ? mid + 1 : lo, far_hi = diff < 0 ? hi : mid;
        search(near_lo, near_hi, depth + 1, p, path, found);
        if (diff * diff < found.worst()) search(far_lo, far_hi, depth + 1, p, path, found);
    }

    std::vector<End> ends_;
};

class Route {
  public:
    Route(std::vector<PenPath>& paths, Point start)
        : paths_(paths),
          n_(static_cast<long>(paths.size())),
          start_(start),
          order_(paths.size()),
          pos_(paths.size()),
          flipped_(paths.size(), 0),
          closed_(paths.size()),
          near_at_(paths.size() * 2, kNone) {
        std::vector<EndTree::End> ends;
        ends.reserve(paths.size() * 2);
        for (uint32_t t = 0; t < paths.size(); ++t) {
            order_[t] = pos_[t] = t;
            closed_[t] = is_closed(paths[t]);
            ends.push_back({paths[t].points.front(), 2 * t});
            if (!closed_[t]) ends.push_back({paths[t].points.back(), 2 * t + 1});
        }
        tree_.emplace(std::move(ends));
    }

    // Moves from the paths marked in `from` (all when null), and from those
    // they touch, until none gains or `budget` moves have been tried.
    void improve(uint64_t budget, WorkProgress& progress, const std::vector<uint8_t>* from) {
        // From every path, every end's neighbours will be wanted.
        if (!from) near_.reserve(paths_.size() * 2 * kNeighbours);
        queued_.assign(paths_.size(), 0);
        queue_.clear();
        tried_ = 0;
        for (uint32_t t : order_)
            if (!from || (*from)[t]) push(t);
        for (uint64_t popped = 0; !queue_.empty() && tried_ < budget; ++popped) {
            if (popped % 256 == 0) progress.step("Ordering", popped, popped + queue_.size());
            const uint32_t t = queue_.front();
            queue_.pop_front();
            queued_[t] = 0;
            if (two_opt(t) || or_opt(t)) push(t);
        }
    }

    // The paths in the route's order and directions, closed ones entered
    // where the pen comes from and goes to least far. Returns, for each path
    // then, whether it is a closed one entered elsewhere than before.
    std::vector<uint8_t> apply() {
        std::vector<uint8_t> moved(paths_.size(), 0);
        std::vector<PenPath> out;
        out.reserve(paths_.size());
        for (uint32_t t : order_) {
            out.push_back(std::move(paths_[t]));
            if (flipped_[t]) std::reverse(out.back().points.begin(), out.back().points.end());
        }
        for (size_t k = 0; k < out.size(); ++k) {
            if (!is_closed(out[k])) continue;
            auto& pts = out[k].points;
            const Point from = k == 0 ? start_ : out[k - 1].points.back();
            auto cost = [&](Point v) {
                return distance(from, v) +
                       (k + 1 < out.size() ? distance(v, out[k + 1].points.front()) : 0);
            };
            size_t best = 0;
            double best_cost = cost(pts[0]);
            for (size_t v = 1; v + 1 < pts.size(); ++v) {
                if (double c = cost(pts[v]); c < best_cost - kMinGain) best = v, best_cost = c;
            }
            if (best == 0) continue;
            pts.pop_back();
            std::rotate(pts.begin(), pts.begin() + static_cast<std::ptrdiff_t>(best), pts.end());
            pts.push_back(pts.front());
            moved[k] = 1;
        }
        paths_ = std::move(out);
        return moved;
    }

  private:
    Point front(uint32_t t) const { return paths_[t].points.front(); }
    Point back(uint32_t t) const { return paths_[t].points.back(); }
    // Where the path at route position k is entered and left; position -1 is
    // the pen's start.
    Point entry_at(long k) const {
        uint32_t t = order_[static_cast<size_t>(k)];
        return flipped_[t] ? back(t) : front(t);
    }
    Point exit_at(long k) const {
        if (k < 0) return start_;
        uint32_t t = order_[static_cast<size_t>(k)];
        return flipped_[t] ? front(t) : back(t);
    }
    // The pen-up move into position k (none after the last).
    double edge(long k) const { return k >= n_ ? 0 : distance(exit_at(k - 1), entry_at(k)); }
    long at(uint32_t t) const { return static_cast<long>(pos_[t]); }
    uint32_t path_at(long k) const { return order_[static_cast<size_t>(k)]; }

    // Whether end `e` (2p or 2p + 1) is where its path is entered, or left.
    bool is_entry(uint32_t e) const { return closed_[e / 2] || (e % 2) == flipped_[e / 2]; }
    bool is_exit(uint32_t e) const { return closed_[e / 2] || (e % 2) != flipped_[e / 2]; }
    // Found when first wanted: a route mended from a few paths looks at few ends.
    const uint32_t* near(uint32_t e) {
        if (near_at_[e] == kNone) {
            near_at_[e] = static_cast<uint32_t>(near_.size());
            near_.resize(near_.size() + kNeighbours);
            tree_->nearest(e % 2 ? back(e / 2) : front(e / 2), e / 2, &near_[near_at_[e]]);
        }
        return &near_[near_at_[e]];
    }
    // The end by which the path at position k is entered, or left.
    uint32_t entry_end(long k) const {
        uint32_t t = path_at(k);
        return 2 * t + (closed_[t] ? 0 : flipped_[t]);
    }
    uint32_t exit_end(long k) const {
        uint32_t t = path_at(k);
        return 2 * t + (closed_[t] ? 0 : 1 - flipped_[t]);
    }

    void push(uint32_t t) {
        if (queued_[t]) return;
        queued_[t] = 1;
        queue_.push_back(t);
    }
    void push_at(long k) {
        if (k >= 0 && k < n_) push(path_at(k));
    }

    // 2-opt: a new pen-up move between an end of path t and a near end,
    // by plotting the run of paths between them backwards.
    bool two_opt(uint32_t t) {
        for (uint32_t e = 2 * t; e < 2 * t + (closed_[t] ? 1u : 2u); ++e) {
            for (size_t k = 0; k < kNeighbours; ++k) {
                const uint32_t x = near(e)[k];
                if (x == kNone) break;
                const long i = at(t), j = at(x / 2);
                const long lo = std::min(i, j), hi = std::max(i, j);
                if (is_exit(e) && is_exit(x) && try_reverse(lo + 1, hi)) return true;
                if (is_entry(e) && is_entry(x) && try_reverse(lo, hi - 1)) return true;
            }
        }
        return false;
    }

    bool try_reverse(long p, long q) {
        if (p > q) return false;
        ++tried_;
        double gain = edge(p) + edge(q + 1) - distance(exit_at(p - 1), exit_at(q)) -
                      (q + 1 < n_ ? distance(entry_at(p), entry_at(q + 1)) : 0);
        if (gain <= kMinGain) return false;
        std::reverse(order_.begin() + p, order_.begin() + q + 1);
        for (long k = p; k <= q; ++k) {
            pos_[path_at(k)] = static_cast<uint32_t>(k);
            flipped_[path_at(k)] ^= 1;
        }
        for (long k : {p - 1, p, q, q + 1}) push_at(k);
        return true;
    }

    // Or-opt: the run of one to three paths from t moved between two others
    // near its ends, either way round.
    bool or_opt(uint32_t t) {
        const long s = at(t);
        for (long e = s; e < s + 3 && e < n_; ++e) {
            const double removed = edge(s) + edge(e + 1) -
                                   (e + 1 < n_ ? distance(exit_at(s - 1), entry_at(e + 1)) : 0);
            if (removed <= kMinGain) continue;
            const Point a = entry_at(s), b = exit_at(e);
            // After position g, the run costs `added`.
            auto inside = [&](long g) { return g >= s - 1 && g <= e; };
            auto after = [&](long g, bool reversed) {
                ++tried_;
                const Point in = reversed ? b : a, out = reversed ? a : b;
                double added = distance(exit_at(g), in) - edge(g + 1) +
                               (g + 1 < n_ ? distance(out, entry_at(g + 1)) : 0);
                if (removed - added <= kMinGain) return false;
                move_run(s, e, g, reversed);
                return true;
            };
            for (int side = 0; side < 2; ++side) {
                const uint32_t end = side == 0 ? entry_end(s) : exit_end(e);
                for (size_t k = 0; k < kNeighbours; ++k) {
                    const uint32_t x = near(end)[k];
                    if (x == kNone) break;
                    const long j = at(x / 2);
                    // Near the run's entry: after an exit as it is, or before
                    // an entry reversed; near its exit, the other way round.
                    if (is_exit(x) && !inside(j) && after(j, side == 1)) return true;
                    if (is_entry(x) && !inside(j - 1) && after(j - 1, side == 0)) return true;
                }
            }
        }
        return false;
    }

    void move_run(long s, long e, long g, bool reversed) {
        const long length = e - s + 1;
        push_at(s - 1);
        push_at(e + 1);
        long first, lo, hi;  // the run's new place; the positions that moved
        if (g > e) {
            std::rotate(order_.begin() + s, order_.begin() + e + 1, order_.begin() + g + 1);
            first = g - length + 1, lo = s, hi = g;
        } else {
            std::rotate(order_.begin() + g + 1, order_.begin() + s, order_.begin() + e + 1);
            first = g + 1, lo = g + 1, hi = e;
        }
        if (reversed) {
            std::reverse(order_.begin() + first, order_.begin() + first + length);
            for (long k = first; k < first + length; ++k) flipped_[path_at(k)] ^= 1;
        }
        for (long k = lo; k <= hi; ++k) pos_[path_at(k)] = static_cast<uint32_t>(k);
        for (long k = first - 1; k <= first + length; ++k) push_at(k);
    }

    std::vector<PenPath>& paths_;
    const long n_;
    const Point start_;
    std::vector<uint32_t> order_;   // path at each position
    std::vector<uint32_t> pos_;     // position of each path
    std::vector<uint8_t> flipped_;  // path plotted last point first
    std::vector<uint8_t> closed_;
    std::optional<EndTree> tree_;
    // The kNeighbours nearest ends of other paths, of the ends looked at so far.
    std::vector<uint32_t> near_;
    std::vector<uint32_t> near_at_;  // where each end's are in near_; kNone: not yet
    std::deque<uint32_t> queue_;     // paths whose moves may gain
    std::vector<uint8_t> queued_;
    uint64_t tried_ = 0;  // moves whose gain was weighed
};

// The moves the improvement may try from `paths` paths; 0 a path: none,
// infinity: no limit.
uint64_t move_budget(size_t paths, double moves_per_path) {
    const double moves = static_cast<double>(paths) * moves_per_path;
    return moves >= 1.8e19 ? UINT64_MAX : static_cast<uint64_t>(moves);
}

}  // namespace

void improve_route(std::vector<PenPath>& paths, std::pair<int32_t, int32_t> start,
                   double moves_per_path, WorkProgress& progress) {
    if (paths.size() < 2) return;
    std::vector<uint8_t> entered_elsewhere;
    {
        Route route(paths, start);
        route.improve(move_budget(paths.size(), moves_per_path), progress, nullptr);
        entered_elsewhere = route.apply();
    }
    // A closed path entered at another vertex has other neighbours there:
    // the route is mended once more from those.
    if (std::find(entered_elsewhere.begin(), entered_elsewhere.end(), 1) != entered_elsewhere.end())
        improve_route(paths, start, moves_per_path, progress, entered_elsewhere);
}

void improve_route(std::vector<PenPath>& paths, std::pair<int32_t, int32_t> start,
                   double moves_per_path, WorkProgress& progress,
                   const std::vector<uint8_t>& from) {
    if (paths.size() < 2) return;
    Route route(paths, start);
    const auto marked = static_cast<size_t>(
        std::count_if(from.begin(), from.end(), [](uint8_t f) { return f != 0; }));
    route.improve(move_budget(marked, moves_per_path), progress, &from);
    route.apply();
}

}  // namespace tvk::host
