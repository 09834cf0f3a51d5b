// What the user sees of a plot besides the driver's own texts: a progress bar
// on a terminal while the plot is sent, and a closing summary.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

#include "host/plotting/plot_time.h"
#include "host/ports/port_output.h"

namespace tvk::host {

// Draws itself on standard error only when that is a terminal: the share of
// the drawing requests done, and the bytes that have reached the port (a
// driver may buffer the whole plot and send it at its end).
class ProgressBar {
  public:
    ProgressBar();
    ~ProgressBar() { clear(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(size_t done, size_t total);
    void sent(size_t bytes);
    // Takes the bar off the screen, for a text to be shown; the next update
    // draws it again.
    void clear();

  private:
    void draw();

    bool enabled_;
    bool shown_ = false;
    int percent_ = 0;
    size_t bytes_ = 0;
    std::chrono::steady_clock::time_point drawn_at_{};
};

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
};

// Seconds the bytes take on the line: start bit, data bits, parity, stop bits.
double transfer_seconds(size_t bytes, const SerialSettings& line);

// "3 pens, 120 vectors, 2345 bytes; pen up 812.4 mm, pen down 1503.0 mm;
// sending takes about 3 s at 9600 baud (8N1); plotting about 2 min 31 s
// (drawing 1 min 50 s, pen-up moves 12 s, 40 pen lifts 3 s, 3 pen changes
// 15 s)" with ", 2 copies: about 4 min 50 s" after it for copies (the
// plotter draws them from its memory).
std::string summary_line(const PlotFigures& f);

}  // namespace tvk::host
