// Turns a plotter stream in one of the four command languages, as this driver
// writes them, back into absolute pen-up and pen-down segments per pen.
//
// The tests use it to check that a plot decodes to exactly the drawing that
// was requested; the host program uses it for its preview. Positions are in
// plotter units. The plotter's own origin is (0, 0) where the stream begins;
// absolute commands ("PA", VTX-GL "M") place the pen relative to it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvk::decoder {

enum class Language { kVtxGl, kTkGl1, kTkGl2, kTkGl3 };

// "VTX-GL", "TK-GL1", "TK-GL2", "TK-GL3"; nothing for any other name.
std::optional<Language> language_from_name(std::string_view name);
const char* language_name(Language language);

struct Point {
    int64_t x = 0;
    int64_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// What the plotter draws with at a given moment.
struct PenStyle {
    int pen = 0;                // last pen selected ("SP", "J"); 0 before any or after "SP;"
    int line_type = 0;          // 0 continuous; n for "LTn,..", "LT-n,.." and "L-n"
    double pattern_length = 0;  // HP-GL pattern length, or the VTX-GL "B" value
    double width_mm = -1;       // last "PW" width in millimetres; below 0 before any
    int velocity = 0;           // last "VS"; 0 before any
    friend bool operator==(const PenStyle&, const PenStyle&) = default;
};

// One coordinate step of the pen, in stream order.
struct Segment {
    Point from;
    Point to;
    bool pen_down = false;
    PenStyle style;
};

// An outline collected in polygon mode ("PM0" to "PM2"), with what was done
// with it afterwards.
struct Polygon {
    // The pen position at "PM0", then every point the outline visited; the
    // driver closes its outlines, so the last point equals the first.
    std::vector<Point> vertices;
    bool filled = false;  // "FP" followed
    bool edged = false;   // "EP" followed
    PenStyle style;       // the style when it was filled or edged
};

// Something in the stream this decoder does not understand, or a malformed
// command: where it starts and what it is.
struct Problem {
    std::size_t offset = 0;
    std::string what;
};

struct Decoded {
    // Every move and draw, pen-up and pen-down, zero-length ones included
    // (a "PE" pen-up flag spent on a zero move, a VTX-GL "R0,0" lift). The
    // outline steps of polygon mode are not here but in `polygons`.
    std::vector<Segment> segments;
    std::vector<Polygon> polygons;
    Point end_position;
    std::optional<Point> plot_size;  // "PS x,y"
    int replots = 0;                 // "RPn": copies after the first
    // Commands that draw nothing, in order, as they stood ("IN", "WU0", "BP",
    // device-control sequences, ...). Useful to check openings and closings.
    std::vector<std::string> other_commands;
    std::vector<Problem> problems;  // empty for a well-formed stream
    // Labels ("LB"): their text is passed over up to its terminator ("DT"),
    // and not drawn.
    std::size_t labels = 0;
    // Commands read (mnemonics, VTX-GL letters, escape sequences), understood
    // or not: none means the bytes hold no plotter command at all.
    std::size_t commands = 0;
};

Decoded decode(std::string_view bytes, Language language);

// Takes the pen movements and polygons of a stream as they are decoded.
class DecodeSink {
  public:
    virtual ~DecodeSink() = default;
    virtual void segment(const Segment&) {}
    // A polygon once no later command can change it, in the order of
    // `Decoded::polygons`.
    virtual void polygon(const Polygon&) {}
};

// As decode(), but every segment and polygon goes to `sink` instead of into
// the result, whose `segments` and `polygons` stay empty. Nothing of them is
// kept, so there is no limit to their number; a preview of a large plot holds
// no more than one polygon of it at a time.
Decoded decode(std::string_view bytes, Language language, DecodeSink& sink);

// A pen-down path, in plotter units.
struct Polyline {
    PenStyle style;
    std::vector<Point> points;  // two or more
};

// Joins pen-down segments, fed in stream order, into polylines as
// drawn_polylines() does, handing on each one once it is complete.
class PolylineJoiner {
  public:
    explicit PolylineJoiner(std::function<void(const Polyline&)> done) : done_(std::move(done)) {}
    void add(const Segment& segment);
    void finish();  // hands on the last polyline

  private:
    std::function<void(const Polyline&)> done_;
    Polyline current_;
    bool open_ = false;      // current_ holds a polyline not yet handed on
    bool joinable_ = false;  // no pen-up movement since it was last extended
};

// The pen-down segments joined into polylines wherever one starts where the
// previous one ended with the same style; polygon outlines that were edged
// become closed polylines too. This is everything the plotter draws, apart
// from the fill of filled polygons.
std::vector<Polyline> drawn_polylines(const Decoded& decoded);

// Only the pen-down segments, in stream order.
std::vector<Segment> drawn_segments(const Decoded& decoded);

}  // namespace tvk::decoder
