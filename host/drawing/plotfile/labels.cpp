// Labels drawn in the stroke fonts with their state: size (SI, SR, or the
// font's of SD), direction (DI, DR), slant, origin, extra spacing, character
// moves, character sets and the control characters of a label.
#include <algorithm>
#include <cmath>

#include "host/drawing/plotfile/character_sets.h"
#include "host/drawing/plotfile/interpreter.h"
#include "host/drawing/text/font_families.h"
#include "host/drawing/text/stroke_font.h"

namespace tvk::host::plotfile {
namespace {

// A stick character's width against its cap height (0.19 by 0.27 cm): the
// glyphs of the stroke fonts are made this wide for a character width.
constexpr double kGlyphAspect = 0.19 / 0.27;
// The body of a fixed-pitch character takes two thirds of its cell.
constexpr double kCellPerWidth = 1.5;
// The cap height of a font of a given point size.
constexpr double kCapPerPoint = 0.7;
// The slant of an italic font (SD posture).
constexpr double kItalicSlant = 0.2;

constexpr char kBackspace = 8, kLineFeed = 10, kCarriageReturn = 13;
constexpr char kShiftOut = 14, kShiftIn = 15;

const StrokeFont& typeface_font(int typeface) {
    switch (typeface) {
        case 5:     // Times Roman
        case 4101:  // CG Times
        case 4113:
            return family_font(font_family("Times New Roman"));
        default:  // stick, arc, and the sans-serif faces
            return StrokeFont::standard();
    }
}

}  // namespace

Vec2 Interpreter::character_size() const {
    const LabelState& l = labels_;
    switch (l.size) {
        case LabelState::Size::kAbsolute:
            return {l.size_x * units_per_cm(), l.size_y * units_per_cm()};
        case LabelState::Size::kRelative:
            return {l.size_x / 100 * std::abs(p2_.x - p1_.x),
                    l.size_y / 100 * std::abs(p2_.y - p1_.y)};
        case LabelState::Size::kFont:
            break;
    }
    const FontDefinition& f = l.font();
    const double cap = f.points / 72 * units_per_inch_ * kCapPerPoint;
    const double width = f.proportional || !(f.pitch > 0)
                             ? cap * kGlyphAspect
                             : units_per_inch_ / f.pitch / kCellPerWidth;
    return {width, cap};
}

Vec2 Interpreter::direction() const {
    Vec2 d{labels_.run, labels_.rise};
    if (labels_.relative_direction)
        d = {labels_.run / 100 * (p2_.x - p1_.x), labels_.rise / 100 * (p2_.y - p1_.y)};
    const double n = length(d);
    if (!(n > 0) || !std::isfinite(n)) return {1, 0};
    return (1 / n) * d;
}

void Interpreter::label_instruction(const Instruction& in) {
    const std::string& n = in.name;
    const std::vector<double>& v = in.numbers;
    LabelState& l = labels_;
    if ((n == "LB" || n == "PB") && (l.two_byte || l.row != 0)) {
        // Characters of a two-byte font: none is drawn, each is counted.
        const std::string& text = n == "LB" ? in.text : l.buffered;
        std::size_t characters = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (static_cast<unsigned char>(text[i]) <= ' ') continue;
            ++characters;
            if (l.two_byte) ++i;
        }
        Instruction counted = in;
        counted.name = "LB (two-byte characters, LM)";
        for (std::size_t i = 0; i < characters; ++i) not_drawn(counted);
    } else if (n == "LB") {
        label(in.text);
    } else if (n == "BL") {
        l.buffered = in.text;
    } else if (n == "PB") {
        label(l.buffered);
    } else if (n == "LM") {
        l.two_byte = !v.empty() && static_cast<int>(v[0]) == 1;
        l.row = v.size() > 1 && !l.two_byte ? std::clamp(static_cast<int>(v[1]), 0, 255) : 0;
    } else if (n == "SI" || n == "SR") {
        const bool relative = n == "SR";
        if (v.size() >= 2) {
            l.size = relative ? LabelState::Size::kRelative : LabelState::Size::kAbsolute;
            l.size_x = v[0];
            l.size_y = v[1];
        } else if (relative || !hpgl2_) {
            l.size = relative ? LabelState::Size::kRelative : LabelState::Size::kAbsolute;
            l.size_x = relative ? 0.75 : 0.19;
            l.size_y = relative ? 1.5 : 0.27;
        } else {
            l.size = LabelState::Size::kFont;
        }
    } else if (n == "DI" || n == "DR") {
        l.relative_direction = n == "DR";
        l.run = v.size() >= 2 ? v[0] : 1;
        l.rise = v.size() >= 2 ? v[1] : 0;
    } else if (n == "SL") {
        l.slant = v.empty() ? 0 : std::clamp(v[0], -100.0, 100.0);
    } else if (n == "LO") {
        // HP-GL/2's 21 (the PCL cursor's origin) stands as 1 does where there
        // is no PCL page; a position no plotter has leaves the origin as it was.
        const int origin = v.empty() ? 1 : static_cast<int>(v[0]);
        if ((origin >= 1 && origin <= 9) || (origin >= 11 && origin <= 19)) l.origin = origin;
        if (origin == 21 && hpgl2_) l.origin = 1;
    } else if (n == "ES") {
        l.extra_space = v.empty() ? 0 : std::clamp(v[0], -100.0, 100.0);
        l.extra_line = v.size() >= 2 ? std::clamp(v[1], -100.0, 100.0) : 0;
    } else if (n == "CP") {
        const Vec2 size = character_size();
        const double advance = kCellPerWidth * size.x * (1 + l.extra_space);
        const double feed = 2 * size.y * (1 + l.extra_line);
        const Vec2 step = path_step(advance, feed), line = line_step(advance, feed);
        if (v.size() >= 2) {
            const double spaces = std::clamp(v[0], -1e6, 1e6), lines = std::clamp(v[1], -1e6, 1e6);
            position_ = position_ + spaces * step - lines * line;
        } else {
            l.line_start = l.line_start + line;
            position_ = l.line_start;
        }
        output_.lift();
    } else if (n == "DV") {
        const int path = v.empty() ? 0 : static_cast<int>(v[0]);
        if (path >= 0 && path <= 3) l.path = path;
        l.line_up = v.size() >= 2 && v[1] == 1;
    } else if (n == "UC") {
        user_character(v);
    } else if (n == "CS" || n == "CA") {
        (n == "CS" ? l.standard_set : l.alternate_set) = v.empty() ? 0 : static_cast<int>(v[0]);
    } else if (n == "SS" || n == "SA") {
        l.alternate = n == "SA";
    } else if (n == "TD") {
        l.transparent = !v.empty() && v[0] == 1;
    } else if (n == "SD" || n == "AD") {
        const bool standard = n == "SD";
        FontDefinition& f = standard ? l.standard_font : l.alternate_font;
        if (v.empty()) {
            f = FontDefinition{};
            f.font = &StrokeFont::standard();
            (standard ? l.standard_set : l.alternate_set) = 0;  // the default set
        }
        for (std::size_t k = 0; k + 1 < v.size(); k += 2) {
            const int kind = static_cast<int>(v[k]);
            const double value = v[k + 1];
            if (kind == 1) (standard ? l.standard_set : l.alternate_set) = static_cast<int>(value);
            if (kind == 2) f.proportional = value == 1;
            if (kind == 3 && value > 0) f.pitch = std::min(value, 1e4);
            if (kind == 4 && value > 0) f.points = std::min(value, 1e4);
            if (kind == 5) f.italic = value == 1 || value == 2;
            if (kind == 7) f.font = &typeface_font(static_cast<int>(value));
        }
    } else if (n == "SM") {
        symbol_.reset();
        if (!in.text.empty() && static_cast<unsigned char>(in.text[0]) > ' ') symbol_ = in.text[0];
    }
    // DT is followed by the instruction reader.
}

