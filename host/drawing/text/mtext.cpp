// MTEXT: the formatting codes read into characters with their heights, width
// factors and slants, then set in lines, paragraphs and columns.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "host/drawing/text/code_page.h"
#include "host/drawing/text/text.h"

namespace tvk::host {

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;

struct Format {
    double height = 1;   // the cap height in drawing units
    double width = 1;    // width factor
    double oblique = 0;  // radians
    bool underline = false, overline = false;
};

struct Char {
    char32_t c;
    Format format;
};
using Line = std::vector<Char>;

struct Paragraph {
    Line chars;
    double height = 1;        // the height at its start, for a paragraph without characters
    bool new_column = false;  // begun by a column break
};

// The number of a code such as "\H2.5;" or "\W0.8x;" at s[i] (just past its
// letter), and whether an "x" after it makes it relative; i moves past the ';'.
std::optional<std::pair<double, bool>> code_value(const std::u32string& s, size_t& i) {
    size_t end = s.find(U';', i);
    if (end == std::u32string::npos) end = s.size();
    std::string number;
    for (size_t k = i; k < end; ++k) number += s[k] < 128 ? static_cast<char>(s[k]) : '?';
    i = std::min(end + 1, s.size());
    char* stop = nullptr;
    double v = std::strtod(number.c_str(), &stop);
    if (stop == number.c_str() || !std::isfinite(v)) return std::nullopt;
    return std::pair{v, *stop == 'x' || *stop == 'X'};
}

// A height or width factor code applied to `value`.
void scale_by_code(const std::u32string& s, size_t& i, double& value) {
    if (auto v = code_value(s, i); v && v->first > 0)
        value = v->second ? value * v->first : v->first;
}

class Parser {
  public:
    Parser(const std::string& raw, double height, double width = 1, double oblique = 0)
        : s_(to_characters(raw)) {
        format_.height = height;
        format_.width = width;
        format_.oblique = oblique;
        paragraphs_.push_back({{}, height, false});
    }

    std::vector<Paragraph> parse() {
        while (i_ < s_.size()) step();
        return std::move(paragraphs_);
    }

  private:
    void add(char32_t c) {
        if (c == kUnderlineSwitch)
            format_.underline = !format_.underline;
        else if (c == kOverlineSwitch)
            format_.overline = !format_.overline;
        else
            paragraphs_.back().chars.push_back({c, format_});
    }
    void add(const std::u32string& text) {
        for (char32_t c : text) add(c);
    }
    void new_paragraph(bool column) { paragraphs_.push_back({{}, format_.height, column}); }
    void skip_to_semicolon() {
        size_t end = s_.find(U';', i_);
        i_ = end == std::u32string::npos ? s_.size() : end + 1;
    }

    void step() {
        char32_t c = s_[i_];
        if (c == U'{') {
            saved_.push_back(format_);
            ++i_;
        } else if (c == U'}') {
            if (!saved_.empty()) {
                format_ = saved_.back();
                saved_.pop_back();
            }
            ++i_;
        } else if (c == U'\n') {
            new_paragraph(false);
            ++i_;
        } else if (c == U'^' && i_ + 1 < s_.size()) {
            // Caret codes: ^J line feed, ^I tab, "^ " a caret.
            char32_t next = s_[i_ + 1];
            if (next == U'J' || next == U'M')
                new_paragraph(false);
            else if (next == U'I')
                add(U' ');
            else
                add(next == U' ' ? U'^' : next);
            i_ += 2;
        } else if (c != U'\\' || i_ + 1 >= s_.size()) {
            std::u32string out;
            take_character(s_, i_, out);
            add(out);
        } else {
            code(s_[i_ + 1]);
        }
    }

