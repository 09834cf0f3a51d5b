#include "host/preview/svg_preview.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "host/ports/files.h"

namespace tvk::host {
namespace {

using decoder::Point;

// Pen n in the colour of AutoCAD colour n, which the default pen table sends
// to it (yellow darkened to show on white); more pens repeat them.
constexpr const char* kPenColours[] = {"#e00000", "#c8a000", "#00a000", "#00a0c0",
                                       "#0000e0", "#c000c0", "#000000", "#808080"};

const char* pen_colour(int pen) {
    constexpr int n = static_cast<int>(std::size(kPenColours));
    return kPenColours[((pen - 1) % n + n) % n];
}

struct Bounds {
    double min_x = 1e300, min_y = 1e300, max_x = -1e300, max_y = -1e300;
    void add(double x, double y) {
        min_x = std::min(min_x, x);
        min_y = std::min(min_y, y);
        max_x = std::max(max_x, x);
        max_y = std::max(max_y, y);
    }
    void add(const Point& p) { add(static_cast<double>(p.x), static_cast<double>(p.y)); }
    bool empty() const { return min_x > max_x; }
};

PaperOutline paper_of(const decoder::Decoded& d, const SvgOptions& o) {
    if (o.paper) return *o.paper;
    if (d.plot_size) {
        return {0, 0, static_cast<double>(d.plot_size->x), static_cast<double>(d.plot_size->y)};
    }
    Bounds b;
    for (const auto& s : d.segments) {
        if (s.pen_down) {
            b.add(s.from);
            b.add(s.to);
        }
    }
    for (const auto& p : d.polygons) {
        for (const auto& v : p.vertices) b.add(v);
    }
    if (b.empty()) b.add(0, 0);
    const double margin = 5 * o.units_per_mm;
    return {b.min_x - margin, b.min_y - margin, b.max_x - b.min_x + 2 * margin,
            b.max_y - b.min_y + 2 * margin};
}

class SvgWriter {
  public:
    SvgWriter(const SvgOptions& o, const PaperOutline& paper) : o_(o) {
        const double w_mm = paper.width / o.units_per_mm;
        const double h_mm = paper.height / o.units_per_mm;
        // The y axis of the plotter points up: the picture is flipped.
        out_ << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << w_mm << "mm\" height=\""
             << h_mm << "mm\" viewBox=\"" << paper.x << ' ' << -(paper.y + paper.height) << ' '
             << paper.width << ' ' << paper.height << "\">\n"
             << "<g transform=\"scale(1,-1)\" fill=\"none\" stroke-linecap=\"round\" "
             << "stroke-linejoin=\"round\">\n"
             << "<rect class=\"paper\" x=\"" << paper.x << "\" y=\"" << paper.y << "\" width=\""
             << paper.width << "\" height=\"" << paper.height
             << "\" fill=\"#ffffff\" stroke=\"#999999\" stroke-width=\"" << 0.2 * o.units_per_mm
             << "\"/>\n";
    }

    double width_of(const decoder::PenStyle& s) const {
        double mm = s.width_mm;
        if (mm < 0) {
            const auto it = o_.pen_width_mm.find(s.pen);
            mm = it != o_.pen_width_mm.end() ? it->second : o_.default_width_mm;
        }
        return std::max(mm, 0.05) * o_.units_per_mm;
    }

    void polygon(const decoder::Polygon& p) {
        if (p.vertices.empty() || (!p.filled && !p.edged)) return;
        const char* colour = pen_colour(p.style.pen);
        out_ << "<path class=\"fill\" d=\"";
        points(p.vertices);
        out_ << "Z\" fill=\"" << (p.filled ? colour : "none") << "\" fill-rule=\"evenodd\"";
        if (p.edged)
            out_ << " stroke=\"" << colour << "\" stroke-width=\"" << width_of(p.style) << '"';
        out_ << "/>\n";
    }

