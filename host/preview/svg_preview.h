// A picture of a plotter stream as SVG: pen-down strokes in the colour of
// their pen at their width, filled polygons, optionally the pen-up travel,
// and the outline of the paper. Drawn in plotter units, sized in millimetres.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "decoder/stream_decoder.h"

namespace tvk::host {

struct PaperOutline {
    double x = 0;  // lower-left corner, plotter units
    double y = 0;
    double width = 0;
    double height = 0;
};

struct SvgOptions {
    double units_per_mm = 40;            // plotter units per millimetre
    std::optional<PaperOutline> paper;   // else the plot size, else the drawing's extents
    bool travel = false;                 // pen-up moves as thin dashed lines
    std::map<int, double> pen_width_mm;  // where the stream sets no width
    double default_width_mm = 0.3;
};

std::string render_svg(const decoder::Decoded& decoded, const SvgOptions& options);
// What the user should know about a preview of `source`: the parts of the
// stream not understood in `language`, or that it draws nothing; empty when
// all is well.
std::string preview_warning(const decoder::Decoded& decoded, const std::string& source,
                            decoder::Language language);
// Why `decoded` is no plotter stream to preview in `language`: it holds no
// command of the language at all, or it draws nothing and has parts that are
// not understood (a DXF file or a text, say); empty when it may be shown.
std::string preview_refusal(const decoder::Decoded& decoded, const std::string& source,
                            decoder::Language language);
// Renders and writes the file; throws HostError naming it when that fails.
void save_svg(const std::string& path, const decoder::Decoded& decoded,
              const SvgOptions& options);

}  // namespace tvk::host
