// Reading the group structure of an ASCII DXF file, with the checks dxflib
// leaves out: it reads a truncated file, a misspelt group code or a word
// where a number belongs without complaint, and indexes its value table by
// the group code unchecked.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "host/drawing/work_progress.h"

namespace tvk::host {

// Hands each (group code, value) pair of a DXF file's contents to `visit`, up
// to and including the EOF marker. Values lose their line ends, and the
// surrounding blanks unless they are text (groups 1 and 3); `raw` is the
// group's two lines as they stand in the file, line ends included, where
// their value is the same (else empty). Throws DxfError naming `path` and
// the line on anything that is not a complete DXF file; reports the bytes
// read to `progress`.
void read_dxf_groups(
    const std::string& contents, const std::string& path,
    const std::function<void(int code, const std::string& value, std::string_view raw)>& visit,
    WorkProgress& progress);

}  // namespace tvk::host
