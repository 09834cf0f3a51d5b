// Where the drawing lands on the paper: drawing units to host units (the plot
// area in the resolution the driver reports, 0 to 65535 on each axis).
#pragma once

#include <optional>

#include "host/drawing/model/drawing.h"

namespace tvk::host {

// The plot area in host units; coordinates run from 0 to width and height.
struct HostArea {
    double width = 0;
    double height = 0;
};

// The area of a paper in inches at a resolution in units per inch, within the
// 16 bits of host coordinates.
HostArea host_area(double area_x, double area_y, double resolution);

// Where the user wants the drawing: at a scale or as large as fits, inside
// a margin, turned or not, shifted. Lengths in host units.
struct PlacementRequest {
    enum class Rotate { kNo, kYes, kAuto };
    std::optional<double> scale;  // host units per drawing unit; none: fit
    double margin = 0;            // on every side
    bool center = false;          // at a scale: centred, not at the lower-left corner
    Vec2 offset;                  // added after the rest
    Rotate rotate = Rotate::kNo;  // kAuto: turned when the drawing fits larger that way
};

class Placement {
  public:
    // The placement a request asks for, in the area less its margins.
    static Placement place(const Box& extents, const PlacementRequest& request, HostArea area);
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
    bool rotated() const { return rotate_; }

  private:
    Placement(bool rotate, double scale, Vec2 offset)
        : rotate_(rotate), scale_(scale), offset_(offset) {}

    bool rotate_;
    double scale_;
    Vec2 offset_;
};

}  // namespace tvk::host
