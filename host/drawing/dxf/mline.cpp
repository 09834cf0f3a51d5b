#include "host/drawing/dxf/mline.h"

namespace tvk::host {

Shape mline_shape(const std::vector<Group>& groups) {
    struct Vertex {
        Vec2 at, mitre;
        std::vector<double> offsets;  // the first parameter of each element
    };
    std::vector<Vertex> vertices;
    int flags = 0;
    bool first_parameter = false;  // the next group 41 is an element's offset
    for (const auto& [code, text, v] : groups) {
        if (code == 71) flags = static_cast<int>(v);
        if (code == 11) vertices.push_back({{v, 0}, {0, 0}, {}});
        if (vertices.empty()) continue;
        Vertex& last = vertices.back();
        switch (code) {
            case 21:
                last.at.y = v;
                break;
            case 13:
                last.mitre.x = v;
                break;
            case 23:
                last.mitre.y = v;
                break;
            case 74:
                last.offsets.push_back(0);
                first_parameter = v > 0;
                break;
            case 41:
                if (first_parameter && !last.offsets.empty()) last.offsets.back() = v;
                first_parameter = false;
                break;
            default:
                break;
        }
    }
    Shape shape;
    if (vertices.size() < 2) return shape;
    const size_t elements = vertices.front().offsets.size();
    const bool closed = (flags & 2) != 0;
    for (size_t e = 0; e < elements; ++e) {
        Polyline line;
        for (const Vertex& v : vertices)
            if (e < v.offsets.size()) line.points.push_back(v.at + v.offsets[e] * v.mitre);
        if (closed && line.points.size() > 2) line.points.push_back(line.points.front());
        if (line.points.size() >= 2) shape.traces.push_back(Trace{{std::move(line)}});
    }
    return shape;
}

}  // namespace tvk::host
