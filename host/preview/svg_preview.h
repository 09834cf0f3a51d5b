// A picture of a plotter stream as SVG: pen-down strokes in the colour of
// their pen at their width, filled polygons, optionally the pen-up travel,
// and the outline of the paper. Drawn in plotter units, sized in millimetres.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "decoder/stream_decoder.h"

namespace tvk::host {

struct PaperOutline {
    double x = 0;  // lower-left corner, plotter units
    double y = 0;
    double width = 0;
    double height = 0;
};

// A number written beside a point of the picture (where a path starts).
struct PointNumber {
    double x = 0;  // plotter units
    double y = 0;
    size_t number = 0;
};

struct SvgOptions {
    double units_per_mm = 40;            // plotter units per millimetre
    std::optional<PaperOutline> paper;   // else the plot size, else the drawing's extents
    bool travel = false;                 // pen-up moves as thin dashed lines
    std::map<int, double> pen_width_mm;  // where the stream sets no width
    double default_width_mm = 0.3;
    std::vector<PointNumber> numbers;  // over the drawing, upright
};

// Where a stream draws, in plotter units.
struct DrawnBounds {
    double min_x = 1e300, min_y = 1e300, max_x = -1e300, max_y = -1e300;
    void add(double x, double y);
    void add(const decoder::Point& p);
    bool empty() const { return min_x > max_x; }
};

// A plotter stream read once, for what its preview must know before it is
// drawn: all of the decoder's result but the movements and polygons, which
// are only counted.
struct StreamSurvey {
    decoder::Language language = decoder::Language::kTkGl3;
    decoder::Decoded decoded;               // `segments` and `polygons` left empty
    std::optional<decoder::Segment> first;  // the first movement
    std::size_t drawn_segments = 0;
    std::size_t polygons = 0;
    std::size_t edged_polygons = 0;
    DrawnBounds bounds;  // of the pen-down segments and of the polygons
    bool draws() const { return drawn_segments > 0 || polygons > 0; }
};

StreamSurvey survey_stream(std::string_view stream, decoder::Language language);

// The picture of a stream decoded whole. write_svg and save_svg write the
// same bytes without holding the decoded stream.
std::string render_svg(const decoder::Decoded& decoded, const SvgOptions& options);
// Decodes `stream` again, as often as the parts of the picture need (its
// fills, strokes and travel), and writes the picture to `out` as it goes.
void write_svg(std::ostream& out, std::string_view stream, const StreamSurvey& survey,
               const SvgOptions& options);

// What the user should know about a preview of `source`: the parts of the
// stream not understood in its language, or that it draws nothing; empty
// when all is well.
std::string preview_warning(const StreamSurvey& survey, const std::string& source);
// Why the stream is no plotter stream to preview in its language: it holds
// no command of the language at all, or it draws nothing and has parts that
// are not understood (a DXF file or a text, say); empty when it may be shown.
std::string preview_refusal(const StreamSurvey& survey, const std::string& source);
// Writes the picture into the file as it goes (FILE.part, renamed when
// complete); throws HostError naming it when that fails, leaving nothing.
void save_svg(const std::string& path, std::string_view stream, const StreamSurvey& survey,
              const SvgOptions& options);

}  // namespace tvk::host
