// Pen-motion optimisation: the order (and direction) in which pen-down paths
// are plotted, so that the pen travels lifted as little as it can.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <tuple>

#include "host/plotting/ordering/loop_splicing.h"
#include "host/plotting/ordering/ordering.h"
#include "host/plotting/ordering/overlaps.h"
#include "host/plotting/ordering/packed_paths.h"
#include "host/plotting/ordering/route.h"

namespace tvk::host {

namespace {

using Point = std::pair<int32_t, int32_t>;

// Level 3 looks for the nearest path among this many that come next in the drawing.
constexpr size_t kLimitedWindow = 32;
// Closed paths of many vertices (circles) are entered at one of this many.
constexpr size_t kLoopEntries = 8;

double distance_squared(Point a, Point b) {
    double dx = static_cast<double>(a.first) - b.first,
           dy = static_cast<double>(a.second) - b.second;
    return dx * dx + dy * dy;
}

// Exact enough for 32-bit coordinates, and much faster than std::hypot.
double distance(Point a, Point b) {
    return std::sqrt(distance_squared(a, b));
}

bool is_closed(const PenPath& p) {
    return p.points.size() > 2 && p.points.front() == p.points.back();
}

void reverse_path(PenPath& p) {
    std::reverse(p.points.begin(), p.points.end());
}

// A path as levels 2 and 3 see it: its pen and ends. They reorder and turn
// paths but never change them, so they are planned on these alone.
struct Stub {
    int pen;
    std::array<Point, 2> points;
    uint32_t index;  // of the path
    bool reversed = false;
};

void reverse_path(Stub& s) {
    std::swap(s.points[0], s.points[1]);
    s.reversed = !s.reversed;
}

// Makes a closed path start (and end) at its vertex `k`.
void rotate_closed(PenPath& p, size_t k) {
    if (k == 0 || k + 1 >= p.points.size()) return;
    p.points.pop_back();
    std::rotate(p.points.begin(), p.points.begin() + static_cast<std::ptrdiff_t>(k),
                p.points.end());
    p.points.push_back(p.points.front());
}

// Level 1: each path starts at whichever of its ends is nearer to the pen.
template <typename Iterator>
void swap_endpoints(Iterator first, Iterator last, Point& pen) {
    for (auto it = first; it != last; ++it) {
        if (distance(pen, it->points.back()) < distance(pen, it->points.front())) reverse_path(*it);
        pen = it->points.back();
    }
}

// Level 3: the nearest of the next few paths in drawing order, which keeps
// the plot close to the order the drawing was made in.
template <typename P>
void nearest_in_window(std::vector<P>& group, Point& pen) {
    std::vector<P> out;
    out.reserve(group.size());
    std::vector<size_t> window;
    size_t next = 0;
    while (out.size() < group.size()) {
        while (window.size() < kLimitedWindow && next < group.size()) window.push_back(next++);
        size_t best = 0;
        bool best_reversed = false;
        double best_d = 1e300;
        for (size_t w = 0; w < window.size(); ++w) {
            const P& p = group[window[w]];
            double ds = distance_squared(pen, p.points.front()),
                   de = distance_squared(pen, p.points.back());
            if (std::min(ds, de) < best_d)
                best_d = std::min(ds, de), best = w, best_reversed = de < ds;
        }
        P chosen = std::move(group[window[best]]);
        window.erase(window.begin() + static_cast<std::ptrdiff_t>(best));
        if (best_reversed) reverse_path(chosen);
        pen = chosen.points.back();
        out.push_back(std::move(chosen));
    }
    group = std::move(out);
}

// A k-d tree over the places where paths can start: both ends of an open
// path, up to kLoopEntries vertices of a closed one (spread round it; the
// route's improvement moves the entry to the best vertex later). Taken paths
// are deleted as the route grows, so that each query stays logarithmic.
class StartPoints {
  public:
    struct Entry {
        Point at;
        uint32_t path;
        uint32_t vertex;
    };