Vec2 Interpreter::path_step(double advance, double feed) const {
    const Vec2 dir = direction(), up{-dir.y, dir.x};
    switch (labels_.path) {
        case 1:  // down the page
            return -feed * up;
        case 2:  // right to left
            return -advance * dir;
        case 3:  // up the page
            return feed * up;
        default:
            return advance * dir;
    }
}

Vec2 Interpreter::line_step(double advance, double feed) const {
    // A quarter turn clockwise from the path, or anticlockwise with DV's line 1.
    const Vec2 path = path_step(advance, feed);
    const bool across = labels_.path == 1 || labels_.path == 3;
    const double scale = length(path) > 0 ? (across ? advance : feed) / length(path) : 0;
    const Vec2 turned = scale * Vec2{path.y, -path.x};
    return labels_.line_up ? -1 * turned : turned;
}

void Interpreter::user_character(const std::vector<double>& v) {
    if (polygon_mode_) return;
    // The character body is 4 grid units wide and 8 high, as the stick
    // characters' are; 99 and above lowers the pen, -99 and below lifts it.
    const Vec2 size = character_size();
    const Vec2 dir = direction(), up{-dir.y, dir.x};
    const double gx = size.x / 4, gy = size.y / 8;
    const double slant = labels_.slant + (labels_.font().italic ? kItalicSlant : 0);
    const Vec2 start = position_;
    const auto at = [&](Vec2 g) {
        return start + (g.x * gx + g.y * gy * slant) * dir + (g.y * gy) * up;
    };
    StrokeStyle style = output_.style();
    style.linetype = "CONTINUOUS";
    output_.set_style(style);
    output_.set_dashes(std::nullopt);
    output_.lift();
    Vec2 g{0, 0};
    bool down = false;
    for (std::size_t k = 0; k < v.size() && !output_.full(); ++k) {
        if (v[k] >= 99 || v[k] <= -99) {
            down = v[k] >= 99;
            if (down) {
                output_.lower(at(g));
            } else {
                output_.lift();
            }
            continue;
        }
        if (k + 1 >= v.size()) break;
        const Vec2 next =
            g + Vec2{std::clamp(v[k], -98.0, 98.0), std::clamp(v[k + 1], -98.0, 98.0)};
        ++k;
        if (down) output_.draw(at(g), at(next));
        g = next;
    }
    output_.lift();
    drawing_.has_text = true;
    // The pen goes on to the next character's place.
    const double advance = kCellPerWidth * size.x * (1 + labels_.extra_space);
    position_ = start + path_step(advance, 2 * size.y * (1 + labels_.extra_line));
    set_style();
}

