// Decoder of the plotter streams this driver writes: the HP-GL dialects with
// the PE command and polygon mode, and VTX-GL.
#include "decoder/stream_decoder.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tvk::decoder {
namespace {

// A byte as a person reads it: '0' (0x30), or 0x1B where it is not printable.
std::string byte_text(unsigned char c) {
    char text[16];
    if (c >= 0x20 && c < 0x7F) {
        std::snprintf(text, sizeof text, "'%c' (0x%02X)", c, c);
    } else {
        std::snprintf(text, sizeof text, "0x%02X", c);
    }
    return text;
}

constexpr const char* kNames[] = {"VTX-GL", "TK-GL1", "TK-GL2", "TK-GL3"};
constexpr char kEscape = 27;

bool is_parameter_char(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.' ||
           c == ',' || c == ' ';
}

// The largest magnitude of a number in either language (HP-GL/2 integers
// run from -2^30 to 2^30 - 1); anything beyond it is reported and held at it.
constexpr double kNumberLimit = 1073741823.0;
// The running position is held within this (exact in a double), so that no
// number of relative steps can carry it past what the picture can show.
constexpr int64_t kPositionLimit = int64_t{1} << 53;
// Pen movements and other commands kept at most: about 72 bytes each, so
// under 1 GB in all whatever the stream; and parts not understood (a DXF
// file has one every few bytes).
constexpr std::size_t kMaxEntries = 8'000'000;
constexpr std::size_t kMaxProblems = 100'000;

// Parameters are held within kNumberLimit by the parser.
int as_int(double v) {
    return static_cast<int>(v);
}
int64_t as_coordinate(double v) {
    return std::llround(v);
}

int64_t clamp_position(int64_t v) {
    return std::clamp(v, -kPositionLimit, kPositionLimit);
}

// Keeps the movements and polygons in the result, up to kMaxEntries.
class KeepingSink final : public DecodeSink {
  public:
    explicit KeepingSink(Decoded& out) : out_(out) {}
    void segment(const Segment& s) override { out_.segments.push_back(s); }
    void polygon(const Polygon& p) override { out_.polygons.push_back(p); }

  private:
    Decoded& out_;
};

// The pen and what it has done so far; shared by both languages.
class Plotter {
  public:
    Plotter(Decoded& out, DecodeSink& sink, bool keeps_segments)
        : out_(out), sink_(sink), keeps_segments_(keeps_segments) {}

    void move_to(Point to, bool pen_down) {
        to = {clamp_position(to.x), clamp_position(to.y)};
        if ((polygon_ || keeps_segments_) && !spend()) return;
        if (polygon_) {
            polygon_->vertices.push_back(to);
        } else {
            sink_.segment({position_, to, pen_down, style_});
        }
        position_ = to;
    }
    // Both steps and position are held within kPositionLimit: no overflow.
    void move_by(int64_t dx, int64_t dy, bool pen_down) {
        move_to({position_.x + dx, position_.y + dy}, pen_down);
    }

    void begin_polygon() {
        polygon_.emplace();
        polygon_->vertices.push_back(position_);
    }
    void end_polygon() {
        if (!polygon_) return;
        polygon_->style = style_;
        // The polygon before is no longer the most recent: nothing changes it now.
        if (last_) sink_.polygon(*last_);
        last_.emplace(std::move(*polygon_));
        polygon_.reset();
    }
    // FP and EP act on the polygon most recently defined.
    void fill_polygon(bool edge) {
        if (!last_) return;
        (edge ? last_->edged : last_->filled) = true;
        last_->style = style_;
    }

    PenStyle& style() { return style_; }
    // One more entry of the result; false once there are too many.
    bool spend() { return ++entries_ <= kMaxEntries; }
    bool full() const { return entries_ > kMaxEntries; }
    Point position() const { return position_; }
    void finish() {
        if (polygon_) end_polygon();
        if (last_) sink_.polygon(*last_);
        last_.reset();
        out_.end_position = position_;
    }

  private:
    Decoded& out_;
    DecodeSink& sink_;
    bool keeps_segments_;  // the movements count against kMaxEntries
    Point position_;
    PenStyle style_;
    std::optional<Polygon> polygon_;  // being collected
    std::optional<Polygon> last_;     // the most recent, not yet handed on
    std::size_t entries_ = 0;
};

class Parser {
  public:
    Parser(std::string_view bytes, Decoded& out, DecodeSink& sink, bool keeps_segments)
        : s_(bytes), out_(out), plotter_(out, sink, keeps_segments) {}

    void problem(std::size_t at, std::string what) {
        if (out_.problems.size() >= kMaxProblems) return;
        out_.problems.push_back({at, std::move(what)});
    }