    explicit StartPoints(const std::vector<PenPath>& paths) {
        for (uint32_t i = 0; i < paths.size(); ++i) {
            const auto& pts = paths[i].points;
            if (is_closed(paths[i])) {
                const size_t stride = (pts.size() - 2) / kLoopEntries + 1;
                for (uint32_t k = 0; k + 1 < pts.size(); k += stride)
                    entries_.push_back({pts[k], i, k});
            } else {
                entries_.push_back({pts.front(), i, 0});
                if (pts.size() > 1)
                    entries_.push_back({pts.back(), i, static_cast<uint32_t>(pts.size() - 1)});
            }
        }
        alive_.assign(entries_.size(), 0);
        dead_.assign(entries_.size(), false);
        build(0, entries_.size(), 0);
        // The entries of each path, path after path.
        first_of_path_.assign(paths.size() + 1, 0);
        for (const Entry& e : entries_) ++first_of_path_[e.path + 1];
        for (size_t i = 0; i < paths.size(); ++i) first_of_path_[i + 1] += first_of_path_[i];
        of_path_.resize(entries_.size());
        std::vector<uint32_t> next(first_of_path_.begin(), first_of_path_.end() - 1);
        for (uint32_t e = 0; e < entries_.size(); ++e) of_path_[next[entries_[e].path]++] = e;
    }

    // The nearest start point to p; false when none is left.
    bool nearest(Point p, Entry& found) const {
        double best = 1e300;  // squared distance
        size_t best_index = entries_.size();
        search(0, entries_.size(), 0, p, best, best_index);
        if (best_index == entries_.size()) return false;
        found = entries_[best_index];
        return true;
    }

    void remove_path(uint32_t path) {
        for (uint32_t k = first_of_path_[path]; k < first_of_path_[path + 1]; ++k)
            remove(of_path_[k]);
    }

  private:
    void build(size_t lo, size_t hi, int depth) {
        if (lo >= hi) return;
        size_t mid = (lo + hi) / 2;
        auto key = [depth](const Entry& e) { return depth % 2 ? e.at.second : e.at.first; };
        std::nth_element(entries_.begin() + static_cast<std::ptrdiff_t>(lo),
                         entries_.begin() + static_cast<std::ptrdiff_t>(mid),
                         entries_.begin() + static_cast<std::ptrdiff_t>(hi),
                         [&](const Entry& a, const Entry& b) { return key(a) < key(b); });
        alive_[mid] = static_cast<uint32_t>(hi - lo);
        build(lo, mid, depth + 1);
        build(mid + 1, hi, depth + 1);
    }

    void search(size_t lo, size_t hi, int depth, Point p, double& best, size_t& best_index) const {
        if (lo >= hi) return;
        size_t mid = (lo + hi) / 2;
        if (alive_[mid] == 0) return;
        const Entry& e = entries_[mid];
        if (!dead_[mid]) {
            double d = distance_squared(p, e.at);
            if (d < best) best = d, best_index = mid;
        }
        double diff = depth % 2 ? double(p.second) - e.at.second : double(p.first) - e.at.first;
        bool left_first = diff < 0;
        if (left_first) {
            search(lo, mid, depth + 1, p, best, best_index);
            if (diff * diff < best) search(mid + 1, hi, depth + 1, p, best, best_index);
        } else {
            search(mid + 1, hi, depth + 1, p, best, best_index);
            if (diff * diff < best) search(lo, mid, depth + 1, p, best, best_index);
        }
    }

    void remove(size_t index) {
        size_t lo = 0, hi = entries_.size();
        while (lo < hi) {
            size_t mid = (lo + hi) / 2;
            --alive_[mid];
            if (index == mid) break;
            if (index < mid)
                hi = mid;
            else
                lo = mid + 1;
        }
        dead_[index] = true;
    }

