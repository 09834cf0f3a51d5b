#include "fixtures.h"

#include <algorithm>
#include <sstream>

namespace tvk::host_test {

std::string dxf_of_lines(const std::vector<Line>& lines) {
    std::ostringstream s;
    s << "0\nSECTION\n2\nENTITIES\n";
    for (const Line& l : lines) {
        s << "0\nLINE\n8\n0\n6\n"
          << l.linetype << "\n62\n"
          << l.colour << "\n10\n"
          << l.x1 << "\n20\n"
          << l.y1 << "\n30\n0\n11\n"
          << l.x2 << "\n21\n"
          << l.y2 << "\n31\n0\n";
    }
    s << "0\nENDSEC\n0\nEOF\n";
    return s.str();
}

Extent drawn_extent(const decoder::Decoded& d) {
    Extent e;
    const auto add = [&](const decoder::Point& p) {
        e.min_x = std::min(e.min_x, p.x);
        e.min_y = std::min(e.min_y, p.y);
        e.max_x = std::max(e.max_x, p.x);
        e.max_y = std::max(e.max_y, p.y);
    };
    for (const auto& s : decoder::drawn_segments(d)) {
        add(s.from);
        add(s.to);
    }
    for (const auto& p : d.polygons) {
        for (const auto& v : p.vertices) add(v);
    }
    return e;
}

}  // namespace tvk::host_test
