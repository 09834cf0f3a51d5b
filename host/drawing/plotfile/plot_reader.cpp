#include "host/drawing/plotfile/plot_reader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "decoder/stream_decoder.h"

namespace tvk::host {

namespace {

using decoder::Language;

// The line-type names that the plotting side turns back into these HP-GL
// pattern numbers 1 to 8.
constexpr std::array<const char*, 8> kPatternNames = {"DOT",    "HIDDEN",  "DASHED", "DASHDOT",
                                                      "CENTER", "PHANTOM", "DIVIDE", "BORDER"};

std::string line_type_name(const decoder::PenStyle& style, bool vtx_gl) {
    // VTX-GL numbers the HP-GL patterns 2 to 6 as 1 to 5.
    const int pattern = style.line_type == 0 ? 0 : style.line_type + (vtx_gl ? 1 : 0);
    if (pattern < 1 || pattern > static_cast<int>(kPatternNames.size())) return "CONTINUOUS";
    return kPatternNames[static_cast<size_t>(pattern - 1)];
}

// HP-GL commands that draw but that the decoder does not follow: arcs,
// circles, rectangles, wedges, curves and labels.
constexpr std::array<std::string_view, 13> kUndrawnCommands = {
    "AA", "AR", "AT", "BR", "BZ", "CI", "EA", "ER", "EW", "LB", "RA", "RR", "WG"};

int pen_color(int pen) {
    return pen >= 1 && pen <= 255 ? pen : 7;
}

size_t drawn_count(const decoder::Decoded& d) {
    size_t n = d.polygons.size();
    for (const decoder::Segment& s : d.segments) n += s.pen_down ? 1 : 0;
    return n;
}

}  // namespace

void read_plot(const std::string& contents, const std::string& name, double units_per_inch,
               Drawing::Impl& drawing) {
    if (!(units_per_inch > 0))
        throw DrawingError(name + ": the plotter units per inch must be above 0");
    // The HP-GL languages share one syntax; VTX-GL has its own. The one the
    // file is written in reads without problems, or with fewer.
    decoder::Decoded hpgl = decoder::decode(contents, Language::kTkGl3);
    decoder::Decoded vtx = decoder::decode(contents, Language::kVtxGl);
    const bool vtx_gl =
        vtx.problems.size() < hpgl.problems.size() ||
        (vtx.problems.size() == hpgl.problems.size() && drawn_count(vtx) > drawn_count(hpgl));
    const decoder::Decoded& d = vtx_gl ? vtx : hpgl;
    if (drawn_count(d) == 0)
        throw DrawingError(name +
                           ": not a drawing: neither DXF nor SVG, and as a plot file it draws "
                           "nothing");

    const double mm = 25.4 / units_per_inch;
    auto at = [mm](decoder::Point p) {
        return Vec2{static_cast<double>(p.x) * mm, static_cast<double>(p.y) * mm};
    };
    auto add = [&](const decoder::PenStyle& style, Trace trace, bool filled) {
        Entity e;
        e.layer = "0";
        e.color = pen_color(style.pen);
        e.linetype = filled ? "CONTINUOUS" : line_type_name(style, vtx_gl);
        e.what = Shape{{std::move(trace)}, filled};
        drawing.entities.push_back(std::move(e));
    };
    for (const decoder::Polyline& line : decoder::drawn_polylines(d)) {
        Polyline points;
        for (decoder::Point p : line.points) points.points.push_back(at(p));
        add(line.style, Trace{{std::move(points)}}, false);
    }
    for (const decoder::Polygon& polygon : d.polygons) {
        if (!polygon.filled || polygon.vertices.size() < 3) continue;
        Polyline ring;
        for (decoder::Point p : polygon.vertices) ring.points.push_back(at(p));
        add(polygon.style, Trace{{std::move(ring)}}, true);
    }
    for (const std::string& command : vtx_gl ? std::vector<std::string>{} : d.other_commands) {
        std::string mnemonic = command.substr(0, 2);
        for (char& c : mnemonic) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (std::find(kUndrawnCommands.begin(), kUndrawnCommands.end(), mnemonic) !=
            kUndrawnCommands.end()) {
            Entity e;
            e.layer = "0";
            e.what = Unsupported{"HP-GL " + mnemonic};
            drawing.entities.push_back(std::move(e));
        }
    }
    drawing.layers.try_emplace("0");
}

}  // namespace tvk::host