    // Numbers of a parameter list ("10,-5", "2.0"); false when one is malformed.
    bool numbers(std::size_t begin, std::size_t end, std::vector<double>& values) {
        values.clear();
        std::size_t i = begin;
        while (i < end) {
            while (i < end && (s_[i] == ' ' || s_[i] == ',')) ++i;
            if (i == end) break;
            std::size_t j = i;
            if (s_[j] == '+') ++i, ++j;
            while (j < end && s_[j] != ',' && s_[j] != ' ') ++j;
            double v = 0;
            const auto [ptr, ec] = std::from_chars(s_.data() + i, s_.data() + j, v);
            const bool whole = ptr == s_.data() + j;
            if (ec == std::errc::result_out_of_range && whole) {
                v = s_[i] == '-' ? -HUGE_VAL : HUGE_VAL;
            } else if (ec != std::errc() || !whole) {
                problem(i, "malformed number \"" + std::string(s_.substr(i, j - i)) + "\"");
                return false;
            }
            values.push_back(held_number(v, i, j - i));
            i = j;
        }
        return true;
    }

    void other(std::string_view command) {
        if (plotter_.spend()) out_.other_commands.emplace_back(command);
    }

    // A number beyond what the language carries: reported where it stands
    // and held at the limit.
    double held_number(double v, std::size_t at, std::size_t length) {
        if (std::fabs(v) <= kNumberLimit) return v;
        problem(at, "number " + std::string(s_.substr(at, std::min<std::size_t>(length, 40))) +
                        " beyond the range of the language (-1073741823 to 1073741823)");
        return v < 0 ? -kNumberLimit : kNumberLimit;
    }

    std::size_t parameters_end(std::size_t i) const {
        while (i < s_.size() && is_parameter_char(s_[i])) ++i;
        return i;
    }

    // An escape sequence: the plotter's device control (ESC "." and a letter,
    // with parameters up to ":" where some follow), or a PCL escape that raster
    // plotters take around HP-GL/2 (ESC E, ESC %0B, ESC &l1O, ...).
    std::size_t device_control(std::size_t i) {
        const std::size_t n = s_.size();
        std::size_t j = i + 1;
        const auto digit = [&](std::size_t k) {
            return k < n && (std::isdigit(static_cast<unsigned char>(s_[k])) || s_[k] == '+' ||
                             s_[k] == '-' || s_[k] == '.');
        };
        if (j < n && s_[j] == '.') {
            j += 2;  // "." and the letter
            std::size_t k = j;
            while (k < n && (std::isdigit(static_cast<unsigned char>(s_[k])) || s_[k] == ';')) ++k;
            if (k < n && s_[k] == ':') j = k + 1;
        } else if (j < n && s_[j] == '%') {
            ++j;
            while (digit(j)) ++j;
            ++j;  // the command letter, A or B
        } else if (j < n && s_[j] >= 0x21 && s_[j] <= 0x2F) {
            j += 2;  // the parameterised character and the group character
            // Value and parameter pairs; an upper-case parameter ends the sequence.
            while (j < n) {
                while (digit(j)) ++j;
                if (j >= n) break;
                const unsigned char parameter = static_cast<unsigned char>(s_[j++]);
                if (parameter >= 0x40 && parameter <= 0x5E) break;
            }
        } else {
            ++j;  // a two-character escape such as ESC E
        }
        j = std::min(j, n);
        other(s_.substr(i, j - i));
        return j;
    }

    void coordinate_pairs(const std::vector<double>& v, std::size_t at, bool pen_down,
                          bool relative) {
        if (v.size() % 2 != 0) problem(at, "odd number of coordinates");
        for (std::size_t k = 0; k + 1 < v.size(); k += 2) {
            const auto x = as_coordinate(v[k]);
            const auto y = as_coordinate(v[k + 1]);
            if (relative) {
                plotter_.move_by(x, y, pen_down);
            } else {
                plotter_.move_to({x, y}, pen_down);
            }
        }
    }

    // ---- HP-GL --------------------------------------------------------------------

