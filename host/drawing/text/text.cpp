#include "host/drawing/text/text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

namespace tvk::host {

namespace {

int hex_digit(char32_t c) {
    if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
    if (c >= U'a' && c <= U'f') return static_cast<int>(c - U'a' + 10);
    if (c >= U'A' && c <= U'F') return static_cast<int>(c - U'A' + 10);
    return -1;
}

// "\U+XXXX" at s[i]: the character, with i moved past it.
bool unicode_escape(const std::u32string& s, size_t& i, char32_t& c) {
    if (i + 6 >= s.size() || s[i] != U'\\' || (s[i + 1] != U'U' && s[i + 1] != U'u') ||
        s[i + 2] != U'+')
        return false;
    char32_t value = 0;
    for (size_t k = 3; k < 7; ++k) {
        int d = hex_digit(s[i + k]);
        if (d < 0) return false;
        value = value * 16 + static_cast<char32_t>(d);
    }
    c = value;
    i += 7;
    return true;
}

// "%%x" at s[i]: appends what it stands for (nothing for the underline and
// overline switches), with i moved past it.
bool percent_code(const std::u32string& s, size_t& i, std::u32string& out) {
    if (i + 2 >= s.size() || s[i] != U'%' || s[i + 1] != U'%') return false;
    char32_t code = s[i + 2];
    switch (code) {
        case U'c':
        case U'C':
            out += U'\u2205';
            break;
        case U'd':
        case U'D':
            out += U'\u00B0';
            break;
        case U'p':
        case U'P':
            out += U'\u00B1';
            break;
        case U'%':
            out += U'%';
            break;
        case U'u':
        case U'U':
            out += kUnderlineSwitch;
            break;
        case U'o':
        case U'O':
            out += kOverlineSwitch;
            break;
        case U'k':
        case U'K':
            break;
        default: {
            // %%nnn: the character with that decimal code.
            size_t k = i + 2;
            char32_t value = 0;
            while (k < s.size() && k < i + 5 && s[k] >= U'0' && s[k] <= U'9')
                value = value * 10 + (s[k++] - U'0');
            if (k == i + 2) return false;
            out += value;
            i = k;
            return true;
        }
    }
    i += 3;
    return true;
}

}  // namespace

bool from_utf8(const std::string& raw, std::u32string& out) {
    out.clear();
    for (size_t i = 0; i < raw.size();) {
        auto byte = static_cast<unsigned char>(raw[i]);
        int extra = byte < 0x80             ? 0
                    : (byte & 0xE0) == 0xC0 ? 1
                    : (byte & 0xF0) == 0xE0 ? 2
                    : (byte & 0xF8) == 0xF0 ? 3
                                            : -1;
        if (extra < 0 || i + extra >= raw.size()) return false;
        char32_t c = extra == 0 ? byte : byte & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            auto next = static_cast<unsigned char>(raw[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = (c << 6) | (next & 0x3F);
        }
        out += c;
        i += extra + 1;
    }
    return true;
}

std::u32string to_characters(const std::string& raw) {
    std::u32string out;
    if (from_utf8(raw, out)) return out;
    out.clear();
    for (char c : raw) out += static_cast<char32_t>(static_cast<unsigned char>(c));
    return out;
}

void take_character(const std::u32string& s, size_t& i, std::u32string& out) {
    char32_t c;
    if (unicode_escape(s, i, c)) {
        out += c;
    } else if (!percent_code(s, i, out)) {
        out += s[i++];
    }
}

void add_strokes(const std::u32string& text, const StrokeFont& font, const Affine& m, Shape& out) {
    double x = 0;
    // Where the underline and overline that are on began.
    std::optional<double> under, over;
    auto rule = [&](std::optional<double>& from, double y) {
        if (from && x > *from)
            out.traces.push_back(Trace{{Segment{m.apply({*from, y}), m.apply({x, y})}}});
        from.reset();
    };
    for (char32_t c : text) {
        if (c == kUnderlineSwitch || c == kOverlineSwitch) {
            std::optional<double>& line = c == kUnderlineSwitch ? under : over;
            if (line)
                rule(line, c == kUnderlineSwitch ? kUnderline : kOverline);
            else
                line = x;
            continue;
        }
        const Glyph& g = font.glyph(c);
        for (const auto& stroke : g.strokes) {
            if (stroke.empty()) continue;
            Polyline line;
            line.points.reserve(std::max<size_t>(stroke.size(), 2));
            for (Vec2 p : stroke) line.points.push_back(m.apply({x - g.left + p.x, p.y}));
            if (line.points.size() == 1) line.points.push_back(line.points[0]);  // a dot
            // Moved in: a trace made from a list would copy the points.
            out.traces.emplace_back().elements.emplace_back(std::move(line));
        }
        x += g.advance();
    }
    rule(under, kUnderline);
    rule(over, kOverline);
}

std::u32string decode_text(const std::string& raw) {
    std::u32string s = to_characters(raw), out;
    for (size_t i = 0; i < s.size();) take_character(s, i, out);
    return out;
}

double text_width(const std::u32string& text, const StrokeFont& font) {
    double w = 0;
    for (char32_t c : text)
        if (c != kUnderlineSwitch && c != kOverlineSwitch) w += font.glyph(c).advance();
    return w;
}

Shape text_shape(const TextEntity& t, const Affine& ocs, const StrokeFont& font) {
    std::u32string text = decode_text(t.text);
    double width = text_width(text, font);
    Shape shape;
    if (width <= 0) return shape;
    double sx = t.height * t.width_factor, sy = t.height, rotation = t.rotation;
    double dx = 0, dy = 0;
    Vec2 anchor = t.hjust == 0 && t.vjust == 0 ? t.insert : t.align;
    Vec2 span = t.align - t.insert;
    bool between_points = (t.hjust == 3 || t.hjust == 5) && length(span) > 0;
    if (between_points) {
        // Aligned keeps the proportions, fit keeps the height.
        anchor = t.insert;
        rotation = std::atan2(span.y, span.x);
        sx = length(span) / width;
        sy = t.hjust == 3 ? sx / (t.width_factor > 0 ? t.width_factor : 1) : t.height;
    } else {
        if (t.hjust == 1 || t.hjust == 4) dx = -width * sx / 2;
        if (t.hjust == 2) dx = -width * sx;
        if (t.vjust == 1) dy = StrokeFont::kDescent * sy;
        if (t.vjust == 2 || t.hjust == 4) dy = -sy / 2;
        if (t.vjust == 3) dy = -sy;
    }
    Affine shear{1, std::tan(t.oblique), 0, 0, 1, 0};
    Affine m = ocs * Affine::translate(anchor) * Affine::rotate(rotation) *
               Affine::scale(t.backward ? -1 : 1, t.upside_down ? -1 : 1) *
               Affine::translate({dx, dy}) * shear * Affine::scale(sx, sy);
    add_strokes(text, font, m, shape);
    return shape;
}

}  // namespace tvk::host
