// Drawings written by the tests, and the decoding of what tvkplot wrote.
#pragma once

#include <string>
#include <vector>

#include "decoder/stream_decoder.h"

namespace tvk::host_test {

struct Line {
    double x1, y1, x2, y2;
    int colour = 7;
    std::string linetype = "CONTINUOUS";
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

}  // namespace tvk::host_test
