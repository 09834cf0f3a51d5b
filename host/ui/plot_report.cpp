#include "host/ui/plot_report.h"

#include <unistd.h>

#include <cmath>

namespace tvk::host {
namespace {

constexpr int kBarWidth = 40;
constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

std::string duration(double seconds) {
    const long s = std::lround(std::ceil(seconds));
    char buf[48];
    if (s < 60) {
        std::snprintf(buf, sizeof buf, "%ld s", s);
    } else if (s < 3600) {
        std::snprintf(buf, sizeof buf, "%ld min %ld s", s / 60, s % 60);
    } else {
        std::snprintf(buf, sizeof buf, "%ld h %ld min", s / 3600, s / 60 % 60);
    }
    return buf;
}

}  // namespace

ProgressBar::ProgressBar() : enabled_(isatty(STDERR_FILENO) == 1) {}

void ProgressBar::update(size_t done, size_t total) {
    if (!enabled_ || total == 0) return;
    const int percent = static_cast<int>(done * 100 / total);
    if (percent == percent_ && shown_) return;
    percent_ = percent;
    draw();
}

void ProgressBar::sent(size_t bytes) {
    bytes_ = bytes;
    // Redrawn a few times a second: a port takes bytes faster than a
    // terminal shows them.
    if (enabled_ && std::chrono::steady_clock::now() - drawn_at_ > kRedrawInterval) draw();
}

void ProgressBar::draw() {
    const int filled = percent_ * kBarWidth / 100;
    std::fprintf(stderr, "\rSending [%.*s%.*s] %3d%%  %zu KB", filled,
                 "########################################", kBarWidth - filled,
                 "                                        ", percent_, bytes_ / 1024);
    std::fflush(stderr);
    shown_ = true;
    drawn_at_ = std::chrono::steady_clock::now();
}

void ProgressBar::clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

double transfer_seconds(size_t bytes, const SerialSettings& line) {
    const int bits = 1 + line.data_bits + (line.parity != 0 ? 1 : 0) + line.stop_bits;
    return line.baud > 0 ? static_cast<double>(bytes) * bits / line.baud : 0;
}

std::string summary_line(const PlotFigures& f) {
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  "%zu pen%s, %zu vectors, %zu bytes; pen up %.1f mm, pen down %.1f mm", f.pens,
                  f.pens == 1 ? "" : "s", f.vectors, f.bytes, f.pen_up_mm, f.pen_down_mm);
    std::string line = buf;
    if (f.serial) {
        static const char parity[] = {'N', 'O', 'E'};
        std::snprintf(
            buf, sizeof buf, "; sending takes about %s at %d baud (%d%c%d)",
            duration(transfer_seconds(f.bytes, f.line)).c_str(), f.line.baud, f.line.data_bits,
            parity[f.line.parity >= 0 && f.line.parity <= 2 ? f.line.parity : 0], f.line.stop_bits);
        line += buf;
    }
    const PlotTime& t = f.time;
    line += "; plotting about " + duration(t.total_s) + " (drawing " + duration(t.pen_down_s) +
            ", pen-up moves " + duration(t.pen_up_s) + ", " + std::to_string(t.lifts) +
            " pen lift" + (t.lifts == 1 ? "" : "s") + " " + duration(t.lifts_s) + ", " +
            std::to_string(t.changes) + " pen change" + (t.changes == 1 ? "" : "s") + " " +
            duration(t.changes_s) + ")";
    if (f.copies > 1) {
        line += ", " + std::to_string(f.copies) + " copies: about " +
                duration(t.total_s + (f.copies - 1) * t.plotter_s);
    }
    return line;
}

}  // namespace tvk::host
