#include "host/preview/svg_preview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <sstream>

#include "host/ports/files.h"

namespace tvk::host {
namespace {

using decoder::Point;
using decoder::Polygon;
using decoder::Segment;

// Pen n in the colour of AutoCAD colour n, which the default pen table sends
// to it (yellow darkened to show on white); more pens repeat them.
constexpr const char* kPenColours[] = {"#e00000", "#c8a000", "#00a000", "#00a0c0",
                                       "#0000e0", "#c000c0", "#000000", "#808080"};

const char* pen_colour(int pen) {
    constexpr int n = static_cast<int>(std::size(kPenColours));
    return kPenColours[((pen - 1) % n + n) % n];
}

// The paper given, else the plot size, else where the stream draws.
PaperOutline paper_of(const std::optional<Point>& plot_size, DrawnBounds b, const SvgOptions& o) {
    if (o.paper) return *o.paper;
    if (plot_size) {
        return {0, 0, static_cast<double>(plot_size->x), static_cast<double>(plot_size->y)};
    }
    if (b.empty()) b.add(0, 0);
    const double margin = 5 * o.units_per_mm;
    return {b.min_x - margin, b.min_y - margin, b.max_x - b.min_x + 2 * margin,
            b.max_y - b.min_y + 2 * margin};
}

class SvgWriter {
  public:
    SvgWriter(std::ostream& out, const SvgOptions& o, const PaperOutline& paper)
        : o_(o), out_(out) {
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

    void stroke(const decoder::PenStyle& style, const std::vector<Point>& pts) {
        out_ << "<path class=\"pen" << style.pen << "\" d=\"";
        points(pts);
        out_ << "\" stroke=\"" << pen_colour(style.pen) << "\" stroke-width=\"" << width_of(style)
             << '"';
        // Broken line types shown as dashes; the plotter's exact pattern is its own.
        if (style.line_type == 1) {
            out_ << " stroke-dasharray=\"0 " << 1.5 * o_.units_per_mm << '"';
        } else if (style.line_type > 1) {
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

    void finish() {
        out_ << "</g>\n";
        // Upright, outside the flipped group: y turned by hand.
        if (!o_.numbers.empty()) {
            const double size = 2.5 * o_.units_per_mm;
            out_ << "<g class=\"numbers\" font-family=\"sans-serif\" font-size=\"" << size
                 << "\" fill=\"#cc0000\" stroke=\"#ffffff\" stroke-width=\"" << size / 8
                 << "\" paint-order=\"stroke\">\n";
            for (const PointNumber& n : o_.numbers) {
                out_ << "<text x=\"" << n.x << "\" y=\"" << -n.y << "\">" << n.number
                     << "</text>\n";
            }
            out_ << "</g>\n";
        }
        out_ << "</svg>\n";
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
    std::ostream& out_;
};

// Hands what is decoded to the functions given.
class Handler final : public decoder::DecodeSink {
  public:
    std::function<void(const Segment&)> on_segment = [](const Segment&) {};
    std::function<void(const Polygon&)> on_polygon = [](const Polygon&) {};
    void segment(const Segment& s) override { on_segment(s); }
    void polygon(const Polygon& p) override { on_polygon(p); }
};

}  // namespace

void DrawnBounds::add(double x, double y) {
    min_x = std::min(min_x, x);
    min_y = std::min(min_y, y);
    max_x = std::max(max_x, x);
    max_y = std::max(max_y, y);
}

void DrawnBounds::add(const Point& p) {
    add(static_cast<double>(p.x), static_cast<double>(p.y));
}

StreamSurvey survey_stream(std::string_view stream, decoder::Language language) {
    StreamSurvey survey;
    survey.language = language;
    Handler handler;
    handler.on_segment = [&survey](const Segment& s) {
        if (!survey.first) survey.first = s;
        if (!s.pen_down) return;
        ++survey.drawn_segments;
        survey.bounds.add(s.from);
        survey.bounds.add(s.to);
    };
    handler.on_polygon = [&survey](const Polygon& p) {
        ++survey.polygons;
        if (p.edged) ++survey.edged_polygons;
        for (const Point& v : p.vertices) survey.bounds.add(v);
    };
    survey.decoded = decoder::decode(stream, language, handler);
    return survey;
}

std::string render_svg(const decoder::Decoded& decoded, const SvgOptions& options) {
    DrawnBounds bounds;
    for (const auto& s : decoded.segments) {
        if (s.pen_down) {
            bounds.add(s.from);
            bounds.add(s.to);
        }
    }
    for (const auto& p : decoded.polygons) {
        for (const auto& v : p.vertices) bounds.add(v);
    }
    std::ostringstream out;
    SvgWriter svg(out, options, paper_of(decoded.plot_size, bounds, options));
    for (const auto& p : decoded.polygons) svg.polygon(p);
    for (const auto& line : decoder::drawn_polylines(decoded)) svg.stroke(line.style, line.points);
    if (options.travel) {
        for (const auto& s : decoded.segments) {
            if (!s.pen_down) svg.travel(s);
        }
    }
    svg.finish();
    return out.str();
}

void write_svg(std::ostream& out, std::string_view stream, const StreamSurvey& survey,
               const SvgOptions& options) {
    SvgWriter svg(out, options, paper_of(survey.decoded.plot_size, survey.bounds, options));
    // Fills under the strokes, the edges of polygons over the other strokes,
    // and the travel over all: one pass over the stream each.
    const auto pass = [&](std::function<void(const Segment&)> on_segment,
                          std::function<void(const Polygon&)> on_polygon) {
        Handler handler;
        if (on_segment) handler.on_segment = std::move(on_segment);
        if (on_polygon) handler.on_polygon = std::move(on_polygon);
        (void)decoder::decode(stream, survey.language, handler);
    };
    if (survey.polygons > 0) pass(nullptr, [&svg](const Polygon& p) { svg.polygon(p); });
    decoder::PolylineJoiner joiner(
        [&svg](const decoder::Polyline& line) { svg.stroke(line.style, line.points); });
    pass([&joiner](const Segment& s) { joiner.add(s); }, nullptr);
    joiner.finish();
    if (survey.edged_polygons > 0) {
        pass(nullptr, [&svg](const Polygon& p) {
            if (p.edged && p.vertices.size() >= 2) svg.stroke(p.style, p.vertices);
        });
    }
    if (options.travel) {
        pass(
            [&svg](const Segment& s) {
                if (!s.pen_down) svg.travel(s);
            },
            nullptr);
    }
    svg.finish();
}

namespace {

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

std::string preview_warning(const StreamSurvey& survey, const std::string& source) {
    const char* name = decoder::language_name(survey.language);
    std::string warning;
    if (!survey.decoded.problems.empty()) warning = not_understood(survey.decoded, source, name);
    if (!survey.draws()) {
        warning += (warning.empty() ? "" : "; ") + std::string("the preview of ") + source +
                   " shows nothing drawn as " + name;
    }
    if (const std::size_t labels = survey.decoded.labels; labels > 0) {
        warning += (warning.empty() ? "" : "; ") + std::to_string(labels) +
                   (labels == 1 ? " label is" : " labels are") + " not drawn in the preview of " +
                   source + " (`tvkplot plot " + source +
                   " --dry-run --preview OUT.svg` draws them)";
    }
    return warning;
}

std::string preview_refusal(const StreamSurvey& survey, const std::string& source) {
    const char* name = decoder::language_name(survey.language);
    const decoder::Decoded& decoded = survey.decoded;
    if (decoded.commands == 0) {
        return source + " holds no " + name + " plotter command at all" +
               (decoded.problems.empty() ? std::string()
                                         : ", the first byte not understood at byte " +
                                               std::to_string(decoded.problems.front().offset));
    }
    if (!survey.draws() && !decoded.problems.empty()) {
        return source + " is not a " + name +
               " plotter stream: " + not_understood(decoded, source, name) +
               ", and nothing is drawn";
    }
    return "";
}

void save_svg(const std::string& path, std::string_view stream, const StreamSurvey& survey,
              const SvgOptions& options) {
    write_file(path, "the preview",
               [&](std::ostream& out) { write_svg(out, stream, survey, options); });
}

}  // namespace tvk::host
