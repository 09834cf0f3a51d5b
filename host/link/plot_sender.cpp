#include "host/link/plot_sender.h"

#include <cmath>

#include "host/ui/interrupt.h"

namespace tvk::host {
namespace {

constexpr int16_t kEndPlot = 2;
constexpr int16_t kMove = 3;
constexpr int16_t kDraw = 4;
constexpr int16_t kSelectPen = 5;
constexpr int16_t kPenSpeed = 6;
constexpr int16_t kLineType = 7;
constexpr int16_t kLiftPen = 8;
constexpr int16_t kCancel = 9;
constexpr int16_t kBeginPlot = 30;
constexpr int16_t kPolygon = 33;
constexpr int16_t kPenWidth = 41;
constexpr size_t kSmallRecord = 64;
// A pause asked for inside a path that has sent this much comes at its next
// vertex, where the pen is lifted there and brought back afterwards: a path
// longer than a plotter's buffer (a spiral of metres) need not be waited
// for. Asked every few vertices.
constexpr size_t kLongPathBytes = 1024;
constexpr size_t kVerticesBetweenAsks = 8;
// The plotter fills a polygon with lines its pen's width apart; where the
// job gives no width, the plotters' usual 0.3 mm.
constexpr double kFillLineInches = 0.3 / 25.4;

// The pen-down line of a polygon the plotter fills and edges: its area over
// the spacing of the fill's lines, and its outline.
double fill_ink(const HostPolyline& ring, double spacing) {
    double twice_area = 0, outline = 0;
    for (size_t i = 0; i < ring.size(); ++i) {
        const HostPoint& a = ring[i];
        const HostPoint& b = ring[(i + 1) % ring.size()];
        twice_area +=
            static_cast<double>(a.first) * b.second - static_cast<double>(b.first) * a.second;
        outline += std::hypot(b.first - a.first, b.second - a.second);
    }
    return std::abs(twice_area) / 2 / std::max(spacing, 1.0) + outline;
}

class Sender {
  public:
    Sender(DriverConnection& driver, const SendOptions& options, const PlotJob& job)
        : driver_(driver),
          options_(options),
          widths_(job.pen_width),
          total_(job.paths.size() + job.polygons.size()),
          pens_by_hand_(job.pens_by_hand) {}

    // False once the plot cannot go on.
    bool ok() const { return !result_.failed && !result_.stopped; }

    bool begin() {
        if (simple(kBeginPlot) != 0) result_.failed = true;
        return ok();
    }

    void end() {
        if (interrupt_requested()) {
            result_.stopped = true;
            // A driver that asks about breaks (BREAK-ON) sees this one at
            // its next output and ends the plot itself ("Plot terminated.");
            // one that never asks is told to drop the plot.
            if (!driver_.session().break_asked) simple(kCancel);
        }
        simple(kEndPlot);
        // Ctrl-C while the end of the plot sent what the driver had buffered.
        if (interrupt_requested()) result_.stopped = true;
        if (driver_.session().write_failed && !result_.stopped) result_.failed = true;
    }

    void path(const PenPath& p) {
        pause_if_due(p.pen);
        if (!ok()) return;
        select_pen(p.pen);
        if (p.line_type != line_type_) {
            line_type_ = p.line_type;
            value_request(kLineType, p.line_type);
        }
        if (options_.variable_speed && p.speed > 0 && p.speed != speed_) {
            speed_ = p.speed;
            value_request(kPenSpeed, p.speed);
        }
        point_request(kMove, p.points.front());
        const size_t start = driver_.session().sent_bytes;
        // A single point is a dot: the pen goes down where it stands.
        for (size_t i = p.points.size() == 1 ? 0 : 1; i < p.points.size() && ok(); ++i) {
            if (options_.split_ink > 0 && i > 0) split_for_ink(p.points[i - 1], p.points[i]);
            if (!ok()) break;
            point_request(kDraw, p.points[i]);
            ++result_.vectors;
            if (i + 1 < p.points.size() && i % kVerticesBetweenAsks == 0 && options_.paused &&
                options_.pause_asked && driver_.session().sent_bytes - start > kLongPathBytes &&
                options_.pause_asked()) {
                pause({PauseReason::kAsked, pen_, true}, &p.points[i]);
            }
        }
        step();
    }

    void polygon(const FillPolygon& f) {
        pause_if_due(f.pen);
        if (!ok()) return;
        if (options_.pen_widths) width_request(width_of(f.pen));
        Record r(kPolygon, 12 + 4 * f.vertices.size());
        r.set_i16(6, static_cast<int16_t>(plotter_pen(f.pen)))
            .set_i16(10, static_cast<int16_t>(f.vertices.size()));
        for (size_t i = 0; i < f.vertices.size(); ++i) {
            r.set_u16(12 + 4 * i, static_cast<uint16_t>(f.vertices[i].first));
            r.set_u16(14 + 4 * i, static_cast<uint16_t>(f.vertices[i].second));
        }
        check(call(r));
        result_.vectors += f.vertices.size();
        result_.pens.insert(f.pen);
        fill_pen_ = f.pen;
        // Its ink counts towards the next pause for ink, which comes after it.
        if (options_.split_ink > 0 && options_.units_per_inch > 0) {
            const double width = width_of(f.pen);
            ink_ += fill_ink(f.vertices,
                             (width > 0 ? width : kFillLineInches) * options_.units_per_inch);
        }
        step();
    }

    // The pen the plotter holds after a polygon is the fill pen.
    void forget_pen() {
        pen_ = -1;
        plotter_pen_ = -1;
    }

    SendResult take() { return result_; }

