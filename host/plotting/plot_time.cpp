#include "host/plotting/plot_time.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <vector>

#include "host/plotting/ordering/plan_bounds.h"

namespace tvk::host {
namespace {

double distance(HostPoint a, HostPoint b) {
    const double dx = double(a.first) - b.first, dy = double(a.second) - b.second;
    return std::sqrt(dx * dx + dy * dy);
}

// Seconds for a move of `mm` from rest to rest at `top` mm/s, speeding up and
// slowing down at `acceleration` (none: at top speed throughout).
double move_seconds(double mm, double top, double acceleration) {
    if (!(acceleration > 0)) return mm / top;
    const double ramp = top * top / acceleration;  // to top speed and back down
    return mm >= ramp ? mm / top + top / acceleration : 2 * std::sqrt(mm / acceleration);
}

// A path drawn vector by vector: its length (host units) and seconds.
struct Drawn {
    double length = 0, seconds = 0;
};

Drawn drawn(const HostPolyline& points, bool closed, double mm_per_unit, double speed,
            double acceleration) {
    Drawn d;
    auto add = [&](HostPoint a, HostPoint b) {
        const double units = distance(a, b);
        d.length += units;
        if (units > 0) d.seconds += move_seconds(units * mm_per_unit, speed, acceleration);
    };
    for (size_t i = 1; i < points.size(); ++i) add(points[i - 1], points[i]);
    if (closed && points.size() > 2) add(points.back(), points.front());
    return d;
}

// Pen-down millimetres per second of a path drawn at `speed` (cm/s, 0: none sent).
double draw_speed(int speed, const TimeModel& model) {
    if (model.speeds_sent && speed > 0) return speed * 10.0;
    if (model.model_speed_cm_s > 0) return model.model_speed_cm_s * 10.0;
    return model.timing.draw_mm_s;
}

}  // namespace

PlotTime plot_time(const PlotJob& job, size_t bytes, const TimeModel& model) {
    // Each path (and filled polygon, by its outline) as the plotter takes it:
    // its points, pen and the seconds it keeps the plotter busy.
    struct Step {
        size_t points;
        double seconds;
    };
    std::vector<Step> steps;
    steps.reserve(job.paths.size() + job.polygons.size());
    PlotTime t;
    const PlotterTiming& timing = model.timing;
    HostPoint pen_at{0, 0};
    int pen = 0;
    size_t points = 0;
    auto add = [&](int path_pen, const HostPolyline& line, bool closed, double speed_mm_s) {
        if (line.empty()) return;
        double seconds = 0;
        if (path_pen != pen) {
            ++t.changes;
            seconds += timing.pen_change_s;
            pen = path_pen;
        }
        const double up = move_seconds(distance(line.front(), pen_at) * model.mm_per_unit,
                                       timing.travel_mm_s, timing.acceleration_mm_s2);
        const double down =
            drawn(line, closed, model.mm_per_unit, speed_mm_s, timing.acceleration_mm_s2).seconds;
        ++t.lifts;
        t.pen_up_s += up;
        t.pen_down_s += down;
        seconds += up + down + timing.lift_s;
        pen_at = closed ? line.front() : line.back();
        steps.push_back({line.size(), seconds});
        points += line.size();
    };
    for (const PenPath& p : job.paths) add(p.pen, p.points, false, draw_speed(p.speed, model));
    for (const FillPolygon& f : job.polygons) add(f.pen, f.vertices, true, draw_speed(0, model));
    t.lifts_s = static_cast<double>(t.lifts) * timing.lift_s;
    t.changes_s = static_cast<double>(t.changes) * timing.pen_change_s;
    t.plotter_s = t.pen_down_s + t.pen_up_s + t.lifts_s + t.changes_s;
    if (model.bytes_per_second <= 0 || bytes == 0 || points == 0) {
        t.total_s = t.plotter_s;
        return t;
    }
    t.line_s = static_cast<double>(bytes) / model.bytes_per_second;
    // Step by step: the line sends a step's bytes as soon as the buffer has
    // room for them (the plotter has done the steps whose bytes would
    // overflow it), and the plotter does a step once it has done the one
    // before and the step's last byte has come.
    const double bytes_per_point = static_cast<double>(bytes) / static_cast<double>(points);
    const double buffer = std::max(timing.buffer_bytes, 1);
    std::vector<double> sent_upto(steps.size()), done_at(steps.size());
    double line_free = 0, plotter_free = 0, sent = 0;
    size_t first_kept = 0;  // the first step whose bytes keep the buffer full
    for (size_t i = 0; i < steps.size(); ++i) {
        const double step_bytes = static_cast<double>(steps[i].points) * bytes_per_point;
        sent += step_bytes;
        sent_upto[i] = sent;
        while (first_kept < i && sent_upto[first_kept] < sent - buffer) ++first_kept;
        const double room_at = sent > buffer && i > 0 ? done_at[std::min(first_kept, i - 1)] : 0;
        line_free = std::max(line_free + step_bytes / model.bytes_per_second, room_at);
        plotter_free = std::max(plotter_free, line_free) + steps[i].seconds;
        done_at[i] = plotter_free;
    }
    t.total_s = std::max(plotter_free, line_free);
    return t;
}

PlotBounds plot_bounds(const PlotJob& job, const PlotTime& planned, const TimeModel& model) {
    PlotBounds b;
    // A plan that takes up each pen once (as few pen changes as can be)
    // travels through each pen's paths in turn: a tree for each pen.
    // One pen's stops at a time: the tree's work takes memory of its own.
    std::set<int> pens;
    for (const PenPath& p : job.paths) pens.insert(p.pen);
    for (const FillPolygon& f : job.polygons) pens.insert(f.pen);
    // Each of a plan's moves is at least as long as the tree's edge it
    // stands for, and takes at least that edge's time.
    const PlotterTiming& timing = model.timing;
    const auto seconds = [&](double units) {
        return move_seconds(units * model.mm_per_unit, timing.travel_mm_s,
                            timing.acceleration_mm_s2);
    };
    double from_home = pens.empty() ? 0 : std::numeric_limits<double>::infinity();
    for (const int pen : pens) {
        PathStops of_pen;
        for (const PenPath& p : job.paths)
            if (p.pen == pen) of_pen.add(p.points);
        for (const FillPolygon& f : job.polygons)
            if (f.pen == pen) of_pen.add(f.vertices, true);
        for (const double edge : spanning_edges(of_pen)) {
            b.travel += edge;
            b.travel_s += seconds(edge);
        }
        from_home = std::min(from_home, nearest_distance(of_pen, {0, 0}));
    }
    b.travel += from_home;
    b.travel_s += seconds(from_home);
    b.lifts = fewest_strokes(job.paths);
    for (const FillPolygon& f : job.polygons) b.lifts += f.vertices.empty() ? 0 : 1;
    b.plotter_s = planned.pen_down_s + b.travel_s + static_cast<double>(b.lifts) * timing.lift_s +
                  planned.changes_s;
    return b;
}

OrderCosts order_costs(const TimeModel& model) {
    OrderCosts costs;
    const double units_per_second = model.timing.travel_mm_s / model.mm_per_unit;
    costs.lift = model.timing.lift_s * units_per_second;
    costs.pen_down = model.timing.travel_mm_s / draw_speed(0, model);
    return costs;
}

}  // namespace tvk::host
