// The operations behind the plot entry's requests, shared by the files of
// plot/. Each reads its fields from the current request record and writes its
// status there.
#pragma once

#include <cstdint>

namespace tvk {

// ---- plot lifecycle ----------------------------------------------------------
void serve_plot_open();           // 29
void serve_plot_setup();          // 48
void serve_plot_limits();         // 47
void serve_begin_plot();          // 30
void serve_end_plot();            // 2
void serve_cancel_plot();         // 9
void serve_show_configuration();  // 31

// ---- command generation --------------------------------------------------------
void serve_move();          // 3
void serve_draw();          // 4
void serve_select_pen();    // 5
void serve_pen_velocity();  // 6
void serve_line_type();     // 7
void serve_lift_pen();      // 8
void serve_pen_width();     // 41, TK-GL3 only
// The language the stored configuration chose (index of the language table).
int plot_language();

// A host point, scaled in long plot, sent as a displacement from the last
// point: decimal "dx,dy", or two PE numbers inside a PE command. 0 or -1.
int coordinate_output(uint16_t x, uint16_t y);
// Ends an open PE command with ";" and leaves the pen state idle. 0 or -1.
int close_pe_command();

// ---- polygon fill ----------------------------------------------------------------
int fill_polygon();  // 33, TK-GL2 and TK-GL3: 0 or -1

}  // namespace tvk