    std::vector<Entry> entries_;
    std::vector<uint32_t> alive_;  // live entries in the subtree whose middle is here
    std::vector<bool> dead_;
    std::vector<uint32_t> first_of_path_;
    std::vector<uint32_t> of_path_;
};

// Level 4: nearest neighbour over all paths of the group, entering each at
// its nearer end (or, for a closed path, at its nearest vertex).
void nearest_neighbour(std::vector<PenPath>& group, Point& pen, WorkProgress& progress) {
    StartPoints starts(group);
    std::vector<PenPath> out;
    out.reserve(group.size());
    StartPoints::Entry e;
    while (starts.nearest(pen, e)) {
        if (out.size() % 1024 == 0) progress.step("Ordering", out.size(), group.size());
        PenPath chosen = std::move(group[e.path]);
        starts.remove_path(e.path);
        if (is_closed(chosen)) {
            rotate_closed(chosen, e.vertex);
        } else if (e.vertex != 0) {
            reverse_path(chosen);
        }
        pen = chosen.points.back();
        out.push_back(std::move(chosen));
    }
    group = std::move(out);
}

// Paths that continue one another with the same pen and style become one,
// saving a pen lift.
void join_continuations(std::vector<PenPath>& paths) {
    size_t kept = 0;
    for (auto& p : paths) {
        if (kept > 0) {
            PenPath& last = paths[kept - 1];
            if (last.pen == p.pen && last.line_type == p.line_type && last.speed == p.speed &&
                last.points.back() == p.points.front() && p.points.size() > 1 &&
                last.points.size() > 1) {
                last.points.insert(last.points.end(), p.points.begin() + 1, p.points.end());
                continue;
            }
        }
        if (&p != &paths[kept]) paths[kept] = std::move(p);
        ++kept;
    }
    paths.resize(kept);
}

// Paths of one style that meet end to start become one path (turned round
// where needed): each meeting saves a pen lift, and the route is planned
// over fewer, longer paths. A chain that returns to its start is closed.
// `marks` (one a path), where given, follow the paths: a chain is marked
// where any of its paths is.
void merge_meeting(std::vector<PenPath>& group, WorkProgress& progress,
                   std::vector<uint8_t>* marks = nullptr) {
    struct End {
        int line_type, speed;
        Point at;
        uint32_t id;  // 2 * path + 1 for its last point
        auto key() const { return std::tie(line_type, speed, at); }
    };
    const auto open = [&](const PenPath& p) {
        return p.points.size() >= 2 && !is_closed(p) && p.points.front() != p.points.back();
    };
    // With marks, only where a marked path ends can anything new meet.
    std::vector<Point> places;
    if (marks) {
        for (uint32_t i = 0; i < group.size(); ++i) {
            if (!(*marks)[i] || !open(group[i])) continue;
            places.push_back(group[i].points.front());
            places.push_back(group[i].points.back());
        }
        std::sort(places.begin(), places.end());
    }
    const auto wanted = [&](Point at) {
        return !marks || std::binary_search(places.begin(), places.end(), at);
    };
    std::vector<End> ends;
    for (uint32_t i = 0; i < group.size(); ++i) {
        const PenPath& p = group[i];
        if (!open(p)) continue;
        if (!wanted(p.points.front()) && !wanted(p.points.back())) continue;
        ends.push_back({p.line_type, p.speed, p.points.front(), 2 * i});
        ends.push_back({p.line_type, p.speed, p.points.back(), 2 * i + 1});
    }
    progress.step("Ordering", 0, group.size());
    std::sort(ends.begin(), ends.end(), [](const End& a, const End& b) {
        return a.key() != b.key() ? a.key() < b.key() : a.id < b.id;
    });
    progress.step("Ordering", 0, group.size());
    // Ends at one place pair up two by two.
    constexpr uint32_t kNone = UINT32_MAX;
    std::vector<uint32_t> partner(group.size() * 2, kNone);
    for (size_t k = 0; k + 1 < ends.size(); ++k) {
        if (ends[k].key() == ends[k + 1].key()) {
            partner[ends[k].id] = ends[k + 1].id;
            partner[ends[k + 1].id] = ends[k].id;
            ++k;
        }
    }
    std::vector<uint8_t> used(group.size(), 0), out_marks;
    std::vector<PenPath> out;
    out.reserve(group.size());
    for (uint32_t i = 0; i < group.size(); ++i) {
        if (i % 4096 == 0) progress.step("Ordering", i, group.size());
        if (used[i]) continue;
        // Back to the chain's first path: the one whose free end is reached
        // through its first point (or i again, round a loop).
        uint32_t first = i, entry = 2 * i;
        while (partner[entry] != kNone && partner[entry] / 2 != i) {
            uint32_t other = partner[entry];
            first = other / 2;
            entry = other ^ 1;  // the other end of that path leads on back
        }
        if (partner[entry] != kNone) first = i, entry = 2 * i;  // a loop: start at i
        PenPath chain = std::move(group[first]);
        uint8_t mark = marks ? (*marks)[first] : 0;
        used[first] = 1;
        if (entry % 2) std::reverse(chain.points.begin(), chain.points.end());
        for (uint32_t exit = entry ^ 1; partner[exit] != kNone && !used[partner[exit] / 2];) {
            uint32_t next = partner[exit];
            auto& pts = group[next / 2].points;
            if (next % 2) std::reverse(pts.begin(), pts.end());
            chain.points.insert(chain.points.end(), pts.begin() + 1, pts.end());
            pts = {};
            used[next / 2] = 1;
            if (marks) mark |= (*marks)[next / 2];
            exit = next ^ 1;
        }
        out.push_back(std::move(chain));
        if (marks) out_marks.push_back(mark);
    }
    group = std::move(out);
    if (marks) *marks = std::move(out_marks);
}

// The paths (and their marks) in pen order, each pen's as they stand; in
// place, following the cycles of the order, so that no second copy is made.
void sort_by_pen(std::vector<PenPath>& paths, std::vector<uint8_t>& marks) {
    std::vector<uint32_t> order(paths.size());  // the path that goes to each place
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return paths[a].pen < paths[b].pen; });
    for (size_t k = 0; k < order.size(); ++k) {
        if (order[k] == k) continue;
        PenPath held = std::move(paths[k]);
        const uint8_t held_mark = marks[k];
        size_t at = k;
        while (order[at] != k) {
            const size_t from = order[at];
            paths[at] = std::move(paths[from]);
            marks[at] = marks[from];
            order[at] = static_cast<uint32_t>(at);
            at = from;
        }
        paths[at] = std::move(held);
        marks[at] = held_mark;
        order[at] = static_cast<uint32_t>(at);
    }
}

