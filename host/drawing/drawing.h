// The drawing as the host program sees it: DXF entities read with dxflib,
// blocks expanded, colours resolved, curves and text flattened to polylines.
// The plot job (host/) turns it into driver requests.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tvk::host {

struct Vec2 {
    double x = 0;
    double y = 0;
};

struct Box {
    double min_x = 1e300, min_y = 1e300, max_x = -1e300, max_y = -1e300;
    bool empty() const { return min_x > max_x || min_y > max_y; }
    void add(Vec2 p);
    void add(const Box& b);
};

// A pen-down polyline in drawing units.
struct Path {
    int color = 7;            // AutoCAD colour index 1 to 255, BYLAYER and BYBLOCK resolved
    int32_t true_color = -1;  // 0xRRGGBB; -1: none
    std::string linetype;     // resolved line-type name, upper case; "CONTINUOUS" by default
    std::vector<Vec2> points;
};

// A filled area (SOLID, TRACE, solid HATCH): outer and inner rings, even-odd.
struct Fill {
    int color = 7;
    int32_t true_color = -1;  // 0xRRGGBB; -1: none
    std::vector<std::vector<Vec2>> rings;
};

struct FlatDrawing {
    std::vector<Path> paths;
    std::vector<Fill> fills;
};

// A drawing that cannot be read: what() names the file (and the line where known).
struct DrawingError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// A DXF file that cannot be read.
struct DxfError : DrawingError {
    using DrawingError::DrawingError;
};

// How drawings are read where their files do not say.
struct LoadOptions {
    double units_per_inch = 1016;  // the plotter units of plot files
};

// What a drawing file holds, told by its content (and, failing that, its name).
enum class DrawingKind { kDxf, kSvg, kPlot };
DrawingKind drawing_kind(const std::string& head, const std::string& path);

class Drawing {
  public:
    // Reads a DXF drawing, an SVG drawing (one unit a millimetre) or a plot
    // file, whichever the file holds; throws DrawingError when it is missing,
    // unreadable or malformed.
    static Drawing load(const std::string& path, const LoadOptions& options = {});
    // Reads a DXF file; throws DxfError when it is missing, unreadable,
    // truncated or malformed.
    static Drawing load_dxf(const std::string& path);
    // The drawing of SVG text, or of a plot file's bytes; `name` names them
    // in errors.
    static Drawing from_svg(const std::string& contents, const std::string& name);
    static Drawing from_plot(const std::string& contents, const std::string& name,
                             double units_per_inch);

    // The extents of everything drawable (curves and text included).
    Box extents() const;
    // Everything as polylines whose chords stay within `tolerance` drawing units
    // of the true curves.
    FlatDrawing flatten(double tolerance) const;
    // Entities that could not be drawn, by DXF type name, with their counts.
    const std::map<std::string, int>& unsupported() const { return unsupported_; }
    // Things the user should know about how the drawing is drawn, one line
    // each (e.g. that text falls back to the built-in stroke font).
    const std::vector<std::string>& notes() const { return notes_; }

    struct Impl;  // the entity model, private to host/drawing

  private:
    // The drawing of a model read: what it cannot draw counted, notes kept.
    static Drawing made_of(std::shared_ptr<Impl> impl, std::vector<std::string> notes);

    std::shared_ptr<const Impl> impl_;
    std::map<std::string, int> unsupported_;
    std::vector<std::string> notes_;
};

// Strokes that fill an area for a plotter that does not fill polygons: lines
// `spacing` apart (one pen width), clipped to the rings by the even-odd rule.
std::vector<std::vector<Vec2>> hatch_strokes(const Fill& fill, double spacing);

// ---- pen-motion optimisation -----------------------------------------------------
// A pen-down polyline in host units, with its pen.
struct PenPath {
    int pen = 1;
    int line_type = 0;
    int speed = 0;
    std::vector<std::pair<int32_t, int32_t>> points;
};

// Reorders (and at higher levels merges or trims) the paths as CAD hosts do for
// the optimisation level the driver reports:
//   1 endpoint swapping, 2 plus pen sorting, 3 plus limited motion
//   optimisation, 4 full pen-motion optimisation, 5 plus removal of overlapping
//   horizontal and vertical vectors, 6 plus removal of overlapping diagonal vectors.
// The set of drawn segments is unchanged except for exact overlaps that level
// 5 and 6 remove.
void optimize_paths(std::vector<PenPath>& paths, int level);
// Total pen-up travel, from (0, 0) through every path in order, in host units.
double pen_up_travel(const std::vector<PenPath>& paths);

}  // namespace tvk::host
