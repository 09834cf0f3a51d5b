// Where the drawing lands on the paper: drawing units to host units (the plot
// area in the resolution the driver reports, 0 to 65535 on each axis).
#pragma once

#include "host/drawing/drawing.h"

namespace tvk::host {

// The plot area in host units; coordinates run from 0 to width and height.
struct HostArea {
    double width = 0;
    double height = 0;
};

// The area of a paper in inches at a resolution in units per inch, within the
// 16 bits of host coordinates.
HostArea host_area(double area_x, double area_y, double resolution);

class Placement {
  public:
    // The drawing's extents as large as fits in the area, keeping the aspect
    // ratio, centred; rotated 90 degrees counter-clockwise first when asked.
    static Placement fit(const Box& extents, bool rotate, HostArea area);
    // At a given scale: host units per drawing unit. The lower-left corner of
    // the extents goes to the lower-left corner of the area.
    static Placement scaled(const Box& extents, bool rotate, double host_units_per_unit);

    Vec2 apply(Vec2 p) const;
    // The part of the drawing, in drawing units, that lands on the area.
    Box window(HostArea area) const;
    // Host units per drawing unit.
    double scale() const { return scale_; }

  private:
    Placement(bool rotate, double scale, Vec2 offset)
        : rotate_(rotate), scale_(scale), offset_(offset) {}

    bool rotate_;
    double scale_;
    Vec2 offset_;
};

}  // namespace tvk::host