// Levels 2 and 3, pen by pen: endpoint swapping, or the nearest of the next
// few paths.
template <typename P>
void order_quickly(std::vector<P>& paths, int level) {
    std::stable_sort(paths.begin(), paths.end(),
                     [](const P& a, const P& b) { return a.pen < b.pen; });
    Point pen{0, 0};
    for (size_t first = 0; first < paths.size();) {
        size_t last = first;
        while (last < paths.size() && paths[last].pen == paths[first].pen) ++last;
        const auto begin = paths.begin() + static_cast<std::ptrdiff_t>(first),
                   end = paths.begin() + static_cast<std::ptrdiff_t>(last);
        if (level == 2) {
            swap_endpoints(begin, end, pen);
        } else {
            std::vector<P> group(std::make_move_iterator(begin), std::make_move_iterator(end));
            nearest_in_window(group, pen);
            std::move(group.begin(), group.end(), begin);
        }
        first = last;
    }
}

// Orders the paths pen by pen (pen changes cost more than travel): at level
// 4 merging (paths meeting end to end, loops into paths they touch), nearest neighbour and the
// route's improvement, trying at most `moves_per_path` moves a path; at 5 merging, and the order as
// it stands mended from the paths marked in `changed` (one flag a path: the pieces of paths that
// lost overlaps).
void order_by_pens(std::vector<PenPath>& paths, int level, double moves_per_path,
                   WorkProgress& progress, std::vector<uint8_t> changed = {}) {
    changed.resize(paths.size(), 1);
    sort_by_pen(paths, changed);
    Point pen{0, 0};
    // Each pen's paths planned apart and written back in place: a pen's
    // plan has no more paths than it had.
    size_t kept = 0;
    for (size_t first = 0; first < paths.size();) {
        size_t last = first;
        while (last < paths.size() && paths[last].pen == paths[first].pen) ++last;
        const auto from = paths.begin() + static_cast<std::ptrdiff_t>(first),
                   to = paths.begin() + static_cast<std::ptrdiff_t>(last);
        std::vector<PenPath> group(std::make_move_iterator(from), std::make_move_iterator(to));
        std::vector<uint8_t> marks(changed.begin() + static_cast<std::ptrdiff_t>(first),
                                   changed.begin() + static_cast<std::ptrdiff_t>(last));
        progress.step("Ordering", first, paths.size());
        const Point start = pen;
        if (level == 4) {
            merge_meeting(group, progress);
            splice_loops(group);
            nearest_neighbour(group, pen, progress);
            improve_route(group, start, moves_per_path, progress);
        } else {
            merge_meeting(group, progress, &marks);
            splice_loops(group, &marks);
            improve_route(group, start, moves_per_path, progress, marks);
        }
        pen = group.back().points.back();
        for (auto& p : group) paths[kept++] = std::move(p);
        first = last;
    }
    paths.resize(kept);
    join_continuations(paths);
}

double drawn_length(const std::vector<PenPath>& paths) {
    double drawn = 0;
    for (const auto& p : paths)
        for (size_t i = 1; i < p.points.size(); ++i)
            drawn += distance(p.points[i - 1], p.points[i]);
    return drawn;
}

template <typename P>
double travel_of(const std::vector<P>& paths) {
    double total = 0;
    Point pen{0, 0};
    for (const auto& p : paths) {
        if (p.points.empty()) continue;
        total += distance(pen, p.points.front());
        pen = p.points.back();
    }
    return total;
}

struct Weighed {
    double travel, cost;
    // No more travel and no more time.
    bool no_worse_than(const Weighed& other) const {
        return travel <= other.travel && cost <= other.cost;
    }
};

template <typename P>
Weighed weigh(const std::vector<P>& paths, double drawn, const OrderCosts& costs) {
    const double travel = travel_of(paths);
    return {travel,
            travel + costs.lift * static_cast<double>(paths.size()) + costs.pen_down * drawn};
}

