#include "host/drawing/plotfile/vtx_gl.h"

#include <array>

#include "decoder/stream_decoder.h"

namespace tvk::host::plotfile {
namespace {

// VTX-GL numbers the HP-GL patterns 2 to 6 as 1 to 5: their line-type names.
constexpr std::array<const char*, 5> kPatternNames = {"HIDDEN", "DASHED", "DASHDOT", "CENTER",
                                                      "PHANTOM"};

}  // namespace

bool read_vtx_gl(const std::string& contents, double units_per_inch, std::vector<Entity>& out) {
    const decoder::Decoded d = decoder::decode(contents, decoder::Language::kVtxGl);
    const double mm = 25.4 / units_per_inch;
    bool drew = false;
    for (const decoder::Polyline& line : decoder::drawn_polylines(d)) {
        Polyline points;
        for (decoder::Point p : line.points)
            points.points.push_back({static_cast<double>(p.x) * mm, static_cast<double>(p.y) * mm});
        Entity e;
        e.layer = "0";
        e.color = line.style.pen >= 1 && line.style.pen <= 255 ? line.style.pen : 7;
        const int type = line.style.line_type;
        e.linetype =
            type >= 1 && type <= 5 ? kPatternNames[static_cast<size_t>(type - 1)] : "CONTINUOUS";
        e.what = Shape{{Trace{{std::move(points)}}}, false};
        out.push_back(std::move(e));
        drew = true;
    }
    return drew;
}

}  // namespace tvk::host::plotfile
