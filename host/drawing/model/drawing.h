// The drawing as the host program sees it: the entities a reader built,
// blocks expanded, colours resolved, curves and text flattened to polylines
// (host/drawing/drawing.cpp does that). The plot job (host/plotting/) turns
// it into driver requests.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/drawing/geometry/dashes.h"
#include "host/drawing/geometry/plane.h"
#include "host/drawing/model/shared_name.h"
#include "host/drawing/model/work_progress.h"

namespace tvk::host {

// A pen-down polyline in drawing units.
struct Path {
    int color = 7;            // AutoCAD colour index 1 to 255, BYLAYER and BYBLOCK resolved
    int32_t true_color = -1;  // 0xRRGGBB; -1: none
    SharedName linetype;      // resolved line-type name, upper case; "CONTINUOUS" by default
    SharedName layer{};       // upper case, as drawn (block content on "0": the insert's layer)
    std::vector<Vec2> points;
    double width = 0;  // of the stroke, in drawing units; 0: the profile's pen width
};

// A filled area (SOLID, TRACE, solid HATCH, and the fills of SVG, PDF and
// plot files): outer and inner rings, even-odd; areas filled by the nonzero
// rule come here as their outline.
struct Fill {
    int color = 7;
    int32_t true_color = -1;  // 0xRRGGBB; -1: none
    std::vector<std::vector<Vec2>> rings;
    SharedName layer{};  // upper case, as drawn (block content on "0": the insert's layer)
};

// Dashes a drawing asks for by size (an SVG's stroke-dasharray), by the
// line-type name of the paths drawn with them, lengths in drawing units. The
// plot job sends such a path with the plotter's own pattern where it has one
// of that shape and size, and else cuts it into its dashes.
using DashPatterns = std::map<std::string, DashPattern>;

struct FlatDrawing {
    std::vector<Path> paths;
    std::vector<Fill> fills;
    DashPatterns dash_patterns;
};

// Where a drawing's paths and fills go, one at a time, as they are
// flattened: a large drawing need never be held flattened whole.
class FlatSink {
  public:
    virtual ~FlatSink() = default;
    virtual void add(Path path) = 0;
    virtual void add(Fill fill) = 0;
    // The dash patterns of the paths to come, before the first of them.
    virtual void add(const DashPatterns&) {}
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
    std::string language;          // of plot files: HP-GL, HP-GL/2, VTX-GL; empty: chosen
    int page = 0;                  // of plot files and PDFs, from 1; 0: the first
};

// What a drawing file holds, told by its content (and, failing that, its name).
enum class DrawingKind { kDxf, kSvg, kPdf, kPlot };
DrawingKind drawing_kind(const std::string& head, const std::string& path);

class Drawing {
  public:
    // Reads a DXF drawing, an SVG drawing (one unit a millimetre) or a plot
    // file, whichever the file holds; throws DrawingError when it is missing,
    // unreadable or malformed.
    static Drawing load(const std::string& path, const LoadOptions& options = {});
    // The same, reporting to `progress` (which may stop it by throwing).
    static Drawing load(const std::string& path, const LoadOptions& options,
                        WorkProgress& progress);
    // Reads a DXF file; throws DxfError when it is missing, unreadable,
    // truncated or malformed.
    static Drawing load_dxf(const std::string& path);
    // The same, reporting to `progress` (which may stop it by throwing).
    static Drawing load_dxf(const std::string& path, WorkProgress& progress);
    // The drawing of SVG text, or of a plot file's bytes; `name` names them
    // in errors.
    static Drawing from_svg(const std::string& contents, const std::string& name);
    static Drawing from_plot(const std::string& contents, const std::string& name,
                             double units_per_inch);
    // Page `page` (from 1) of a PDF's bytes.
    static Drawing from_pdf(const std::string& contents, const std::string& name, int page);
    static Drawing from_plot(const std::string& contents, const std::string& name,
                             const LoadOptions& options);
    // The pages of a plot file (PG, FR, AF begin the next); 1 for any other
    // drawing, and for a file that cannot be read (loading it says why).
    static int plot_pages(const std::string& path, const LoadOptions& options);

