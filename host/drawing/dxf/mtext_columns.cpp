#include "host/drawing/dxf/mtext_columns.h"

#include <algorithm>

namespace tvk::host {

// The columns of an MTEXT, in the embedded object that follows its own groups.
MTextColumns mtext_columns(const Groups& g) {
    MTextColumns columns;
    int type = g.integer(71, 0);
    if (type != MTextColumns::kStatic && type != MTextColumns::kDynamic) return columns;
    columns.type = static_cast<MTextColumns::Type>(type);
    columns.width = std::max(g.real(44, 0), 0.0);
    columns.gutter = std::max(g.real(45, 0), 0.0);
    columns.height = std::max(g.real(46, g.real(41, 0)), 0.0);
    return columns;
}

}  // namespace tvk::host