    // The body of a PE command up to its ";": flags and encoded numbers.
    std::size_t polyline_encoded(std::size_t i) {
        bool eight_bit = true;
        bool pen_up_next = false;
        bool absolute_next = false;
        bool pen_next = false;
        std::vector<int64_t> pending;  // x waiting for its y
        uint64_t value = 0;
        uint64_t scale = 1;
        bool in_number = false;
        std::size_t number_start = i;
        for (; i < s_.size(); ++i) {
            const auto c = static_cast<unsigned char>(s_[i]);
            if (c == ';') break;
            if (!in_number) {
                switch (c) {
                    case '7':
                        eight_bit = false;
                        continue;
                    case '<':
                        pen_up_next = true;
                        continue;
                    case '=':
                        absolute_next = true;
                        continue;
                    case ':':
                        pen_next = true;
                        continue;
                    case '>':
                        problem(i, "fractional PE numbers are not decoded");
                        continue;
                    default:
                        break;
                }
            }
            const unsigned base = eight_bit ? 64 : 32;
            const bool more = c >= 63 && c < 63 + base;
            const unsigned last_low = eight_bit ? 191 : 95;
            const bool last = c >= last_low && c < last_low + base;
            if (!more && !last) {
                problem(i, "unexpected byte in PE");
                continue;
            }
            if (!in_number) number_start = i;
            in_number = true;
            // Past 2^31 the value is beyond the limit anyway; stop adding
            // digits before the sum could wrap.
            if (scale <= (uint64_t{1} << 32)) {
                value += (static_cast<uint64_t>(c) - (more ? 63 : last_low)) * scale;
                scale *= base;
            } else {
                value |= uint64_t{1} << 40;
            }
            if (more) continue;
            const double magnitude = static_cast<double>(value >> 1);
            const int64_t v = static_cast<int64_t>(held_number((value & 1) ? -magnitude : magnitude,
                                                               number_start, i + 1 - number_start));
            value = 0;
            scale = 1;
            in_number = false;
            if (pen_next) {
                plotter_.style().pen = static_cast<int>(v);
                pen_next = false;
                continue;
            }
            pending.push_back(v);
            if (pending.size() < 2) continue;
            const bool down = !pen_up_next;
            if (absolute_next) {
                plotter_.move_to({pending[0], pending[1]}, down);
            } else {
                plotter_.move_by(pending[0], pending[1], down);
            }
            pen_down_ = down;
            pending.clear();
            pen_up_next = absolute_next = false;
        }
        if (in_number || !pending.empty()) problem(i, "PE command ends inside a coordinate");
        if (plotter_.full()) return s_.size();
        return i;
    }

    // A two-letter mnemonic and its parameters; returns where the next begins.
    std::size_t hpgl_command(std::size_t at) {
        const std::string name{
            static_cast<char>(std::toupper(static_cast<unsigned char>(s_[at]))),
            static_cast<char>(std::toupper(static_cast<unsigned char>(s_[at + 1])))};
        if (name == "PE") return polyline_encoded(at + 2);
        if (name == "LB" || name == "BL" || name == "WD") return label(name, at);
        if (name == "DT") {
            // The character right after the mnemonic ends labels from now on;
            // "DT;" (or DT at the end) brings back ETX.
            std::size_t i = at + 2;
            terminator_ = 3;
            if (i < s_.size() && s_[i] != ';') terminator_ = s_[i++];
            const std::size_t end = parameters_end(i);
            other(s_.substr(at, end - at));
            return end;
        }
        if (name == "IN") terminator_ = 3;
        const std::size_t end = parameters_end(at + 2);
        std::vector<double> v;
        if (numbers(at + 2, end, v)) hpgl_parameters(name, at, end, v);
        return end;
    }

    // A label's text runs to the terminator whatever it holds: it is never
    // read as commands. The preview does not draw it; it is counted.
    std::size_t label(const std::string& name, std::size_t at) {
        const std::size_t stop = s_.find(terminator_, at + 2);
        std::size_t end = stop == std::string_view::npos ? s_.size() : stop + 1;
        if (end < s_.size() && s_[end] == ';') ++end;
        if (name == "LB") ++out_.labels;
        other(name);
        return end;
    }

    void hpgl_parameters(const std::string& name, std::size_t at, std::size_t end,
                         const std::vector<double>& v) {
        if (name == "PU" || name == "PD") {
            pen_down_ = name == "PD";
            coordinate_pairs(v, at, pen_down_, relative_);
        } else if (name == "PA" || name == "PR") {
            relative_ = name == "PR";
            coordinate_pairs(v, at, pen_down_, relative_);
        } else if (name == "SP") {
            plotter_.style().pen = v.empty() ? 0 : as_int(v[0]);
        } else if (name == "LT") {
            plotter_.style().line_type = v.empty() ? 0 : std::abs(as_int(v[0]));
            plotter_.style().pattern_length = v.size() > 1 ? v[1] : 0;
        } else if (name == "VS") {
            plotter_.style().velocity = v.empty() ? 0 : as_int(v[0]);
        } else if (name == "PW" && !v.empty()) {
            plotter_.style().width_mm = v[0];
        } else if (name == "PS" && v.size() >= 2) {
            out_.plot_size = Point{as_coordinate(v[0]), as_coordinate(v[1])};
        } else if (name == "RP") {
            out_.replots = v.empty() ? 1 : as_int(v[0]);
        } else if (name == "PM") {
            const int mode = v.empty() ? 0 : as_int(v[0]);
            if (mode == 0) plotter_.begin_polygon();
            if (mode == 2) plotter_.end_polygon();
        } else if (name == "FP" || name == "EP") {
            plotter_.fill_polygon(name == "EP");
        } else {
            other(s_.substr(at, end - at));
        }
    }

