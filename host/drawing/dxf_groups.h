// The groups of one DXF entity or table entry as they stand in the file, for
// what dxflib's callbacks leave out.
#pragma once

#include <cctype>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace tvk::host {

inline std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Looked up by code: the first group of a code counts.
struct Groups {
    std::vector<std::pair<int, std::string>> groups;

    const std::string* find(int code) const {
        for (const auto& [c, v] : groups)
            if (c == code) return &v;
        return nullptr;
    }
    bool has(int code) const { return find(code) != nullptr; }
    double real(int code, double fallback) const {
        const std::string* v = find(code);
        return v ? std::strtod(v->c_str(), nullptr) : fallback;
    }
    int integer(int code, int fallback) const {
        const std::string* v = find(code);
        return v ? static_cast<int>(std::strtol(v->c_str(), nullptr, 10)) : fallback;
    }
    std::string text(int code, const std::string& fallback = {}) const {
        const std::string* v = find(code);
        return v ? *v : fallback;
    }
};

}  // namespace tvk::host