// A plan of levels 2 and 3: for each place, the path that goes there (its
// index, twice over) and whether it is turned round (the low bit).
using QuickPlan = std::vector<uint32_t>;

// The better plan of levels 2 and 3 (up to `level`), with its weight.
QuickPlan quick_plan(const std::vector<PenPath>& paths, int level, double drawn,
                     const OrderCosts& costs, Weighed& weight) {
    QuickPlan best;
    for (int l = 2; l <= std::min(level, 3); ++l) {
        std::vector<Stub> plan;
        plan.reserve(paths.size());
        for (uint32_t i = 0; i < paths.size(); ++i)
            plan.push_back({paths[i].pen, {paths[i].points.front(), paths[i].points.back()}, i});
        order_quickly(plan, l);
        const Weighed w = weigh(plan, drawn, costs);
        if (l == 2 || w.no_worse_than(weight)) {
            best.clear();
            for (const Stub& stub : plan) best.push_back(2 * stub.index + (stub.reversed ? 1 : 0));
            weight = w;
        }
    }
    best.shrink_to_fit();
    return best;
}

// The paths in the plan's order and directions.
std::vector<PenPath> applied(std::vector<PenPath>& paths, const QuickPlan& plan) {
    std::vector<PenPath> out;
    out.reserve(plan.size());
    for (const uint32_t step : plan) {
        out.push_back(std::move(paths[step / 2]));
        if (step % 2) reverse_path(out.back());
    }
    return out;
}

}  // namespace

void optimize_paths(std::vector<PenPath>& paths, int level) {
    NoProgress progress;
    optimize_paths(paths, level, OrderCosts{}, progress);
}

void optimize_paths(std::vector<PenPath>& paths, int level, const OrderCosts& costs,
                    WorkProgress& progress) {
    if (level <= 0) return;
    std::erase_if(paths, [](const PenPath& p) { return p.points.empty(); });
    if (level == 1) {
        Point pen{0, 0};
        swap_endpoints(paths.begin(), paths.end(), pen);
        return;
    }
    // Each level from 2 up is planned in turn, and kept only where it leaves
    // no more travel and costs no more time than the level below: removing
    // overlaps splits paths, and may not pay. Levels 2 and 3 are planned on
    // the paths' ends; 5 and 6 remove overlaps from the best plan so far and
    // mend its order where paths were split, in time proportional to them.
    // Each plan has a budget of work (moves tried a path), not of time, so
    // that a drawing is planned the same on any machine under any load.
    // A plan that may have to be put back is kept packed, at a few bytes a
    // point. Stopped (progress throws), the best plan so far is left in `paths`.
    const double drawn = drawn_length(paths);
    Weighed best_weight{};
    QuickPlan quick = quick_plan(paths, level, drawn, costs, best_weight);
    if (level <= 3) {
        paths = applied(paths, quick);
        return;
    }
    // The plan to fall back on while the paths themselves are being planned.
    std::optional<PackedPaths> as_drawn(paths), before;
    std::vector<PenPath> best;
    // The plan given up is let go before the one put back is unpacked: never
    // two plans unpacked at once.
    const auto put_back = [&] {
        if (!as_drawn && !before) return;
        std::vector<PenPath>().swap(best);
        if (as_drawn) {
            best = as_drawn->unpack();
            best = applied(best, quick);
        } else if (before) {
            best = before->unpack();
        }
    };
    try {
        order_by_pens(paths, 4, costs.moves_per_path, progress);
        if (const Weighed w = weigh(paths, drawn, costs); w.no_worse_than(best_weight)) {
            best = std::move(paths);
            best_weight = w;
        } else {
            std::vector<PenPath>().swap(paths);
            put_back();
        }
        as_drawn.reset();
        QuickPlan().swap(quick);
        for (int l = 5; l <= level; ++l) {
            std::vector<OverlapChange> changes = find_overlaps(best, l == 6, progress);
            if (changes.empty()) continue;
            before.emplace(best);
            std::vector<uint8_t> pieces = remove_overlaps(best, changes, l == 6);
            std::vector<OverlapChange>().swap(changes);
            order_by_pens(best, 5, costs.moves_per_path, progress, std::move(pieces));
            if (const Weighed w = weigh(best, drawn_length(best), costs);
                w.no_worse_than(best_weight)) {
                best_weight = w;
            } else {
                put_back();
            }
            before.reset();
        }
    } catch (...) {
        put_back();
        paths = std::move(best);
        throw;
    }
    paths = std::move(best);
}

double pen_up_travel(const std::vector<PenPath>& paths) {
    return travel_of(paths);
}

}  // namespace tvk::host
