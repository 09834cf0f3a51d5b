// The columns of an MTEXT, read from the embedded object after its groups.
#pragma once

#include "host/drawing/dxf/dxf_groups.h"
#include "host/drawing/text/text.h"

namespace tvk::host {

MTextColumns mtext_columns(const Groups& embedded);

}  // namespace tvk::host