    // ---- VTX-GL -------------------------------------------------------------------

    void vtx_command(char name, std::size_t at, std::size_t end) {
        std::vector<double> v;
        if (!numbers(at + 1, end, v)) return;
        switch (name) {
            case 'R':
                coordinate_pairs(v, at, false, true);
                break;
            case 'I':
                coordinate_pairs(v, at, true, true);
                break;
            case 'M':
                coordinate_pairs(v, at, false, false);
                break;
            case 'D':
                coordinate_pairs(v, at, true, false);
                break;
            case 'H':
                other("H");
                plotter_.move_to({0, 0}, false);
                break;
            case 'J':
                plotter_.style().pen = v.empty() ? 0 : as_int(v[0]);
                break;
            case 'L':
                plotter_.style().line_type = v.empty() ? 0 : std::abs(as_int(v[0]));
                break;
            case 'B':
                plotter_.style().pattern_length = v.empty() ? 0 : v[0];
                break;
            default:
                other(s_.substr(at, end - at));
                break;
        }
    }

    // Commands one after another; separators and blanks between them.
    void parse(bool vtx) {
        std::size_t i = 0;
        while (i < s_.size()) {
            if (plotter_.full() || out_.problems.size() >= kMaxProblems) {
                out_.problems.push_back(
                    {i, plotter_.full() ? "more than 8000000 pen movements and commands, the most "
                                          "the decoder keeps; the rest is not read"
                                        : "more than 100000 parts not understood, the most the "
                                          "decoder reports; the rest is not read"});
                return;
            }
            const auto c = static_cast<unsigned char>(s_[i]);
            const bool letter = std::isalpha(c);
            if (c == ';' || std::isspace(c)) {
                ++i;
            } else if (c == kEscape) {
                ++out_.commands;
                i = device_control(i);
            } else if (letter && vtx) {
                ++out_.commands;
                const std::size_t end = parameters_end(i + 1);
                vtx_command(static_cast<char>(std::toupper(c)), i, end);
                i = end;
            } else if (letter && i + 1 < s_.size() &&
                       std::isalpha(static_cast<unsigned char>(s_[i + 1]))) {
                ++out_.commands;
                i = hpgl_command(i);
            } else {
                problem(i, "unexpected byte " + byte_text(c));
                ++i;
            }
        }
    }

    void finish() { plotter_.finish(); }

  private:
    std::string_view s_;
    Decoded& out_;
    Plotter plotter_;
    bool relative_ = false;  // HP-GL starts in absolute mode
    char terminator_ = 3;    // of labels: ETX until DT names another
    bool pen_down_ = false;
};

}  // namespace

std::optional<Language> language_from_name(std::string_view name) {
    for (int i = 0; i < 4; ++i)
        if (name == kNames[i]) return static_cast<Language>(i);
    return std::nullopt;
}

const char* language_name(Language language) {
    return kNames[static_cast<int>(language)];
}

namespace {

void decode_into(std::string_view bytes, Language language, Decoded& decoded, DecodeSink& sink,
                 bool keeps_segments) {
    Parser parser(bytes, decoded, sink, keeps_segments);
    parser.parse(language == Language::kVtxGl);
    parser.finish();
}

}  // namespace

Decoded decode(std::string_view bytes, Language language) {
    Decoded decoded;
    KeepingSink sink(decoded);
    decode_into(bytes, language, decoded, sink, true);
    return decoded;
}

Decoded decode(std::string_view bytes, Language language, DecodeSink& sink) {
    Decoded decoded;
    decode_into(bytes, language, decoded, sink, false);
    return decoded;
}

std::vector<Segment> drawn_segments(const Decoded& decoded) {
    std::vector<Segment> out;
    for (const Segment& s : decoded.segments)
        if (s.pen_down) out.push_back(s);
    return out;
}

void PolylineJoiner::add(const Segment& s) {
    if (!s.pen_down) {
        joinable_ = false;
        return;
    }
    if (joinable_ && current_.style == s.style && current_.points.back() == s.from) {
        current_.points.push_back(s.to);
    } else {
        if (open_) done_(current_);
        current_.style = s.style;
        current_.points.assign({s.from, s.to});
        open_ = true;
    }
    joinable_ = true;
}

void PolylineJoiner::finish() {
    if (open_) done_(current_);
    open_ = joinable_ = false;
}

std::vector<Polyline> drawn_polylines(const Decoded& decoded) {
    std::vector<Polyline> out;
    PolylineJoiner joiner([&out](const Polyline& line) { out.push_back(line); });
    for (const Segment& s : decoded.segments) joiner.add(s);
    joiner.finish();
    for (const Polygon& p : decoded.polygons)
        if (p.edged && p.vertices.size() >= 2) out.push_back({p.style, p.vertices});
    return out;
}

}  // namespace tvk::decoder
