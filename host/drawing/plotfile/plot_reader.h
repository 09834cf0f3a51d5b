// Builds the entity model from a plot file (HP-GL, HP-GL/2 or any of the four
// languages of the driver), decoded with the stream decoder, so that old
// plots can be plotted again on another plotter.
#pragma once

#include <string>

#include "host/drawing/model/entities.h"

namespace tvk::host {

// Reads the pen-down paths, filled polygons and line types of a plot file;
// pen N draws in colour N. `units_per_inch`: the plotter units of the file's
// plotter. Throws DrawingError naming `name` when nothing in it draws.
void read_plot(const std::string& contents, const std::string& name, double units_per_inch,
               Drawing::Impl& drawing);

}  // namespace tvk::host