    // A backslash code at i_.
    void code(char32_t code) {
        switch (code) {
            case U'P':
            case U'X':
                new_paragraph(false);
                i_ += 2;
                break;
            case U'N':
                new_paragraph(true);
                i_ += 2;
                break;
            case U'~':
                add(U' ');
                i_ += 2;
                break;
            case U'\\':
            case U'{':
            case U'}':
                add(code);
                i_ += 2;
                break;
            case U'L':
            case U'l':
                format_.underline = code == U'L';
                i_ += 2;
                break;
            case U'O':
            case U'o':
                format_.overline = code == U'O';
                i_ += 2;
                break;
            case U'K':
            case U'k':
                i_ += 2;
                break;
            case U'U':
            case U'u': {
                std::u32string out;
                take_character(s_, i_, out);
                add(out);
                break;
            }
            case U'M':
            case U'm':
                double_byte();
                break;
            case U'H':
                i_ += 2;
                scale_by_code(s_, i_, format_.height);
                break;
            case U'W':
                i_ += 2;
                scale_by_code(s_, i_, format_.width);
                break;
            case U'Q':
                i_ += 2;
                if (auto degrees = code_value(s_, i_))
                    format_.oblique = std::clamp(degrees->first, -85.0, 85.0) * kDegree;
                break;
            case U'S': {
                // Stacked fractions a^b, a/b and a#b read as a/b.
                size_t start = i_ + 2;
                skip_to_semicolon();
                size_t end = std::min(i_, s_.size());
                for (size_t k = start; k < end && s_[k] != U';'; ++k) {
                    char32_t part = s_[k];
                    if (part == U'\\' && k + 1 < end) part = s_[++k];
                    add(part == U'^' || part == U'#' ? U'/' : part);
                }
                break;
            }
            default:
                // Font, colour, tracking, alignment, paragraph indents ...: up to ';'.
                if (std::isalpha(static_cast<int>(code < 128 ? code : 0))) {
                    skip_to_semicolon();
                } else {
                    add(code);
                    i_ += 2;
                }
        }
    }

    // \M+nXXXX at i_: the double-byte character XXXX of Asian code page n.
    void double_byte() {
        unsigned code = 0;
        bool valid =
            i_ + 8 <= s_.size() && s_[i_ + 2] == U'+' && s_[i_ + 3] >= U'1' && s_[i_ + 3] <= U'5';
        for (size_t k = 4; valid && k < 8; ++k) {
            char32_t c = s_[i_ + k];
            int digit = c >= U'0' && c <= U'9'   ? static_cast<int>(c - U'0')
                        : c >= U'A' && c <= U'F' ? static_cast<int>(c - U'A' + 10)
                        : c >= U'a' && c <= U'f' ? static_cast<int>(c - U'a' + 10)
                                                 : -1;
            valid = digit >= 0;
            code = code * 16 + static_cast<unsigned>(digit);
        }
        if (!valid) {  // not the code: the characters as they stand
            add(s_[i_ + 1]);
            i_ += 2;
            return;
        }
        add(to_characters(double_byte_to_utf8(static_cast<int>(s_[i_ + 3] - U'0'), code)));
        i_ += 8;
    }

