// Reading the group structure of an ASCII DXF file, with the checks dxflib
// leaves out: it reads a truncated file, a misspelt group code or a word
// where a number belongs without complaint, and indexes its value table by
// the group code unchecked.
#pragma once

#include <functional>
#include <string>

namespace tvk::host {

// Hands each (group code, value) pair of a DXF file's contents to `visit`, up
// to and including the EOF marker. Values lose their line ends, and the
// surrounding blanks unless they are text (groups 1 and 3). Throws DxfError
// naming `path` and the line on anything that is not a complete DXF file.
void read_dxf_groups(const std::string& contents, const std::string& path,
                     const std::function<void(int code, const std::string& value)>& visit);

}  // namespace tvk::host
