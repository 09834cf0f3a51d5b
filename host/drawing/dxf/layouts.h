// Paper-space layouts: read from the LAYOUT objects and VIEWPORT entities of
// a DXF file, and drawn as a CAD program plots them: the layout's own
// entities, and model space through each viewport at its scale, cut to it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/drawing/dxf/dxf_groups.h"
#include "host/drawing/model/entities.h"

namespace tvk::host {

// The layouts of the LAYOUT objects (Model excluded), each with the
// viewports whose owner is its block; `block_names` names block records by
// their handles.
void read_layouts(const std::vector<Groups>& layout_objects, const std::vector<Groups>& viewports,
                  const std::map<std::string, std::string>& block_names, Drawing::Impl& drawing);

// What a layout draws, as lists of entities under a transform, cut to a box
// where a viewport shows them.
struct LayoutSpace {
    const std::vector<Entity>* entities;
    Affine m;
    bool clipped = false;
    Box clip;
};
std::vector<LayoutSpace> layout_spaces(const Drawing::Impl& drawing, const Layout& layout);

// The parts of a polyline inside a box; a ring cut to a box (empty when
// nothing is left).
std::vector<std::vector<Vec2>> clip_to_box(const std::vector<Vec2>& points, const Box& box);
std::vector<Vec2> clip_ring_to_box(const std::vector<Vec2>& ring, const Box& box);

}  // namespace tvk::host
