// What the SVG reader makes of each element it draws: entities of the drawing
// model in millimetres, with the pen (colour) and layer they are plotted with,
// clipped to the clip paths in force. Kept apart from the parser so that the
// model side is plain code.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/drawing/model/entities.h"

namespace tvk::host {

// An area that clips: the union of its shapes, each by its own fill rule, in
// drawing units.
struct SvgClipShape {
    std::vector<std::vector<Vec2>> rings;
    bool even_odd = false;
};
using SvgClip = std::vector<SvgClipShape>;

bool clip_contains(const SvgClip& clip, Vec2 p);
// The pieces of a polyline inside the clip; `spend` is told the work of
// each segment (tests of a segment or a point against a clip edge) and may
// stop it by throwing.
std::vector<std::vector<Vec2>> clip_polyline(const std::vector<Vec2>& line, const SvgClip& clip,
                                             const std::function<void(double)>& spend);
// A convex clip as one counter-clockwise ring, or nothing when it is not one.
std::optional<std::vector<Vec2>> convex_ring(const SvgClip& clip);
// A ring cut to a convex counter-clockwise ring (Sutherland-Hodgman).
std::vector<Vec2> clip_ring(const std::vector<Vec2>& ring, const std::vector<Vec2>& convex);

// Clipped shapes are flattened when read, within this many millimetres.
inline constexpr double kSvgClipTolerance = 0.01;

struct SvgDraw {
    std::optional<uint32_t> stroke;  // 0xRRGGBB
    std::optional<uint32_t> fill;
    bool even_odd = false;
    double width = 0;  // of the stroke, in millimetres
    std::string layer = "0";
    std::vector<const SvgClip*> clips;  // all apply
    std::string linetype;               // of the stroke: dashes the plot job draws
};

class SvgBuilder {
  public:
    explicit SvgBuilder(Drawing::Impl& drawing) : d_(drawing) {}

    // The traces of a shape, already in drawing units.
    void add(const std::vector<Trace>& traces, const SvgDraw& draw);
    // Something that cannot be drawn, counted where it would have been.
    void add_unsupported(const std::string& type, const std::string& layer);
    // The layer of a group, made known to the drawing.
    void add_layer(const std::string& name);
    // A font family that the stroke font stands in for.
    void add_font(const std::string& family) {
        fonts_.insert(family);
        d_.has_text = true;
    }
    const std::set<std::string>& fonts() const { return fonts_; }
    // The line-type name of strokes dashed by `dashes` (in drawing units),
    // made known to the drawing.
    std::string dash_linetype(const DashPattern& dashes);
    // A character of text that no font has (drawn as "?"), for the report.
    void count_missing(char32_t c) { ++d_.missing_characters[c]; }

  private:
    // The colour number of a colour: one per distinct colour in order of
    // appearance, so that each gets a pen of its own.
    int color_number(uint32_t rgb);
    void add_entity(Shape shape, uint32_t rgb, const std::string& layer,
                    const std::string& linetype = {});
    // Counts `steps` of clipping work; throws DrawingError beyond the limit.
    void clipping(double steps);

    Drawing::Impl& d_;
    double clip_steps_ = 0;
    std::map<uint32_t, int> numbers_;
    std::map<std::pair<std::vector<double>, double>, std::string> dash_names_;
    std::set<std::string> fonts_;
};

}  // namespace tvk::host
