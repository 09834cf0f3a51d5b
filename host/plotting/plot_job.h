// The drawing turned into what the host sends the plot entry: pen-down paths
// in host units with their pen, hardware line type and speed, and the filled
// areas the plotter fills itself. Colours go to pens, line types and speeds
// through the profile's per-colour tables; line-type names through the
// plotters' own patterns.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "host/drawing/model/drawing.h"
#include "host/plotting/clipping.h"
#include "host/plotting/ordering/ordering.h"
#include "host/plotting/pen_choices.h"
#include "host/plotting/placement.h"
#include "host/settings/profile.h"

namespace tvk::host {

struct FillPolygon {
    int pen = 1;
    HostPolyline vertices;
};

struct PlotJob {
    std::vector<PenPath> paths;
    std::vector<FillPolygon> polygons;  // for plotters that fill them
    std::map<int, double> pen_width;    // inches, per pen used
    // The plotter has one pen: the pens of the paths and fills are those put
    // into it by hand, one after another, and the plotter's own is pen 1.
    bool pens_by_hand = false;
    // The pen each true colour (0xRRGGBB) went to, by the colour number the
    // drawing gave it, so that the user can see which is which.
    std::map<std::pair<int, int32_t>, int> true_colour_pens;
    // Every colour the drawing plots with (its colour number, and its true
    // colour or -1) and the pen it went to: what a person may choose pens for.
    std::map<std::pair<int, int32_t>, int> colour_pens;

    // What the placement put beyond the paper, in host units: the pen-down
    // length of the paths as placed, the part of it that lies beyond the
    // paper by more than one host unit (what clipping visibly cuts off), and
    // the bounds of all they drew as placed.
    double placed_length = 0;
    double cut_length = 0;
    Box placed;
};

struct JobGeometry {
    Placement placement;
    HostArea area;
    double resolution = 0;  // host units per inch
};

// True when filled areas go to the plotter as polygons: the profile says the
// plotter fills them and its language has polygon mode.
bool plotter_fills_polygons(const Profile& profile);

// The paths and fills of the layers the choices take, on the pens of
// --layer-pen or else of their colours, with the speeds and widths chosen
// for their pens or else their colours'. Each path is placed, clipped and
// turned into host units as it comes (from Drawing::flatten), so that the
// drawing is never held flattened whole; fills are done at the end.
class JobBuilder : public FlatSink {
  public:
    JobBuilder(const JobGeometry& geometry, const Profile& profile, const PenChoices& choices);
    ~JobBuilder() override;
    void add(Path path) override;
    void add(Fill fill) override;
    void add(const DashPatterns& patterns) override;
    PlotJob finish();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The same for a drawing flattened already; it is let go as the job is
// built (move it in where it is not needed afterwards).
PlotJob build_job(FlatDrawing drawing, const JobGeometry& geometry, const Profile& profile,
                  const PenChoices& choices = {});

}  // namespace tvk::host
