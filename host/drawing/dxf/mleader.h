// MULTILEADER: its leader lines, arrowheads and content, read from the
// entity's groups.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/drawing/dxf/dxf_groups.h"
#include "host/drawing/model/entities.h"
#include "host/drawing/text/text.h"

namespace tvk::host {

struct MLeaderParts {
    Shape lines;   // leader lines and doglegs
    Shape arrows;  // filled arrowheads
    std::optional<MTextEntity> text;
    // Block content: the handle of its block record and where it stands.
    std::string block_handle;
    BlockRef block;
};

// The closed filled arrowhead of leaders and dimensions: its tip at `tip`,
// `size` long towards `toward`; an empty trace when it has no direction.
Trace closed_filled_arrow(Vec2 tip, Vec2 toward, double size);

// The parts of a MULTILEADER from its groups in file order.
MLeaderParts multileader_parts(const std::vector<Group>& groups);

}  // namespace tvk::host
