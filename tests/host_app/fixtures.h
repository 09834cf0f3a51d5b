// Drawings written by the tests, and the decoding of what tvkplot wrote.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "decoder/stream_decoder.h"

namespace tvk::host_test {

struct Line {
    double x1, y1, x2, y2;
    int colour = 7;
    std::string linetype = "CONTINUOUS";
    std::string layer = "0";
};

// A minimal DXF file (entities only) of lines.
std::string dxf_of_lines(const std::vector<Line>& lines);

inline std::string example(const std::string& name) {
    return std::string(TVK_SOURCE_DIR) + "/examples/" + name;
}

// The bounds of every pen-down point of a decoded stream.
struct Extent {
    int64_t min_x = INT64_MAX, min_y = INT64_MAX, max_x = INT64_MIN, max_y = INT64_MIN;
};
Extent drawn_extent(const decoder::Decoded& d);

// A JSON value, as far as the tests read tvkplot's summaries.
struct Json {
    enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = Kind::kNull;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    const Json& operator[](const std::string& key) const { return members.at(key); }
};
// Throws std::runtime_error on anything but one whole JSON value.
Json parse_json(const std::string& text);

}  // namespace tvk::host_test