    void stroke(const decoder::Polyline& line) {
        out_ << "<path class=\"pen" << line.style.pen << "\" d=\"";
        points(line.points);
        out_ << "\" stroke=\"" << pen_colour(line.style.pen) << "\" stroke-width=\""
             << width_of(line.style) << '"';
        // Broken line types shown as dashes; the plotter's exact pattern is its own.
        if (line.style.line_type == 1) {
            out_ << " stroke-dasharray=\"0 " << 1.5 * o_.units_per_mm << '"';
        } else if (line.style.line_type > 1) {
            out_ << " stroke-dasharray=\"" << 4 * o_.units_per_mm << ' ' << 1.5 * o_.units_per_mm
                 << '"';
        }
        out_ << "/>\n";
    }

    void travel(const decoder::Segment& s) {
        if (s.from == s.to) return;
        out_ << "<line class=\"travel\" x1=\"" << s.from.x << "\" y1=\"" << s.from.y << "\" x2=\""
             << s.to.x << "\" y2=\"" << s.to.y << "\" stroke=\"#7f7fff\" stroke-width=\""
             << 0.1 * o_.units_per_mm << "\" stroke-dasharray=\"" << o_.units_per_mm << ' '
             << o_.units_per_mm << "\"/>\n";
    }

    std::string finish() {
        out_ << "</g>\n</svg>\n";
        return out_.str();
    }

  private:
    void points(const std::vector<Point>& pts) {
        char command = 'M';
        for (const Point& p : pts) {
            out_ << command << p.x << ' ' << p.y << ' ';
            command = 'L';
        }
    }

    const SvgOptions& o_;
    std::ostringstream out_;
};

}  // namespace

std::string render_svg(const decoder::Decoded& decoded, const SvgOptions& options) {
    SvgWriter svg(options, paper_of(decoded, options));
    for (const auto& p : decoded.polygons) svg.polygon(p);
    for (const auto& line : decoder::drawn_polylines(decoded)) svg.stroke(line);
    if (options.travel) {
        for (const auto& s : decoded.segments) {
            if (!s.pen_down) svg.travel(s);
        }
    }
    return svg.finish();
}

namespace {

bool draws(const decoder::Decoded& decoded) {
    return !decoded.polygons.empty() ||
           std::any_of(decoded.segments.begin(), decoded.segments.end(),
                       [](const decoder::Segment& s) { return s.pen_down; });
}

// "N parts of SOURCE not understood as L, the first at byte B: what", with
// the next two where there are more.
std::string not_understood(const decoder::Decoded& decoded, const std::string& source,
                           const char* language) {
    const auto& problems = decoded.problems;
    std::string text = std::to_string(problems.size()) + " part" +
                       (problems.size() == 1 ? "" : "s") + " of " + source + " not understood as " +
                       language + ", the first at byte " + std::to_string(problems.front().offset) +
                       ": " + problems.front().what;
    for (std::size_t i = 1; i < std::min<std::size_t>(problems.size(), 3); ++i)
        text += "; at byte " + std::to_string(problems[i].offset) + ": " + problems[i].what;
    return text;
}

}  // namespace

std::string preview_warning(const decoder::Decoded& decoded, const std::string& source,
                            decoder::Language language) {
    const char* name = decoder::language_name(language);
    std::string warning;
    if (!decoded.problems.empty()) warning = not_understood(decoded, source, name);
    if (!draws(decoded)) {
        warning += (warning.empty() ? "" : "; ") + std::string("the preview of ") + source +
                   " shows nothing drawn as " + name;
    }
    return warning;
}

std::string preview_refusal(const decoder::Decoded& decoded, const std::string& source,
                            decoder::Language language) {
    const char* name = decoder::language_name(language);
    if (decoded.commands == 0) {
        return source + " holds no " + name + " plotter command at all" +
               (decoded.problems.empty() ? std::string()
                                         : ", the first byte not understood at byte " +
                                               std::to_string(decoded.problems.front().offset));
    }
    if (!draws(decoded) && !decoded.problems.empty()) {
        return source + " is not a " + name +
               " plotter stream: " + not_understood(decoded, source, name) +
               ", and nothing is drawn";
    }
    return "";
}

void save_svg(const std::string& path, const decoder::Decoded& decoded,
              const SvgOptions& options) {
    write_whole_file(path, render_svg(decoded, options), "the preview");
}

}  // namespace tvk::host
