#include "host/drawing/plotfile/interpreter.h"

#include <algorithm>
#include <cmath>

#include "host/drawing/text/stroke_font.h"

namespace tvk::host::plotfile {
Interpreter::Interpreter(bool hpgl2, double units_per_inch, Drawing::Impl& drawing)
    : hpgl2_(hpgl2),
      units_per_inch_(units_per_inch),
      drawing_(drawing),
      output_(25.4 / units_per_inch) {
    // The plotting area of a pen plotter of 40 units a millimetre on A4 or
    // letter paper; HP-GL/2 puts P1 at the origin.
    const double f = units_per_inch / 1016;
    default_p1_ = hpgl2 ? Vec2{0, 0} : Vec2{250 * f, 596 * f};
    default_p2_ = default_p1_ + Vec2{10000 * f, 7200 * f};
    pages_.emplace_back();
    output_.set_entities(&pages_.back());
    initialise(true);
}

void Interpreter::initialise(bool full) {
    if (full) {
        rotation_ = 0;
        output_.set_rotation(0, page_size_);
        p1_ = default_p1_;
        p2_ = default_p2_;
        relative_ = false;
        pen_colours_.clear();
        pen_widths_.clear();
        width_relative_ = false;
        output_.lift();
        pen_down_ = false;
    }
    scaling_.reset();
    window_user_.reset();
    window_given_ = false;
    update_window();
    update_scaling();
    line_type_ = LineType{};
    previous_line_type_.reset();
    user_patterns_.clear();
    chord_deviation_ = false;
    fill_type_ = 1;
    fill_spacing_ = 0;
    fill_angle_ = 0;
    symbol_.reset();
    polygon_mode_ = false;
    polygon_.clear();
    polygon_edges_.clear();
    tick_plus_ = tick_minus_ = 0.5;
    labels_ = LabelState{};
    labels_.standard_font.font = labels_.alternate_font.font = &StrokeFont::standard();
    if (hpgl2_) labels_.size = LabelState::Size::kFont;
    labels_.line_start = position_;
    set_style();
}

void Interpreter::run(std::string_view bytes) {
    InstructionReader reader(bytes);
    Instruction in;
    while (!output_.full() && reader.next(in)) apply(in);
    if (polygon_mode_) polygon_mode_ = false;
    output_.finish();
}

Vec2 Interpreter::to_user(Vec2 plotter) const {
    return user_to_plotter_.unapply(plotter);
}

void Interpreter::update_scaling() {
    user_to_plotter_ = Affine{};
    if (scaling_) {
        const Scaling& s = *scaling_;
        const Vec2 span = p2_ - p1_;
        if (s.type == 2) {
            if (s.x2 != 0 && s.y2 != 0)
                user_to_plotter_ = Affine::translate(p1_) * Affine::scale(s.x2, s.y2) *
                                   Affine::translate({-s.x1, -s.y1});
        } else if (s.x2 != s.x1 && s.y2 != s.y1) {
            double sx = span.x / (s.x2 - s.x1);
            double sy = span.y / (s.y2 - s.y1);
            Vec2 origin = p1_;
            if (s.type == 1) {
                const double k = std::min(std::abs(sx), std::abs(sy));
                sx = std::copysign(k, sx);
                sy = std::copysign(k, sy);
                origin = origin + Vec2{s.left / 100 * (span.x - sx * (s.x2 - s.x1)),
                                       s.bottom / 100 * (span.y - sy * (s.y2 - s.y1))};
            }
            if (std::isfinite(sx) && std::isfinite(sy) && sx != 0 && sy != 0)
                user_to_plotter_ = Affine::translate(origin) * Affine::scale(sx, sy) *
                                   Affine::translate({-s.x1, -s.y1});
        }
    }
}

void Interpreter::update_window() {
    std::optional<Box> window = window_user_;
    if (hpgl2_ && page_size_ && window_given_) {
        // IW's window lies within the hard-clip limits of the page PS sets,
        // which turn with the coordinate system; IW alone is the page. (Where
        // a file gives no window, what it draws beyond its page is kept: the
        // plot's own paper decides what is cut off, and says so.)
        const bool across = rotation_ == 90 || rotation_ == 270;
        const Vec2 size = across ? Vec2{page_size_->y, page_size_->x} : *page_size_;
        Box page;
        page.add(Vec2{0, 0});
        page.add(size);
        if (window) {
            Box both;
            both.min_x = std::max(window->min_x, page.min_x);
            both.min_y = std::max(window->min_y, page.min_y);
            both.max_x = std::min(window->max_x, page.max_x);
            both.max_y = std::min(window->max_y, page.max_y);
            page = both;
        }
        window = page;
    }
    output_.set_window(window);
}

void Interpreter::set_style() {
    StrokeStyle style;
    style.pen = pen_;
    if (auto c = pen_colours_.find(pen_); c != pen_colours_.end()) style.true_color = c->second;
    if (auto w = pen_widths_.find(pen_); w != pen_widths_.end()) {
        style.width_mm = w->second;
    } else if (auto all = pen_widths_.find(-1); all != pen_widths_.end()) {
        style.width_mm = all->second;
    }
    std::optional<DashPattern> dashes = dash_pattern();
    // A pattern of one length throughout goes with the line as a line type
    // of the drawing: the plot sends the target plotter's own pattern where
    // it has one of that shape and size, and cuts the dashes otherwise. An
    // adaptive pattern fits each vector, so it is cut here.
    if (dashes && !dashes->adaptive) {
        style.linetype = dash_line_type(*dashes);
        dashes.reset();
    }
    output_.set_style(style);
    output_.set_dashes(std::move(dashes));
}

std::string Interpreter::dash_line_type(const DashPattern& dashes) {
    host::DashPattern pattern;
    for (const double units : dashes.lengths)
        pattern.lengths.push_back(units * 25.4 / units_per_inch_);
    for (const auto& [name, known] : drawing_.dash_patterns) {
        if (known.lengths == pattern.lengths && known.offset == 0) return name;
    }
    std::string name = "PLOT-FILE-DASHES-" + std::to_string(drawing_.dash_patterns.size() + 1);
    drawing_.dash_patterns.emplace(name, std::move(pattern));
    return name;
}

void Interpreter::new_page() {
    output_.lift();
    if (pages_.back().empty()) return;
    pages_.emplace_back();
    output_.set_entities(&pages_.back());
}

void Interpreter::not_drawn(const Instruction& in) {
    NotDrawn& n = not_drawn_[in.name];
    if (n.count++ == 0) n.offset = in.offset;
}

void Interpreter::apply(const Instruction& in) {
    const std::string& n = in.name;
    const std::vector<double>& v = in.numbers;
    if (n.size() != 2) return;  // escapes, PCL and bytes of no instruction
    if (n == "PA" || n == "PR" || n == "PU" || n == "PD" || n == "PE" || n == "CI" || n == "AA" ||
        n == "AR" || n == "AT" || n == "RT" || n == "BZ" || n == "BR" || n == "XT" || n == "YT") {
        vector_instruction(in);
    } else if (n == "PM" || n == "EP" || n == "FP" || n == "EA" || n == "ER" || n == "RA" ||
               n == "RR" || n == "WG" || n == "EW" || n == "FT") {
        polygon_instruction(in);
    } else if (n == "LB" || n == "BL" || n == "PB" || n == "DT" || n == "SI" || n == "SR" ||
               n == "DI" || n == "DR" || n == "SL" || n == "LO" || n == "ES" || n == "CP" ||
               n == "CS" || n == "CA" || n == "SS" || n == "SA" || n == "TD" || n == "SD" ||
               n == "AD" || n == "LM" || n == "SM" || n == "DV" || n == "UC") {
        label_instruction(in);
    } else if (n == "IN") {
        initialise(true);
    } else if (n == "DF") {
        initialise(false);
    } else if (n == "IP" || n == "IR") {
        const bool percent = n == "IR";
        const auto at = [&](double px, double py) {
            if (!percent) return Vec2{px, py};
            return default_p1_ + Vec2{px / 100 * (default_p2_.x - default_p1_.x),
                                      py / 100 * (default_p2_.y - default_p1_.y)};
        };
        if (v.size() >= 2) {
            const Vec2 span = p2_ - p1_;
            p1_ = at(v[0], v[1]);
            p2_ = v.size() >= 4 ? at(v[2], v[3]) : p1_ + span;
        } else {
            p1_ = default_p1_;
            p2_ = default_p2_;
        }
        update_scaling();
        set_style();  // the pattern length follows the diagonal
    } else if (n == "SC") {
        if (v.size() >= 4) {
            Scaling s{v[0], v[1], v[2], v[3]};
            if (v.size() >= 5) s.type = static_cast<int>(v[4]);
            if (s.type == 1 && v.size() >= 7) s.left = v[5], s.bottom = v[6];
            if (s.type < 0 || s.type > 2) s.type = 0;
            scaling_ = s;
        } else {
            scaling_.reset();
        }
        update_scaling();
    } else if (n == "RO") {
        const int degrees = v.empty() ? 0 : static_cast<int>(v[0]);
        if (degrees % 90 == 0 && degrees >= 0 && degrees <= 270 && degrees != rotation_) {
            output_.lift();
            // The pen stays where it is on the page; its coordinates turn.
            const Vec2 on_page = output_.to_page(position_);
            rotation_ = degrees;
            // HP-GL/2 puts the origin at the turned page's lower left.
            output_.set_rotation(
                degrees, hpgl2_
                             ? std::optional<Vec2>(page_size_.value_or(default_p2_ - default_p1_))
                             : std::nullopt);
            position_ = output_.from_page(on_page);
            update_window();
        }
    } else if (n == "IW") {
        if (v.size() >= 4) {
            const Vec2 a = to_plotter({v[0], v[1]});
            const Vec2 b = to_plotter({v[2], v[3]});
            Box box;
            box.add(a);
            box.add(b);
            window_user_ = box;
        } else {
            window_user_.reset();
        }
        window_given_ = true;
        update_window();
    } else if (n == "PS") {
        if (v.size() >= 1 && v[0] > 0) {
            // The plotter's X axis runs along the longer side of its paper.
            const double length = v[0], width = v.size() >= 2 && v[1] > 0 ? v[1] : v[0];
            default_p1_ = {0, 0};
            default_p2_ = {std::max(length, width), std::min(length, width)};
            p1_ = default_p1_;
            p2_ = default_p2_;
            page_size_ = default_p2_;
            if (rotation_ != 0) {
                // The turned page's corner moves with the page.
                const Vec2 on_page = output_.to_page(position_);
                output_.set_rotation(rotation_, page_size_);
                position_ = output_.from_page(on_page);
            }
            update_scaling();
            update_window();
        }
    } else if (n == "SP") {
        pen_ = v.empty() ? 0 : std::clamp(static_cast<int>(v[0]), 0, 1 << 15);
        set_style();
    } else if (n == "LT" || n == "UL") {
        line_type_instruction(in);
    } else if (n == "PW") {
        const double w = v.empty() ? 0 : v[0];
        double mm = w;
        if (width_relative_) mm = w / 100 * length(p2_ - p1_) * 25.4 / units_per_inch_;
        mm = std::clamp(mm, 0.0, 50.0);
        if (v.size() >= 2) {
            pen_widths_[static_cast<int>(v[1])] = mm;
        } else {
            pen_widths_.clear();
            if (!v.empty()) pen_widths_[-1] = mm;
        }
        set_style();
    } else if (n == "VS") {
        if (v.empty()) {
            pen_speeds_.clear();
        } else if (v[0] > 0) {
            if (v.size() < 2) pen_speeds_.clear();
            pen_speeds_[v.size() >= 2 ? std::max(0, static_cast<int>(v[1])) : 0] =
                std::min(v[0], 1e4);
        }
    } else if (n == "LA") {
        line_attributes_ = line_attributes_ || !v.empty();
    } else if (n == "WU") {
        width_relative_ = !v.empty() && v[0] == 1;
    } else if (n == "PC") {
        if (v.size() >= 4) {
            const auto c = [](double x) {
                return static_cast<int>(std::clamp(x, 0.0, 255.0) + 0.5);
            };
            pen_colours_[static_cast<int>(v[0])] = c(v[1]) << 16 | c(v[2]) << 8 | c(v[3]);
        } else if (v.size() == 1) {
            pen_colours_.erase(static_cast<int>(v[0]));
        } else {
            pen_colours_.clear();
        }
        set_style();
    } else if (n == "CT") {
        chord_deviation_ = !v.empty() && v[0] == 1;
    } else if (n == "TL") {
        tick_plus_ = v.empty() ? 0.5 : v[0];
        tick_minus_ = v.size() >= 2 ? v[1] : (v.empty() ? 0.5 : 0);
    } else if (n == "PG" || n == "FR" || n == "AF" || n == "AH") {
        new_page();
    }
    // The rest draws nothing: output, queries, configuration, colour ranges.
}

}  // namespace tvk::host::plotfile