    std::u32string s_;
    size_t i_ = 0;
    Format format_;
    std::vector<Format> saved_;
    std::vector<Paragraph> paragraphs_;
};

double advance(const Char& ch, const StrokeFont& font) {
    return font.glyph(ch.c).advance() * ch.format.height * ch.format.width;
}

double line_width(const Line& line, const StrokeFont& font) {
    double w = 0;
    for (const Char& ch : line) w += advance(ch, font);
    return w;
}

// The paragraph in lines no wider than max_width (0 for no limit), broken
// between words; the spaces at a break are dropped.
std::vector<Line> wrap(const Line& chars, double max_width, const StrokeFont& font) {
    std::vector<Line> lines(1);
    double width = 0;
    for (size_t i = 0; i < chars.size();) {
        // The next word with the spaces before it.
        size_t j = i;
        while (j < chars.size() && chars[j].c == U' ') ++j;
        while (j < chars.size() && chars[j].c != U' ') ++j;
        double w = 0;
        for (size_t k = i; k < j; ++k) w += advance(chars[k], font);
        if (max_width > 0 && !lines.back().empty() && width + w > max_width) {
            lines.emplace_back();
            width = w = 0;
            while (i < j && chars[i].c == U' ') ++i;
            for (size_t k = i; k < j; ++k) w += advance(chars[k], font);
        }
        lines.back().insert(lines.back().end(), chars.begin() + static_cast<std::ptrdiff_t>(i),
                            chars.begin() + static_cast<std::ptrdiff_t>(j));
        width += w;
        i = j;
    }
    return lines;
}

struct SetLine {
    Line chars;
    double baseline;  // below the top of its column
    double width;
};
using Column = std::vector<SetLine>;

// Lines set from the top of their columns down, each column beginning at a
// column break, or for dynamic columns also where the column is full.
std::vector<Column> set_columns(const MTextEntity& t, const StrokeFont& font) {
    const bool columns = t.columns.type != MTextColumns::kNone;
    const double wrap_width = columns && t.columns.width > 0 ? t.columns.width : t.width;
    const double spacing = 5.0 / 3.0 * (t.line_spacing > 0 ? t.line_spacing : 1);
    std::vector<Column> out(1);
    double baseline = 0;
    for (const Paragraph& p : Parser(t.text, t.height, t.width_factor, t.oblique).parse()) {
        if (columns && p.new_column && !out.back().empty()) {
            out.emplace_back();
            baseline = 0;
        }
        for (Line& line : wrap(p.chars, wrap_width, font)) {
            double height = p.height;
            if (!line.empty()) {
                height = 0;
                for (const Char& ch : line) height = std::max(height, ch.format.height);
            }
            double next = out.back().empty() ? -height : baseline - spacing * height;
            if (columns && t.columns.height > 0 && -next > t.columns.height &&
                !out.back().empty()) {
                out.emplace_back();
                next = -height;
            }
            baseline = next;
            double width = line_width(line, font);
            out.back().push_back({std::move(line), baseline, width});
        }
    }
    return out;
}

}  // namespace

std::vector<std::u32string> mtext_lines(const std::string& raw) {
    std::vector<std::u32string> lines;
    for (const Paragraph& p : Parser(raw, 1).parse()) {
        lines.emplace_back();
        for (const Char& ch : p.chars) lines.back() += ch.c;
    }
    return lines;
}

Shape mtext_shape(const MTextEntity& t, const StrokeFont& font) {
    const std::vector<Column> columns = set_columns(t, font);
    const bool in_columns = t.columns.type != MTextColumns::kNone;
    double total = 0;  // the depth of the deepest column
    for (const Column& column : columns)
        if (!column.empty()) total = std::max(total, -column.back().baseline);
    const int attachment = std::clamp(t.attachment, 1, 9);
    const int row = (attachment - 1) / 3, col = (attachment - 1) % 3;
    const double top = row == 0 ? 0 : row == 1 ? total / 2 : total;
    // Lines sit left, centred or right about the insertion point; in columns,
    // within their column, the columns together about the insertion point.
    const double column_width = t.columns.width > 0 ? t.columns.width : t.width;
    const double all_columns =
        columns.size() * column_width + (columns.size() - 1) * t.columns.gutter;
    Vec2 dir = length(t.direction) > 0 ? (1 / length(t.direction)) * t.direction : Vec2{1, 0};
    Affine frame = Affine::frame(t.insert, dir, {-dir.y, dir.x});
    Shape shape;
    for (size_t k = 0; k < columns.size(); ++k) {
        double left = 0, box = 0;
        if (in_columns) {
            left = -all_columns * col / 2 + k * (column_width + t.columns.gutter);
            box = column_width;
        }
        for (const SetLine& line : columns[k]) {
            double x = left + (box - line.width) * col / 2;
            for (const Char& ch : line.chars) {
                const Format& f = ch.format;
                Affine shear{1, std::tan(f.oblique), 0, 0, 1, 0};
                std::u32string text(1, ch.c);
                if (f.underline) text = kUnderlineSwitch + text + kUnderlineSwitch;
                if (f.overline) text = kOverlineSwitch + text + kOverlineSwitch;
                add_strokes(text, font,
                            frame * Affine::translate({x, top + line.baseline}) * shear *
                                Affine::scale(f.height * f.width, f.height),
                            shape);
                x += advance(ch, font);
            }
        }
    }
    return shape;
}

}  // namespace tvk::host