  private:
    // Where the pen is up, before an item of `pen`: a pause the user asked
    // for, the pen to change by hand, or a pen that has drawn its length.
    void pause_if_due(int pen) {
        if (!options_.paused) return;
        if (options_.manual_pens && pen != held_pen_) {
            held_pen_ = pen;
            pause({PauseReason::kPenChange, pen, false}, nullptr);
            ink_ = 0;
        } else if (options_.split_ink > 0 && ink_ >= options_.split_ink) {
            pause({PauseReason::kInk, pen_ >= 0 ? pen_ : fill_pen_, false}, nullptr);
        } else if (options_.pause_asked && options_.pause_asked()) {
            pause({PauseReason::kAsked, pen_, false}, nullptr);
        }
    }

    // Draws from `from` towards `to` as far as the ink lasts, pausing there
    // with the pen lifted, as often as the line is long; the draw to `to`
    // itself is left to the caller.
    void split_for_ink(HostPoint from, const HostPoint& to) {
        for (;;) {
            const double dx = to.first - from.first, dy = to.second - from.second;
            const double length = std::hypot(dx, dy);
            const double left = options_.split_ink - ink_;
            if (length <= left || length < 1) {
                ink_ += length;
                return;
            }
            const double t = left / length;
            const HostPoint at{static_cast<int>(std::lround(from.first + dx * t)),
                               static_cast<int>(std::lround(from.second + dy * t))};
            if (at != from) {
                point_request(kDraw, at);
                ++result_.vectors;
            }
            if (!ok()) return;
            pause({PauseReason::kInk, pen_, true}, &at);
            if (!ok()) return;
            from = at;
        }
    }

    // The pen lifted and taken to the paper's corner, out of the user's way;
    // afterwards the pen taken again (a new or refilled one) and, inside a
    // path, brought back to `back`, where the next draw lowers it.
    void pause(const PauseReason& reason, const HostPoint* back) {
        simple(kLiftPen);
        point_request(kMove, {0, 0});
        if (!ok()) return;
        if (!options_.paused(reason)) {
            // Ctrl-C while paused, or the plotter failed before it had all.
            result_.stopped = interrupt_requested();
            result_.failed = !result_.stopped;
            return;
        }
        ink_ = 0;
        const int pen = pen_;
        forget_pen();
        if (pen >= 0 && reason.kind != PauseReason::kPenChange) select_pen(pen);
        if (back != nullptr) point_request(kMove, *back);
    }

    // The plotter is told only of a change of its own pen: a plotter with
    // one pen draws every pen put in by hand as its pen 1.
    void select_pen(int pen) {
        if (pen == pen_) return;
        pen_ = pen;
        if (plotter_pen(pen) != plotter_pen_) {
            plotter_pen_ = plotter_pen(pen);
            value_request(kSelectPen, plotter_pen_);
        }
        result_.pens.insert(pen);
        if (options_.pen_widths) width_request(width_of(pen));
    }

    int plotter_pen(int pen) const { return pens_by_hand_ ? 1 : pen; }

    // Below 0 where the job has none: the driver then sends its default.
    double width_of(int pen) const {
        const auto it = widths_.find(pen);
        return it != widths_.end() ? it->second : -1;
    }

    void width_request(double width) {
        if (width == width_) return;
        width_ = width;
        Record& r = reuse(kPenWidth);
        r.set_f64(4, width);
        check(call(r));
    }

    void value_request(int16_t code, int value) {
        Record& r = reuse(code);
        r.set_u16(4, static_cast<uint16_t>(value));
        check(call(r));
    }

    void point_request(int16_t code, const HostPoint& p) {
        Record& r = reuse(code);
        r.set_u16(4, static_cast<uint16_t>(p.first)).set_u16(6, static_cast<uint16_t>(p.second));
        check(call(r));
    }

    int16_t simple(int16_t code) { return call(reuse(code)); }

    // A plot sends a request a vector: one record, made once.
    Record& reuse(int16_t code) {
        record_.reset(code);
        return record_;
    }

    int16_t call(Record& r) {
        driver_.call(EntryKind::kPlot, r);
        return r.status();
    }

    void check(int16_t status) {
        if (status == -1 || driver_.session().write_failed) result_.failed = true;
        if (interrupt_requested()) result_.stopped = true;
    }

    void step() {
        ++done_;
        if (options_.progress && (done_ % 64 == 0 || done_ == total_))
            options_.progress(done_, total_);
    }

    DriverConnection& driver_;
    const SendOptions& options_;
    const std::map<int, double>& widths_;
    Record record_{0, kSmallRecord};
    SendResult result_;
    size_t total_;
    size_t done_ = 0;
    bool pens_by_hand_;
    int pen_ = -1;          // the job's pen in use
    int plotter_pen_ = -1;  // the plotter's pen that draws it
    int held_pen_ = -1;
    int fill_pen_ = -1;  // the pen of the last fill the plotter drew     // the pen put in by hand
    double ink_ = 0;        // pen-down length since the last pause
    int line_type_ = -1;
    int speed_ = -1;
    double width_ = -1;
};

}  // namespace

SendResult send_plot(DriverConnection& driver, const PlotJob& job, const SendOptions& options) {
    Sender sender(driver, options, job);
    // Ctrl-C while the plot was set up: nothing is drawn.
    if (!interrupt_requested() && sender.begin()) {
        // Fills first, so that outlines are drawn over them.
        for (const FillPolygon& f : job.polygons) {
            if (!sender.ok()) break;
            sender.polygon(f);
        }
        sender.forget_pen();
        for (const PenPath& p : job.paths) {
            if (!sender.ok()) break;
            if (!p.points.empty()) sender.path(p);
        }
    }
    sender.end();
    return sender.take();
}

}  // namespace tvk::host
