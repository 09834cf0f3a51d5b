// What the pen does on the page, as entities: pen-down runs become
// polylines, a pen lowered without moving a dot, fills filled shapes; all
// clipped to the input window, in plotter units until they are stored, then
// in millimetres on the rotated page.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "host/drawing/model/entities.h"

namespace tvk::host::plotfile {

struct StrokeStyle {
    int pen = 1;  // 0: the pen is put away and draws nothing
    SharedName linetype = "CONTINUOUS";
    int32_t true_color = -1;
    double width_mm = 0;  // 0: the profile's
    friend bool operator==(const StrokeStyle&, const StrokeStyle&) = default;
};

// A line pattern as the file's plotter draws it: pen-down and pen-up
// lengths in turn, from pen down, in plotter units (a pen-down length of 0
// is a dot).
struct DashPattern {
    std::vector<double> lengths;
    bool adaptive = false;  // each vector holds whole patterns, begun afresh
    friend bool operator==(const DashPattern&, const DashPattern&) = default;
};

class PenOutput {
  public:
    // Past this many points a file draws no more: the rest is reported.
    static constexpr std::size_t kMaxPoints = 40'000'000;

    explicit PenOutput(double mm_per_unit) : mm_per_unit_(mm_per_unit) { set_rotation(0); }

    void set_entities(std::vector<Entity>* entities) {
        finish_run();
        entities_ = entities;
    }
    // RO: the page turned by 0, 90, 180 or 270 degrees; with the page's size
    // (plotter units, unturned), the origin moves to the turned page's lower
    // left corner, as HP-GL/2 moves it.
    void set_rotation(int degrees, std::optional<Vec2> page = std::nullopt);
    // Where a point of the page (millimetres) is in plotter units, and back.
    Vec2 from_page(Vec2 mm) const;
    Vec2 to_page(Vec2 p) const { return to_mm(p); }
    // IW, in plotter units; nothing for none.
    void set_window(std::optional<Box> window);
    void set_style(const StrokeStyle& style);
    const StrokeStyle& style() const { return style_; }
    // Pen-down steps drawn in this pattern from now on; none: solid.
    void set_dashes(std::optional<DashPattern> dashes);
    const std::optional<DashPattern>& dashes() const { return dashes_; }

    // A pen-down step; a step of no length lowers the pen there (a dot, unless
    // a line goes on from it).
    void draw(Vec2 from, Vec2 to);
    // The pen lowered at a point.
    void lower(Vec2 at);
    // The pen lifted: the run ends, a dot where it did not move is drawn.
    void lift();
    // Rings filled by the even-odd rule, or by the nonzero rule (FP1); the
    // window clips them.
    void fill(const std::vector<std::vector<Vec2>>& rings, bool nonzero = false);
    void finish() { lift(); }

    bool full() const { return points_ > kMaxPoints; }
    bool drew() const { return drew_; }

  private:
    void draw_solid(Vec2 from, Vec2 to);
    void draw_dashed(Vec2 from, Vec2 to);
    void dot(Vec2 at);
    void finish_run();
    void add_point(Vec2 p);
    Vec2 to_mm(Vec2 p) const { return frame_.apply(p); }
    bool inside(Vec2 p) const;

    double mm_per_unit_;
    Affine frame_;
    std::optional<Box> window_;
    StrokeStyle style_;
    std::vector<Entity>* entities_ = nullptr;
    std::vector<Vec2> run_;        // in millimetres
    std::optional<Vec2> run_end_;  // in plotter units
    std::optional<Vec2> dot_;      // the pen is down here and has not moved
    std::optional<DashPattern> dashes_;
    // Where the pattern stands: its element, how far into it, and where the
    // last dashed step ended (a step from elsewhere begins the pattern anew).
    std::size_t dash_element_ = 0;
    double dash_into_ = 0;
    std::optional<Vec2> dash_end_;
    std::size_t points_ = 0;
    bool drew_ = false;
};

}  // namespace tvk::host::plotfile
