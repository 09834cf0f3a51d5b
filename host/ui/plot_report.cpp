#include "host/ui/plot_report.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>

#include "host/host_error.h"
#include "host/ui/interrupt.h"

namespace tvk::host {
namespace {

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

std::string amount_of_bytes(size_t bytes) {
    // Whole kilobytes only where a kilobyte is a small part of the figure.
    if (bytes < 10 * 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    return std::to_string(bytes / 1024) + " KB";
}

namespace {

volatile std::sig_atomic_t resized = 0;

void on_resize(int) {
    resized = 1;
}

int terminal_columns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

struct sigaction previous_resize {};

}  // namespace

ProgressBar::ProgressBar() : enabled_(isatty(STDERR_FILENO) == 1) {
    if (!enabled_) return;
    columns_ = terminal_columns();
    struct sigaction action {};
    action.sa_handler = on_resize;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &action, &previous_resize);
}

ProgressBar::~ProgressBar() {
    clear();
    if (enabled_) sigaction(SIGWINCH, &previous_resize, nullptr);
}

void ProgressBar::step(const char* phase, std::uint64_t done, std::uint64_t total) {
    if (interrupt_requested()) {
        clear();
        throw Cancelled("stopped");
    }
    update(phase, done, total);
}

void ProgressBar::sending(size_t done, size_t total) {
    update("Sending", done, total);
}

void ProgressBar::update(const char* phase, std::uint64_t done, std::uint64_t total) {
    const auto now = std::chrono::steady_clock::now();
    if (phase_ != phase) {
        phase_ = phase;
        phase_start_ = now;
        drawn_at_ = {};
    }
    done_ = done;
    total_ = total;
    if (enabled_ && (now - drawn_at_ > kRedrawInterval || done == total)) draw();
}

void ProgressBar::sent(size_t bytes) {
    bytes_ = bytes;
    // Redrawn a few times a second: a port takes bytes faster than a
    // terminal shows them.
    if (enabled_ && !phase_.empty() &&
        std::chrono::steady_clock::now() - drawn_at_ > kRedrawInterval)
        draw();
}

void ProgressBar::draw() {
    if (resized) {
        resized = 0;
        columns_ = terminal_columns();
    }
    const auto now = std::chrono::steady_clock::now();
    const double elapsed = std::chrono::duration<double>(now - phase_start_).count();
    // The time left once there is a pace to go by.
    double left = -1;
    if (total_ > 0 && done_ > 0 && elapsed > 1) {
        left = elapsed * static_cast<double>(total_ - std::min(done_, total_)) /
               static_cast<double>(done_);
    }
    const std::string extra = phase_ == "Sending" ? amount_of_bytes(bytes_) + " sent" : "";
    const std::string text = line(phase_, done_, total_, left, extra, columns_);
    std::fprintf(stderr, "\r%s\033[K", text.c_str());
    std::fflush(stderr);
    shown_ = true;
    drawn_at_ = now;
}

std::string ProgressBar::line(const std::string& phase, std::uint64_t done, std::uint64_t total,
                              double seconds_left, const std::string& extra, int columns) {
    std::string tail;
    if (total > 0) {
        const auto percent = static_cast<int>(std::min(done, total) * 100 / total);
        char buf[96];
        std::snprintf(buf, sizeof buf, " %3d%% %llu/%llu", percent,
                      static_cast<unsigned long long>(std::min(done, total)),
                      static_cast<unsigned long long>(total));
        tail = buf;
    } else if (done > 0) {
        tail = " " + std::to_string(done);
    } else {
        tail = " ...";
    }
    if (!extra.empty()) tail += ", " + extra;
    if (seconds_left >= 0) tail += ", " + duration(seconds_left) + " left";
    // One column spare: a line as wide as the terminal wraps on some.
    const int room = columns - 1 - static_cast<int>(phase.size() + tail.size()) - 3;
    std::string text = phase;
    if (total > 0 && room >= 10) {
        const int width = std::min(room, 60);
        const int filled =
            static_cast<int>(std::min(done, total) * static_cast<std::uint64_t>(width) / total);
        text += " [" + std::string(static_cast<size_t>(filled), '#') +
                std::string(static_cast<size_t>(width - filled), ' ') + "]";
    }
    text += tail;
    if (columns > 1 && text.size() > static_cast<size_t>(columns - 1))
        text.resize(static_cast<size_t>(columns - 1));
    return text;
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
    if (const std::string note = bound_note(f); !note.empty()) {
        std::snprintf(buf, sizeof buf,
                      "; plotting time %s (pen lifts %zu, bound %zu; pen-up travel %.1f mm, "
                      "bound %.1f mm)",
                      note.c_str(), t.lifts, f.bounds.lifts, f.pen_up_mm, f.pen_up_bound_mm);
        line += buf;
    }
    return line;
}

std::string bound_note(const PlotFigures& f) {
    if (!(f.bounds.plotter_s > 0)) return {};
    const double over = std::max(0.0, f.time.plotter_s / f.bounds.plotter_s - 1) * 100;
    char buf[64];
    std::snprintf(buf, sizeof buf, "within %.1f %% of its bound", over);
    return buf;
}

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

namespace {

std::string json_number(double value) {
    if (!std::isfinite(value)) return "null";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.6g", value);
    return buf;
}

std::string rounded(double value) {
    return json_number(std::round(value * 10) / 10);
}

constexpr const char* kEdges[4] = {"left", "right", "bottom", "top"};

}  // namespace

std::string result_json(const PlotResult& r) {
    const PlotFigures& f = r.figures;
    std::string pens;
    for (const int pen : r.pens) pens += (pens.empty() ? "" : ",") + std::to_string(pen);
    std::string not_drawn;
    for (const auto& [type, count] : r.not_drawn) {
        not_drawn +=
            (not_drawn.empty() ? "" : ",") + json_string(type) + ":" + std::to_string(count);
    }
    // The plan's limits: the fewest lifts, the least travel, the least time.
    const std::string bounds =
        f.bounds.plotter_s > 0
            ? "{\"pen_lifts\":" + std::to_string(f.bounds.lifts) +
                  ",\"pen_up_mm\":" + rounded(f.pen_up_bound_mm) +
                  ",\"plotter_seconds\":" + json_number(f.bounds.plotter_s) +
                  ",\"plan_plotter_seconds\":" + json_number(f.time.plotter_s) + "}"
            : "null";
    std::string outside;
    for (int i = 0; i < 4; ++i) {
        outside +=
            std::string(i ? "," : "") + "\"" + kEdges[i] + "_mm\":" + rounded(r.outside_mm[i]);
    }
    return "{\"drawing\":" + json_string(r.drawing) +
           ",\"output\":" + (r.output.empty() ? "null" : json_string(r.output)) +
           ",\"dry_run\":" + (r.dry_run ? "true" : "false") + ",\"pens\":[" + pens +
           "],\"vectors\":" + std::to_string(f.vectors) + ",\"bytes\":" + std::to_string(f.bytes) +
           ",\"pen_up_mm\":" + rounded(f.pen_up_mm) + ",\"pen_down_mm\":" + rounded(f.pen_down_mm) +
           ",\"sending_seconds\":" +
           (f.serial ? json_number(transfer_seconds(f.bytes, f.line)) : std::string("null")) +
           ",\"drawing_seconds\":" + json_number(f.time.pen_down_s) + ",\"plotting_seconds\":" +
           json_number(f.time.total_s + (f.copies - 1) * f.time.plotter_s) +
           ",\"pen_lifts\":" + std::to_string(f.time.lifts) +
           ",\"pen_changes\":" + std::to_string(f.time.changes) + ",\"bounds\":" + bounds +
           ",\"copies\":" + std::to_string(f.copies) +
           ",\"paper\":" + (r.paper.empty() ? "null" : json_string(r.paper)) +
           ",\"paper_width_mm\":" + rounded(r.paper_width_mm) +
           ",\"paper_height_mm\":" + rounded(r.paper_height_mm) +
           ",\"scale\":" + json_number(r.scale) + ",\"rotated\":" + (r.rotated ? "true" : "false") +
           ",\"clipped_share\":" + json_number(r.clipped_share) + ",\"outside\":{" + outside +
           "},\"not_drawn\":{" + not_drawn + "}}";
}

std::string failure_json(const std::string& drawing, const std::string& error) {
    return "{\"drawing\":" + json_string(drawing) + ",\"error\":" + json_string(error) + "}";
}

std::string outside_note(const PlotResult& r) {
    if (!(r.clipped_share > 0)) return {};
    char share[32];
    if (r.clipped_share < 0.001) {
        std::snprintf(share, sizeof share, "Less than 0.1%%");
    } else {
        std::snprintf(share, sizeof share, "%.1f%%", r.clipped_share * 100);
    }
    std::string edges;
    for (int i = 0; i < 4; ++i) {
        if (!(r.outside_mm[i] > 0)) continue;
        char mm[32];
        std::snprintf(mm, sizeof mm, r.outside_mm[i] < 0.1 ? "%.2f" : "%.1f", r.outside_mm[i]);
        edges.append(edges.empty() ? ": " : ", ").append(mm).append(" mm beyond the ");
        edges.append(kEdges[i]).append(" edge");
    }
    std::string note = share;
    note.append(" of the pen-down length lies outside the paper and is cut off");
    return note.append(edges).append(".");
}

}  // namespace tvk::host
