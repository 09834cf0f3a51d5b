// HP-GL and HP-GL/2 instructions applied in order to the graphics state,
// drawing through PenOutput. Its parts live in vectors.cpp, polygons.cpp,
// line_types.cpp and labels.cpp; the state and the rest here.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/drawing/model/entities.h"
#include "host/drawing/plotfile/instructions.h"
#include "host/drawing/plotfile/pen_output.h"

namespace tvk::host {
class StrokeFont;
}

namespace tvk::host::plotfile {

// An HP-GL/2 font (SD, the standard one, or AD, the alternate): pitch in
// characters per inch and height in points, the font's size when no SI or
// SR is in force; the nearest stroke font.
struct FontDefinition {
    double pitch = 9, points = 11.5;
    bool proportional = false;
    bool italic = false;
    const StrokeFont* font = nullptr;
};

// The label state: size, direction, slant, origin, spacing, sets and font.
struct LabelState {
    enum class Size { kFont, kAbsolute, kRelative } size = Size::kRelative;
    double size_x = 0.75, size_y = 1.5;  // SI centimetres or SR percentages
    bool relative_direction = false;
    double run = 1, rise = 0;                // DI or DR
    double slant = 0;                        // SL: the tangent
    int path = 0;                            // DV: 0 right, 1 down, 2 left, 3 up the page
    bool line_up = false;                    // DV: lines fed the other way
    int origin = 1;                          // LO
    double extra_space = 0, extra_line = 0;  // ES
    int standard_set = 0, alternate_set = 0;
    bool alternate = false;    // SO shifted, or SA
    bool transparent = false;  // TD1: control characters are characters
    // LM: labels of two-byte characters (mode 1), or of one byte in a row of
    // a two-byte font (row > 0); no stroke font has such characters.
    bool two_byte = false;
    int row = 0;
    FontDefinition standard_font, alternate_font;  // SD, AD
    // The font labels are drawn in: the alternate one after SA.
    const FontDefinition& font() const { return alternate ? alternate_font : standard_font; }
    std::string buffered;  // BL
    Vec2 line_start;       // where CR returns to, plotter units
};

// What the interpreter found that draws but is not drawn, by name.
struct NotDrawn {
    std::size_t offset = 0;
    int count = 0;
};

class Interpreter {
  public:
    Interpreter(bool hpgl2, double units_per_inch, Drawing::Impl& drawing);

    // The instructions of the bytes, in order.
    void run(std::string_view bytes);

    // The pages drawn on (PG, FR, AF start the next): their entities.
    std::deque<std::vector<Entity>>& pages() { return pages_; }
    const std::map<std::string, NotDrawn>& not_drawn() const { return not_drawn_; }
    bool truncated() const { return output_.full(); }
    // VS: the speed the file asks of each pen, cm/s (pen 0: every pen).
    const std::map<int, double>& pen_speeds() const { return pen_speeds_; }
    bool line_attributes() const { return line_attributes_; }  // LA was given

  private:
    // ---- state (interpreter.cpp) ----
    void initialise(bool full);
    void apply(const Instruction& in);
    void not_drawn(const Instruction& in);
    void update_scaling();
    // The window the pen draws in: IW's, and under HP-GL/2 within PS's page.
    void update_window();
    void new_page();
    void set_style();
    Vec2 to_plotter(Vec2 user) const { return user_to_plotter_.apply(user); }
    Vec2 to_plotter_vector(Vec2 user) const { return user_to_plotter_.apply_vector(user); }
    Vec2 to_user(Vec2 plotter) const;
    double units_per_cm() const { return units_per_inch_ / 2.54; }

    // ---- line_types.cpp ----
    void line_type_instruction(const Instruction& in);
    std::optional<DashPattern> dash_pattern() const;
    // The drawing's line type for a pattern of one length, named for it.
    std::string dash_line_type(const DashPattern& dashes);

