#include "host/link/plot_sender.h"

#include "host/ui/interrupt.h"

namespace tvk::host {
namespace {

constexpr int16_t kEndPlot = 2;
constexpr int16_t kMove = 3;
constexpr int16_t kDraw = 4;
constexpr int16_t kSelectPen = 5;
constexpr int16_t kPenSpeed = 6;
constexpr int16_t kLineType = 7;
constexpr int16_t kCancel = 9;
constexpr int16_t kBeginPlot = 30;
constexpr int16_t kPolygon = 33;
constexpr int16_t kPenWidth = 41;
constexpr size_t kSmallRecord = 64;

class Sender {
  public:
    Sender(DriverConnection& driver, const SendOptions& options, const PlotJob& job)
        : driver_(driver),
          options_(options),
          widths_(job.pen_width),
          total_(job.paths.size() + job.polygons.size()) {}

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
        // A single point is a dot: the pen goes down where it stands.
        for (size_t i = p.points.size() == 1 ? 0 : 1; i < p.points.size() && ok(); ++i) {
            point_request(kDraw, p.points[i]);
            ++result_.vectors;
        }
        step();
    }

    void polygon(const FillPolygon& f) {
        if (options_.pen_widths) width_request(width_of(f.pen));
        Record r(kPolygon, 12 + 4 * f.vertices.size());
        r.set_i16(6, static_cast<int16_t>(f.pen))
            .set_i16(10, static_cast<int16_t>(f.vertices.size()));
        for (size_t i = 0; i < f.vertices.size(); ++i) {
            r.set_u16(12 + 4 * i, static_cast<uint16_t>(f.vertices[i].first));
            r.set_u16(14 + 4 * i, static_cast<uint16_t>(f.vertices[i].second));
        }
        check(call(r));
        result_.vectors += f.vertices.size();
        result_.pens.insert(f.pen);
        step();
    }

    // The pen the plotter holds after a polygon is the fill pen.
    void forget_pen() { pen_ = -1; }

    SendResult take() { return result_; }

  private:
    void select_pen(int pen) {
        if (pen == pen_) return;
        pen_ = pen;
        value_request(kSelectPen, pen);
        result_.pens.insert(pen);
        if (options_.pen_widths) width_request(width_of(pen));
    }

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

    Record& reuse(int16_t code) {
        record_ = Record(code, kSmallRecord);
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
    int pen_ = -1;
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
