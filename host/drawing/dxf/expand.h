// Block expansion: walks the plotted entities and every block they insert,
// resolving layers, BYLAYER and BYBLOCK colours and line types as CAD hosts do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "host/drawing/model/entities.h"

namespace tvk::host {

struct ExpandVisitor {
    // A visible shape with its accumulated transform, resolved colour (1 to
    // 255), true colour (0xRRGGBB, -1 for none), resolved upper-case line type
    // and the layer it is drawn on.
    std::function<void(const Shape&, const Affine&, int color, int32_t true_color,
                       SharedName linetype, SharedName layer)>
        shape;
    // A visible entity that cannot be drawn, by DXF type name.
    std::function<void(const std::string& type)> unsupported;
    // A reference that cannot be followed, saying why ("block X is missing").
    std::function<void(const std::string& what)> broken_reference;
};

void expand(const Drawing::Impl& drawing, const ExpandVisitor& visitor);
// The same for a list of entities of the drawing (a layout's, or model space
// through a viewport) under a transform.
void expand(const Drawing::Impl& drawing, std::span<const Entity> entities, const Affine& m,
            const ExpandVisitor& visitor);

// How many points the block references of a full expansion draw (a curve
// counting as 32), saturating at `limit`: a few nested arrays can multiply
// into more than any plot can hold.
std::size_t expanded_size(const Drawing::Impl& drawing, std::size_t limit);

}  // namespace tvk::host