    // ---- vectors.cpp ----
    void vector_instruction(const Instruction& in);
    void move_to(Vec2 plotter, bool down);
    void plot_points(const std::vector<double>& v, bool relative);
    void polyline_encoded(const std::string& body);
    // Chords of an arc about `center` (user units) from the current point.
    void arc(Vec2 center_user, double sweep_degrees, std::optional<double> chord, bool down);
    void circle(double radius, std::optional<double> chord);
    void three_point_arc(Vec2 through, Vec2 end, std::optional<double> chord);
    void bezier(const std::vector<double>& v, bool relative);
    double chord_degrees(std::optional<double> chord, double radius_plotter) const;
    std::vector<Vec2> arc_points(Vec2 center_user, Vec2 start_user, double sweep_degrees,
                                 std::optional<double> chord) const;

    // ---- polygons.cpp ----
    void polygon_instruction(const Instruction& in);
    void polygon_point(Vec2 plotter, bool down);
    void close_subpolygon();
    void fill_rings(const std::vector<std::vector<Vec2>>& rings, bool nonzero = false);
    void edge_rings(const std::vector<std::vector<Vec2>>& rings);
    void hatch(const std::vector<std::vector<Vec2>>& rings, double spacing, double degrees);
    void rectangle(Vec2 corner_user, bool fill);
    void wedge(const std::vector<double>& v, bool fill);

    // ---- labels.cpp ----
    void label_instruction(const Instruction& in);
    void label(const std::string& text);
    void symbol(Vec2 at);
    Vec2 character_size() const;  // width and cap height, plotter units
    Vec2 direction() const;
    // One character on along the text path (DV), and one line feed.
    Vec2 path_step(double advance, double feed) const;
    Vec2 line_step(double advance, double feed) const;
    void user_character(const std::vector<double>& v);  // UC

    // ---- the graphics state ----
    bool hpgl2_;
    double units_per_inch_;
    Drawing::Impl& drawing_;
    PenOutput output_;
    std::deque<std::vector<Entity>> pages_;

    Vec2 default_p1_, default_p2_;
    Vec2 p1_, p2_;
    struct Scaling {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        int type = 0;
        double left = 50, bottom = 50;
    };
    std::optional<Scaling> scaling_;
    Affine user_to_plotter_;
    int rotation_ = 0;
    std::optional<Box> window_user_;  // IW, in plotter units where it was given
    bool window_given_ = false;       // IW since IN, with or without a window
    std::optional<Vec2> page_size_;   // PS: length and width, plotter units

    Vec2 position_;  // plotter units
    bool pen_down_ = false;
    bool relative_ = false;
    int pen_ = 1;
    std::map<int, int32_t> pen_colours_;
    std::map<int, double> pen_widths_;  // PW, millimetres
    bool width_relative_ = false;       // WU1
    struct LineType {
        int type = 0;       // 0 with `set`: dots where vectors end; else solid
        bool set = false;   // LT with a number
        double length = 4;  // percent of the P1-P2 diagonal, or millimetres
        bool absolute = false;
    };
    LineType line_type_;
    std::optional<LineType> previous_line_type_;        // for LT99
    std::map<int, std::vector<double>> user_patterns_;  // UL, percentages
    bool chord_deviation_ = false;                      // CT1
    int fill_type_ = 1;
    double fill_spacing_ = 0, fill_angle_ = 0;
    std::optional<char> symbol_;  // SM

    bool polygon_mode_ = false;
    std::vector<std::vector<Vec2>> polygon_;        // subpolygons, plotter units
    std::vector<std::vector<bool>> polygon_edges_;  // whether each edge was drawn

    double tick_plus_ = 0.5, tick_minus_ = 0.5;  // TL, percent

    std::map<int, double> pen_speeds_;
    bool line_attributes_ = false;

    LabelState labels_;
    std::map<std::string, NotDrawn> not_drawn_;
};

}  // namespace tvk::host::plotfile
