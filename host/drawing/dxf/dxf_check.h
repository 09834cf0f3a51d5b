// Reading the group structure of an ASCII DXF file, checking every group: a
// truncated file, a misspelt group code or a word where a number belongs is
// an error that names its line, not a drawing read wrongly.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "host/drawing/model/work_progress.h"

namespace tvk::host {

// Hands each (group code, value) pair of a DXF file's contents to `visit`, up
// to and including the EOF marker. Values are views into `contents`, without
// their line ends, and without the surrounding blanks unless they are text
// (groups 1 and 3); `number` is the value of a group whose code holds a
// number, NaN for the others. Throws DxfError naming `path` and the line on
// anything that is not a complete DXF file; reports the bytes read to
// `progress`.
void read_dxf_groups(
    const std::string& contents, const std::string& path,
    const std::function<void(int code, std::string_view value, double number)>& visit,
    WorkProgress& progress);

}  // namespace tvk::host
