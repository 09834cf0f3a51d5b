// The drawing turned into what the host sends the plot entry: pen-down paths
// in host units with their pen, hardware line type and speed, and the filled
// areas the plotter fills itself. Colours go to pens, line types and speeds
// through the profile's per-colour tables; line-type names through the
// plotters' own patterns.
#pragma once

#include <map>
#include <vector>

#include "host/plotting/clipping.h"
#include "host/drawing/drawing.h"
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
};

struct JobGeometry {
    Placement placement;
    HostArea area;
    double resolution = 0;  // host units per inch
};

// True when filled areas go to the plotter as polygons: the profile says the
// plotter fills them and its language has polygon mode.
bool plotter_fills_polygons(const Profile& profile);

PlotJob build_job(const FlatDrawing& drawing, const JobGeometry& geometry, const Profile& profile);

}  // namespace tvk::host
