// Names (layers, line types, blocks, styles) are compared in upper case, as
// CAD programs compare them.
#pragma once

#include <cctype>
#include <string>

namespace tvk::host {

inline std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace tvk::host
