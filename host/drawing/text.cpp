#include "host/drawing/text.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace tvk::host {

namespace {

// Strict UTF-8, or nothing when the bytes are not UTF-8.
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
        case U'o':
        case U'O':
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

// Appends s[i] (resolving the escapes that TEXT and MTEXT share) and moves on.
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
    for (char32_t c : text) {
        const Glyph& g = font.glyph(c);
        for (const auto& stroke : g.strokes) {
            Trace trace;
            auto at = [&](Vec2 p) { return m.apply({x - g.left + p.x, p.y}); };
            if (stroke.size() == 1) trace.elements.push_back(Segment{at(stroke[0]), at(stroke[0])});
            for (size_t k = 1; k < stroke.size(); ++k)
                trace.elements.push_back(Segment{at(stroke[k - 1]), at(stroke[k])});
            if (!trace.elements.empty()) out.traces.push_back(std::move(trace));
        }
        x += g.advance();
    }
}

std::vector<std::u32string> wrap(const std::u32string& line, double max_width,
                                 const StrokeFont& font) {
    std::vector<std::u32string> out;
    std::u32string current;
    size_t start = 0;
    while (start <= line.size()) {
        size_t end = line.find(U' ', start);
        if (end == std::u32string::npos) end = line.size();
        std::u32string word = line.substr(start, end - start);
        std::u32string candidate = current.empty() ? word : current + U' ' + word;
        if (!current.empty() && text_width(candidate, font) > max_width) {
            out.push_back(current);
            current = word;
        } else {
            current = candidate;
        }
        start = end + 1;
    }
    out.push_back(current);
    return out;
}

}  // namespace

std::u32string decode_text(const std::string& raw) {
    std::u32string s = to_characters(raw), out;
    for (size_t i = 0; i < s.size();) take_character(s, i, out);
    return out;
}

std::vector<std::u32string> mtext_lines(const std::string& raw) {
    std::u32string s = to_characters(raw);
    std::vector<std::u32string> lines(1);
    auto skip_to_semicolon = [&](size_t& i) {
        size_t end = s.find(U';', i);
        i = end == std::u32string::npos ? s.size() : end + 1;
    };
    for (size_t i = 0; i < s.size();) {
        char32_t c = s[i];
        if (c == U'{' || c == U'}') {
            ++i;
        } else if (c == U'\n') {
            lines.emplace_back();
            ++i;
        } else if (c == U'^' && i + 1 < s.size()) {
            // Caret codes: ^J line feed, ^I tab, "^ " a caret.
            char32_t next = s[i + 1];
            if (next == U'J' || next == U'M')
                lines.emplace_back();
            else if (next == U'I')
                lines.back() += U' ';
            else
                lines.back() += next == U' ' ? U'^' : next;
            i += 2;
        } else if (c != U'\\' || i + 1 >= s.size()) {
            take_character(s, i, lines.back());
        } else {
            char32_t code = s[i + 1];
            switch (code) {
                case U'P':
                case U'N':
                case U'X':
                    lines.emplace_back();
                    i += 2;
                    break;
                case U'~':
                    lines.back() += U' ';
                    i += 2;
                    break;
                case U'\\':
                case U'{':
                case U'}':
                    lines.back() += code;
                    i += 2;
                    break;
                case U'L':
                case U'l':
                case U'O':
                case U'o':
                case U'K':
                case U'k':
                    i += 2;
                    break;
                case U'U':
                case U'u':
                    take_character(s, i, lines.back());
                    break;
                case U'M':
                case U'm':
                    // \M+nXXXX: a double-byte character of some code page.
                    lines.back() += U'?';
                    i = std::min(s.size(), i + 8);
                    break;
                case U'S': {
                    // Stacked fractions a^b, a/b and a#b read as a/b.
                    size_t start = i + 2;
                    skip_to_semicolon(i);
                    size_t end = std::min(i, s.size());
                    for (size_t k = start; k < end && s[k] != U';'; ++k) {
                        char32_t part = s[k];
                        if (part == U'\\' && k + 1 < end) part = s[++k];
                        lines.back() += part == U'^' || part == U'#' ? U'/' : part;
                    }
                    break;
                }
                default:
                    // Font, height, width, colour, tracking, alignment ...: up to ';'.
                    if (std::isalpha(static_cast<int>(code < 128 ? code : 0))) {
                        skip_to_semicolon(i);
                    } else {
                        lines.back() += code;
                        i += 2;
                    }
            }
        }
    }
    return lines;
}

double text_width(const std::u32string& text, const StrokeFont& font) {
    double w = 0;
    for (char32_t c : text) w += font.glyph(c).advance();
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
               Affine::translate({dx, dy}) * Affine::scale(sx, sy) * shear;
    add_strokes(text, font, m, shape);
    return shape;
}

Shape mtext_shape(const MTextEntity& t, const StrokeFont& font) {
    std::vector<std::u32string> lines;
    for (const auto& line : mtext_lines(t.text)) {
        if (t.width > 0 && t.height > 0) {
            for (auto& part : wrap(line, t.width / t.height, font))
                lines.push_back(std::move(part));
        } else {
            lines.push_back(line);
        }
    }
    const double h = t.height;
    const double pitch = 5.0 / 3.0 * h * (t.line_spacing > 0 ? t.line_spacing : 1);
    const double total = h + (lines.size() - 1) * pitch;
    const int attachment = std::clamp(t.attachment, 1, 9);
    const int row = (attachment - 1) / 3, col = (attachment - 1) % 3;
    const double top = row == 0 ? 0 : row == 1 ? total / 2 : total;
    Vec2 dir = length(t.direction) > 0 ? (1 / length(t.direction)) * t.direction : Vec2{1, 0};
    Affine frame = Affine::frame(t.insert, dir, {-dir.y, dir.x});
    Shape shape;
    for (size_t i = 0; i < lines.size(); ++i) {
        double w = text_width(lines[i], font) * h;
        double x = col == 0 ? 0 : col == 1 ? -w / 2 : -w;
        double baseline = top - h - static_cast<double>(i) * pitch;
        add_strokes(lines[i], font, frame * Affine::translate({x, baseline}) * Affine::scale(h, h),
                    shape);
    }
    return shape;
}

}  // namespace tvk::host