    // The paper-space layouts, in the drawing's order.
    struct LayoutInfo {
        std::string name;
        double paper_width_mm = 0, paper_height_mm = 0;  // 0 when the drawing gives none
        int viewports = 0;
    };
    std::vector<LayoutInfo> layouts() const;
    // The layers of the layer table and those entities name without one, by
    // name, with the entities drawn on each in the space plotted (model
    // space, or the layout used).
    struct LayerInfo {
        std::string name;         // upper case
        int color = 7;            // 1 to 255
        int32_t true_color = -1;  // 0xRRGGBB; -1: none
        std::string linetype;
        bool off = false;  // off, or not to be plotted
        bool frozen = false;
        bool in_table = true;  // false: named by entities only
        int entities = 0;
    };
    std::vector<LayerInfo> layers() const;
    // Draws the layout of that name (any case) instead of model space: its
    // own entities, and model space through its viewports, at their scales,
    // cut to them. Throws DxfError naming the layouts when there is none.
    void use_layout(const std::string& name);
    // Lets go of the entity model (where no copy of the drawing shares it):
    // the drawing draws nothing afterwards; what it reported stays.
    void let_go() { impl_.reset(); }
    // flatten(), letting go of each entity once flattened, then of the
    // model, as let_go() does: the drawing and its paths are never held
    // whole together.
    void flatten_letting_go(double tolerance, const Box& window, WorkProgress& progress,
                            FlatSink& sink);

    // The extents of everything drawable (curves and text included); of the
    // layers `plotted` takes, when given.
    Box extents() const;
    Box extents(WorkProgress& progress) const;
    Box extents(const std::function<bool(const std::string& layer)>& plotted,
                WorkProgress& progress) const;
    // Everything as polylines whose chords stay within `tolerance` drawing units
    // of the true curves. Infinite lines (RAY, XLINE) are drawn across
    // `window`, the part of the drawing plotted; by default the extents.
    FlatDrawing flatten(double tolerance) const;
    FlatDrawing flatten(double tolerance, const Box& window) const;
    FlatDrawing flatten(double tolerance, const Box& window, WorkProgress& progress) const;
    // The same, handing each path and fill to `sink` as it is made.
    void flatten(double tolerance, const Box& window, WorkProgress& progress, FlatSink& sink) const;
    // Entities that could not be drawn, by DXF type name, with their counts.
    const std::map<std::string, int>& unsupported() const { return unsupported_; }
    // Things the user should know about how the drawing is drawn, one line
    // each (e.g. that text falls back to the built-in stroke font).
    const std::vector<std::string>& notes() const { return notes_; }
    // RAY and XLINE entities (by type) that the last flattening left out:
    // they miss the window plotted.
    const std::map<std::string, int>& missed_window() const { return missed_window_; }
    // The speeds a plot file asks of its pens (VS), cm/s, by colour; colour
    // 0: every pen. Empty for other drawings.
    const std::map<int, double>& pen_speeds() const;

    struct Impl;  // the entity model, private to host/drawing

  private:
    // Infinite lines across `window`, or across the extents when there is none.
    void flatten(double tolerance, std::optional<Box> window, WorkProgress& progress,
                 FlatSink& sink, bool let_go_entities = false) const;
    FlatDrawing flatten(double tolerance, std::optional<Box> window, WorkProgress& progress) const;
    // Calls draw(entities, transform, clip box or null) for each list of
    // entities drawn: model space, or the layout's own and its viewports'.
    template <typename Draw>
    void for_each_space(Draw draw) const;
    // The drawing of a model read: what it cannot draw counted, notes kept.
    static Drawing made_of(std::shared_ptr<Impl> impl, std::vector<std::string> notes);

    std::shared_ptr<const Impl> impl_;
    int layout_ = -1;  // the layout drawn; -1: model space
    std::map<std::string, int> unsupported_;
    std::vector<std::string> notes_;
    mutable std::map<std::string, int> missed_window_;
};

}  // namespace tvk::host
