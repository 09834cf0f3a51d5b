// What the user sees of a plot besides the driver's own texts: a progress bar
// on a terminal while the plot is sent, and a closing summary.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "host/drawing/model/work_progress.h"
#include "host/plotting/plot_time.h"
#include "host/ports/port_output.h"

namespace tvk::host {

// Draws itself on standard error only when that is a terminal, as wide as
// the terminal (following its resizes): the phase of the work (reading,
// ordering, sending), its share done of the total, and the time left; while
// sending, the bytes that have reached the port as well (a driver may buffer
// the whole plot and send it at its end). As the drawing work's progress it
// stops that work on Ctrl-C by throwing Cancelled.
class ProgressBar final : public WorkProgress {
  public:
    ProgressBar();
    ~ProgressBar() override;
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void step(const char* phase, std::uint64_t done, std::uint64_t total) override;
    // The plot requests done; never throws (the plot must be ended).
    void sending(size_t done, size_t total);
    // The bytes that have reached the port so far.
    void sent(size_t bytes);
    // Takes the bar off the screen, for a text to be shown; the next update
    // draws it again.
    void clear();

    // The line drawn for `columns` columns of terminal (for its tests).
    static std::string line(const std::string& phase, std::uint64_t done, std::uint64_t total,
                            double seconds_left, const std::string& extra, int columns);

  private:
    void update(const char* phase, std::uint64_t done, std::uint64_t total);
    void draw();

    bool enabled_;
    bool shown_ = false;
    int columns_ = 80;
    std::string phase_;
    std::uint64_t done_ = 0, total_ = 0;
    size_t bytes_ = 0;
    std::chrono::steady_clock::time_point phase_start_{};
    std::chrono::steady_clock::time_point drawn_at_{};
};

// "812 bytes", "4140 bytes", "26 KB": as the progress bar counts what has
// reached the port.
std::string amount_of_bytes(size_t bytes);

struct PlotFigures {
    size_t pens = 0;
    size_t vectors = 0;
    size_t bytes = 0;
    double pen_up_mm = 0;
    double pen_down_mm = 0;
    bool serial = true;  // the profile's port has a baud rate
    SerialSettings line;
    PlotTime time;   // the plotter's time for the plot, with the line's
    int copies = 1;  // the plotter draws the plot this many times
    // What no plan of the same ink can beat; none when its time is 0.
    PlotBounds bounds;
    double pen_up_bound_mm = 0;
};

// The summary of one plot for scripts: one JSON object on one line.
struct PlotResult {
    std::string drawing;
    std::string output;  // the file or port; empty in a dry run
    bool dry_run = false;
    PlotFigures figures;
    std::vector<int> pens;  // the pen numbers used
    std::string paper;      // the paper chosen, when the plotter has a list
    double paper_width_mm = 0;
    double paper_height_mm = 0;
    double scale = 0;  // millimetres on paper per drawing unit
    bool rotated = false;
    double clipped_share = 0;              // of the pen-down length, cut off at the paper's edges
    double outside_mm[4] = {};             // beyond the left, right, bottom and top edges
    std::map<std::string, int> not_drawn;  // entities by type
};
std::string result_json(const PlotResult& r);
// A drawing that could not be plotted, as one JSON object: its name and why.
std::string failure_json(const std::string& drawing, const std::string& error);
// A text as a JSON string, quoted.
std::string json_string(const std::string& text);

// "12.5% of the pen-down length lies outside the paper and is cut off: 20.0
// mm beyond the left edge, 3.1 mm beyond the top edge."; empty when nothing is.
std::string outside_note(const PlotResult& r);

// Seconds the bytes take on the line: start bit, data bits, parity, stop bits.
double transfer_seconds(size_t bytes, const SerialSettings& line);

// "3 pens, 120 vectors, 2345 bytes; pen up 812.4 mm, pen down 1503.0 mm;
// sending takes about 3 s at 9600 baud (8N1); plotting about 2 min 31 s
// (drawing 1 min 50 s, pen-up moves 12 s, 40 pen lifts 3 s, 3 pen changes
// 15 s)" with ", 2 copies: about 4 min 50 s" after it for copies (the
// plotter draws them from its memory); then the plan against its bounds:
// "; plotting time within 0.4 % of its bound (pen lifts 40, bound 38; pen-up
// travel 812.4 mm, bound 790.2 mm)".
std::string summary_line(const PlotFigures& f);

// "within 0.4 % of its bound" for the plotter's time against its bound.
std::string bound_note(const PlotFigures& f);

}  // namespace tvk::host