void Interpreter::symbol(Vec2 at) {
    // Centred on the point; the label's own state stays as it was.
    const int origin = labels_.origin;
    const Vec2 line_start = labels_.line_start;
    const bool alternate = labels_.alternate;
    const bool down = pen_down_;
    labels_.origin = 5;
    label(std::string(1, *symbol_));
    labels_.origin = origin;
    labels_.line_start = line_start;
    labels_.alternate = alternate;
    position_ = at;
    pen_down_ = down;
}

void Interpreter::label(const std::string& text) {
    if (polygon_mode_) return;
    LabelState& l = labels_;
    const FontDefinition& definition = l.font();
    const StrokeFont& font = definition.font ? *definition.font : StrokeFont::standard();
    const Vec2 size = character_size();
    const double w = size.x, h = size.y;
    const Vec2 dir = direction(), up{-dir.y, dir.x};
    const double cell = kCellPerWidth * w * (1 + l.extra_space);
    const double feed = 2 * h * (1 + l.extra_line);
    const double sx = w / kGlyphAspect;  // glyph units to plotter units along the line
    const double slant = l.slant + (definition.italic ? kItalicSlant : 0);
    const bool proportional = definition.proportional;
    const int origin = l.origin > 10 ? l.origin - 10 : l.origin;
    // Along a vertical or right-to-left path the label begins at the pen.
    const double along = l.path == 0 ? (origin - 1) / 3 * 0.5 : 0;
    const double across = (origin - 1) % 3 * 0.5;
    const bool offset_origin = l.origin > 10;

    StrokeStyle style = output_.style();
    style.linetype = "CONTINUOUS";
    output_.set_style(style);
    output_.set_dashes(std::nullopt);  // characters are drawn solid
    output_.lift();
    bool alternate = l.alternate;
    const auto character = [&](unsigned char byte) {
        const int set = alternate ? l.alternate_set : l.standard_set;
        const char32_t c = set_character(set, hpgl2_, byte);
        return c ? c : char32_t{'?'};
    };
    const auto advance_of = [&](char32_t c) {
        return proportional ? font.glyph(c).advance() * sx * (1 + l.extra_space) : cell;
    };
    // The width of the line from `from` to its end, for the label origin.
    const auto line_width = [&](std::size_t from) {
        double width = 0, last = 0;
        bool alt = alternate;
        for (std::size_t i = from; i < text.size(); ++i) {
            const auto b = static_cast<unsigned char>(text[i]);
            if (!l.transparent && (b == kCarriageReturn || b == kLineFeed)) break;
            if (!l.transparent && b == kShiftOut) alt = true;
            if (!l.transparent && b == kShiftIn) alt = false;
            if (b < ' ' && !l.transparent) continue;
            const char32_t c = set_character(alt ? l.alternate_set : l.standard_set, hpgl2_, b);
            last = advance_of(c ? c : char32_t{'?'});
            width += last;
        }
        // The space after the last character is no part of the label.
        return proportional ? width : width - (last > 0 ? cell - w : 0);
    };
    const auto line_offset = [&](std::size_t from) {
        Vec2 offset = (-along * line_width(from)) * dir + (-across * h) * up;
        if (offset_origin) {
            const double hx = along == 0 ? 0.5 : (along == 1 ? -0.5 : 0);
            const double vy = across == 0 ? 0.5 : (across == 1 ? -0.5 : 0);
            offset = offset + (hx * w) * dir + (vy * h) * up;
        }
        return offset;
    };

    const Vec2 line = line_step(cell, feed);
    const Vec2 start = position_;
    l.line_start = position_;
    Vec2 pos = position_;
    Vec2 offset = line_offset(0);
    for (std::size_t i = 0; i < text.size() && !output_.full(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (!l.transparent && b < ' ') {
            if (b == kCarriageReturn) {
                pos = l.line_start;
                offset = line_offset(i + 1);
            } else if (b == kLineFeed) {
                l.line_start = l.line_start + line;
                pos = pos + line;
                offset = line_offset(i + 1);
            } else if (b == kBackspace) {
                pos = pos - path_step(cell, feed);
            } else if (b == kShiftOut) {
                alternate = true;
            } else if (b == kShiftIn) {
                alternate = false;
            }
            continue;
        }
        const char32_t c = character(b);
        const double advance = advance_of(c);
        if (c != ' ') {
            drawing_.has_text = true;
            if (!font.has(c)) ++drawing_.missing_characters[c];
            const Glyph& glyph = font.glyph(c);
            // Fixed-pitch glyphs are centred on the character's body.
            const double lead = proportional ? 0 : (w - glyph.advance() * sx) / 2;
            const Vec2 o = pos + offset + lead * dir;
            for (const auto& stroke : glyph.strokes) {
                output_.lift();
                for (std::size_t k = 0; k < stroke.size(); ++k) {
                    const Vec2 g = stroke[k];
                    const Vec2 p =
                        o + ((g.x - glyph.left) * sx + g.y * h * slant) * dir + (g.y * h) * up;
                    if (k == 0) {
                        output_.lower(p);
                    } else {
                        const Vec2 q = stroke[k - 1];
                        output_.draw(
                            o + ((q.x - glyph.left) * sx + q.y * h * slant) * dir + (q.y * h) * up,
                            p);
                    }
                }
            }
            output_.lift();
        }
        pos = pos + path_step(advance, feed);
    }
    output_.lift();
    l.alternate = alternate;
    position_ = origin == 1 ? pos : start;
    set_style();
}

}  // namespace tvk::host::plotfile
