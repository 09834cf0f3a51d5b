#include "host/drawing/text/stroke_font.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "host/drawing/text/font_families.h"

namespace tvk::host {

namespace {

constexpr const char* kHersheyFont = "/usr/share/hershey-fonts/futural.jhf";

// Hershey coordinates: 'R' is zero, y grows downwards, the capitals of the
// Roman fonts stand from -12 to the baseline at 9.
constexpr double kHersheyCap = 21;
constexpr double kHersheyBase = 9;

// The built-in font on a grid 4 wide and 6 high (the cap height): each stroke
// is a run of digit pairs "xy", strokes are separated by spaces.
constexpr std::pair<char, const char*> kBuiltin[] = {
    {'0', "103041453616050110 0145"},
    {'1', "152620 1030"},
    {'2', "05163645440040"},
    {'3', "064624344341301001"},
    {'4', "30360242"},
    {'5', "460604344341301001"},
    {'6', "36160501103041423303"},
    {'7', "064610"},
    {'8', "13040516364544331302011030414233"},
    {'9', "43130405163645413010"},
    {'A', "002640 1333"},
    {'B', "00063645443303 3342413000"},
    {'C', "4536160501103041"},
    {'D', "00063645413000"},
    {'E', "46060040 0333"},
    {'F', "460600 0333"},
    {'G', "45361605011030414323"},
    {'H', "0006 4640 0343"},
    {'I', "1636 2620 1030"},
    {'J', "4641301001"},
    {'K', "0006 4602 1340"},
    {'L', "060040"},
    {'M', "0006224640"},
    {'N', "00064046"},
    {'O', "103041453616050110"},
    {'P', "00063645443303"},
    {'Q', "103041453616050110 2240"},
    {'R', "00063645443303 2340"},
    {'S', "453616050413334241301001"},
    {'T', "0646 2620"},
    {'U', "060110304146"},
    {'V', "062046"},
    {'W', "0610233046"},
    {'X', "0046 0640"},
    {'Y', "062346 2320"},
    {'Z', "06460040"},
    {'.', "2020"},
    {',', "2110"},
    {':', "2121 2424"},
    {';', "2424 2110"},
    {'-', "1333"},
    {'+', "1333 2224"},
    {'=', "0242 0444"},
    {'/', "0046"},
    {'\\', "0640"},
    {'(', "36252130"},
    {')', "16252110"},
    {'[', "36161030"},
    {']', "16363010"},
    {'<', "450341"},
    {'>', "054301"},
    {'_', "0040"},
    {'\'', "2624"},
    {'"', "1614 3634"},
    {'!', "2622 2020"},
    {'?', "05163645442322 2020"},
    {'%', "0046 0516 3041"},
    {'*', "2125 1234 1432"},
    {'#', "1016 3036 0242 0444"},
    {'|', "2026"},
    {'^', "142634"},
    {'~', "04153445"},
};

Glyph builtin_glyph(const char* strokes) {
    Glyph g{-1.0 / 6, 5.0 / 6, {}};
    std::istringstream in(strokes);
    std::string run;
    while (in >> run) {
        std::vector<Vec2> stroke;
        for (size_t i = 0; i + 1 < run.size(); i += 2)
            stroke.push_back({(run[i] - '0') / 6.0, (run[i + 1] - '0') / 6.0});
        g.strokes.push_back(std::move(stroke));
    }
    return g;
}

// Reads one JHF record: 5 columns of glyph number, 3 of vertex count, then
// the vertices as character pairs, possibly continued on following lines.
bool read_jhf_record(const std::string& data, size_t& pos, Glyph& glyph) {
    auto skip_newlines = [&] {
        while (pos < data.size() && (data[pos] == '\n' || data[pos] == '\r')) ++pos;
    };
    skip_newlines();
    if (pos + 8 > data.size()) return false;
    int count = std::atoi(data.substr(pos + 5, 3).c_str());
    pos += 8;
    std::string pairs;
    while (static_cast<int>(pairs.size()) < 2 * count && pos < data.size()) {
        if (data[pos] != '\n' && data[pos] != '\r') pairs += data[pos];
        ++pos;
    }
    if (count < 1 || static_cast<int>(pairs.size()) < 2 * count) return false;
    auto x = [](char c) { return (c - 'R') / kHersheyCap; };
    auto y = [](char c) { return (kHersheyBase - (c - 'R')) / kHersheyCap; };
    glyph = Glyph{x(pairs[0]), x(pairs[1]), {}};
    bool pen_up = true;
    for (int i = 1; i < count; ++i) {
        char cx = pairs[2 * i], cy = pairs[2 * i + 1];
        if (cx == ' ' && cy == 'R') {
            pen_up = true;
            continue;
        }
        if (pen_up) glyph.strokes.emplace_back();
        pen_up = false;
        glyph.strokes.back().push_back({x(cx), y(cy)});
    }
    return true;
}

// The records of a JHF file, in order.
std::vector<Glyph> read_jhf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot open the font file");
    std::ostringstream data;
    data << in.rdbuf();
    std::vector<Glyph> glyphs;
    size_t pos = 0;
    Glyph g;
    while (read_jhf_record(data.str(), pos, g)) glyphs.push_back(g);
    return glyphs;
}

Glyph transformed(const Glyph& g, double scale, Vec2 offset) {
    Glyph out{g.left * scale + offset.x, g.right * scale + offset.x, {}};
    for (const auto& stroke : g.strokes) {
        std::vector<Vec2> s;
        for (Vec2 p : stroke) s.push_back({p.x * scale + offset.x, p.y * scale + offset.y});
        out.strokes.push_back(std::move(s));
    }
    return out;
}

Box stroke_box(const Glyph& g) {
    Box box;
    for (const auto& stroke : g.strokes)
        for (Vec2 p : stroke) box.add(p);
    return box;
}

// Accents in cap heights, over the middle of a letter and a little above it
// (the cedilla hangs from the baseline instead).
std::vector<std::vector<Vec2>> accent_strokes(char accent) {
    auto dot = [](double x, double y) {
        return std::vector<Vec2>{
            {x, y - 0.03}, {x + 0.03, y}, {x, y + 0.03}, {x - 0.03, y}, {x, y - 0.03}};
    };
    switch (accent) {
        case '`':
            return {{{-0.08, 0.15}, {0.06, 0}}};
        case '\'':
            return {{{-0.06, 0}, {0.08, 0.15}}};
        case '^':
            return {{{-0.12, 0}, {0, 0.14}, {0.12, 0}}};
        case '~':
            return {{{-0.14, 0.03}, {-0.05, 0.12}, {0.05, 0.03}, {0.14, 0.12}}};
        case ':':
            return {dot(-0.09, 0.05), dot(0.09, 0.05)};
        case 'o': {
            std::vector<Vec2> ring;
            for (int k = 0; k <= 8; ++k)
                ring.push_back(
                    {0.07 * std::cos(k * 0.785398), 0.08 + 0.07 * std::sin(k * 0.785398)});
            return {ring};
        }
        default:
            return {{{0, 0}, {0, -0.07}, {0.06, -0.12}, {-0.04, -0.18}}};  // ','
    }
}

// The accented letters of the Latin-1 range (and the Cyrillic yo): the plain
// letter and its accent.
constexpr struct {
    char32_t c;
    char32_t base;
    char accent;
} kAccented[] = {
    {U'\u0401', U'\u0415', ':'}, {U'\u0451', U'\u0435', ':'}, {U'\u00C0', 'A', '`'},
    {U'\u00C1', 'A', '\''},      {U'\u00C2', 'A', '^'},       {U'\u00C3', 'A', '~'},
    {U'\u00C4', 'A', ':'},       {U'\u00C5', 'A', 'o'},       {U'\u00C7', 'C', ','},
    {U'\u00C8', 'E', '`'},       {U'\u00C9', 'E', '\''},      {U'\u00CA', 'E', '^'},
    {U'\u00CB', 'E', ':'},       {U'\u00CC', 'I', '`'},       {U'\u00CD', 'I', '\''},
    {U'\u00CE', 'I', '^'},       {U'\u00CF', 'I', ':'},       {U'\u00D1', 'N', '~'},
    {U'\u00D2', 'O', '`'},       {U'\u00D3', 'O', '\''},      {U'\u00D4', 'O', '^'},
    {U'\u00D5', 'O', '~'},       {U'\u00D6', 'O', ':'},       {U'\u00D9', 'U', '`'},
    {U'\u00DA', 'U', '\''},      {U'\u00DB', 'U', '^'},       {U'\u00DC', 'U', ':'},
    {U'\u00DD', 'Y', '\''},      {U'\u00E0', 'a', '`'},       {U'\u00E1', 'a', '\''},
    {U'\u00E2', 'a', '^'},       {U'\u00E3', 'a', '~'},       {U'\u00E4', 'a', ':'},
    {U'\u00E5', 'a', 'o'},       {U'\u00E7', 'c', ','},       {U'\u00E8', 'e', '`'},
    {U'\u00E9', 'e', '\''},      {U'\u00EA', 'e', '^'},       {U'\u00EB', 'e', ':'},
    {U'\u00EC', 'i', '`'},       {U'\u00ED', 'i', '\''},      {U'\u00EE', 'i', '^'},
    {U'\u00EF', 'i', ':'},       {U'\u00F1', 'n', '~'},       {U'\u00F2', 'o', '`'},
    {U'\u00F3', 'o', '\''},      {U'\u00F4', 'o', '^'},       {U'\u00F5', 'o', '~'},
    {U'\u00F6', 'o', ':'},       {U'\u00F9', 'u', '`'},       {U'\u00FA', 'u', '\''},
    {U'\u00FB', 'u', '^'},       {U'\u00FC', 'u', ':'},       {U'\u00FD', 'y', '\''},
    {U'\u00FF', 'y', ':'},
};

}  // namespace

StrokeFont StrokeFont::builtin() {
    StrokeFont font;
    font.source_ = "built-in";
    font.glyphs_[U' '] = Glyph{-1.0 / 6, 5.0 / 6, {}};
    for (const auto& [c, strokes] : kBuiltin)
        font.glyphs_[static_cast<char32_t>(c)] = builtin_glyph(strokes);
    font.add_composites();
    return font;
}

StrokeFont StrokeFont::load_jhf(const std::string& path) {
    std::vector<Glyph> glyphs = read_jhf(path);
    if (glyphs.size() < 95) throw std::runtime_error(path + ": not a Hershey JHF font");
    StrokeFont font;
    font.source_ = path;
    // The fonts hold the printable ASCII characters in order, from the space on.
    for (char32_t c = U' '; c <= U'~'; ++c) font.glyphs_[c] = std::move(glyphs[c - U' ']);
    font.add_composites();
    return font;
}

void StrokeFont::add_jhf(const std::string& path, char32_t (*character)(size_t record)) {
    std::vector<Glyph> glyphs = read_jhf(path);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        if (char32_t c = character(i); c != 0) glyphs_.try_emplace(c, std::move(glyphs[i]));
    }
    add_composites();
}

namespace {

// The standard font, and what went wrong on the way to it.
struct Standard {
    StrokeFont font;
    std::string note;
};

const Standard& standard_font() {
    static const Standard standard = [] {
        const char* chosen = std::getenv("TVK_FONT");
        std::string problems;
        for (const char* path : {chosen, kHersheyFont}) {
            if (!path || !*path) continue;
            try {
                Standard found{StrokeFont::load_jhf(path), problems};
                add_scripts(found.font, false);
                if (!problems.empty()) found.note = problems + "; text is drawn with " + path;
                return found;
            } catch (const std::runtime_error& e) {
                problems += (problems.empty() ? "" : "; ") + std::string(e.what());
            }
        }
        return Standard{StrokeFont::builtin(),
                        problems +
                            "; text is drawn with the built-in stroke font (install "
                            "hershey-fonts-data or set TVK_FONT to a .jhf font)"};
    }();
    return standard;
}

}  // namespace

const StrokeFont& StrokeFont::standard() {
    return standard_font().font;
}

std::string StrokeFont::standard_note() {
    return standard_font().note;
}

bool StrokeFont::has(char32_t c) const {
    if (glyphs_.count(c)) return true;
    return c >= U'a' && c <= U'z' && glyphs_.count(c - U'a' + U'A');
}

const Glyph& StrokeFont::glyph(char32_t c) const {
    if (auto it = glyphs_.find(c); it != glyphs_.end()) return it->second;
    if (c >= U'a' && c <= U'z') {
        if (auto it = glyphs_.find(c - U'a' + U'A'); it != glyphs_.end()) return it->second;
    }
    return glyphs_.at(U'?');
}

void StrokeFont::add_punctuation() {
    const Glyph& o = glyph(U'o');
    const Glyph& minus = glyph(U'-');
    const Box o_box = stroke_box(o);
    // Small o with a stroke: across the small letter, not the capital's.
    Glyph o_slash = o;
    o_slash.strokes.push_back(
        {{o_box.min_x - 0.05, o_box.min_y - 0.05}, {o_box.max_x + 0.05, o_box.max_y + 0.05}});
    glyphs_.try_emplace(U'\u00F8', std::move(o_slash));
    // Ligatures: the second letter overlapping the first by a stem.
    const auto ligature = [&](char32_t c, char32_t first, char32_t second, double overlap) {
        if (glyphs_.count(c) || !has(first) || !has(second)) return;
        const Glyph& a = glyph(first);
        const Glyph& b = glyph(second);
        Glyph out = a;
        const double shift = a.right - overlap - b.left;
        for (const auto& st : transformed(b, 1, {shift, 0}).strokes) out.strokes.push_back(st);
        out.right = b.right + shift;
        glyphs_[c] = std::move(out);
    };
    ligature(U'\u00C6', 'A', 'E', 0.35);
    ligature(U'\u00E6', 'a', 'e', 0.2);
    ligature(U'\u0152', 'O', 'E', 0.3);
    ligature(U'\u0153', 'o', 'e', 0.15);
    // Dashes: the hyphen's stroke drawn longer.
    const Box minus_box = stroke_box(minus);
    const double dash_y = minus_box.empty() ? 0.45 : (minus_box.min_y + minus_box.max_y) / 2;
    const auto dash = [&](char32_t c, double width) {
        glyphs_.try_emplace(c, Glyph{-0.1, width + 0.1, {{{0, dash_y}, {width, dash_y}}}});
    };
    dash(U'\u2013', 0.5);  // en dash
    dash(U'\u2014', 1.0);  // em dash
    dash(U'\u2015', 1.0);  // horizontal bar
    dash(U'\u2212', 0.6);  // minus sign
    for (char32_t hyphen : {U'\u2010', U'\u2011', U'\u00AD'}) glyphs_.try_emplace(hyphen, minus);
    // Typographic quotes as the typewriter's, the low ones on the baseline.
    const Glyph& single = glyph(U'\'');
    const Glyph& dbl = glyph(U'"');
    const double quote_drop = stroke_box(single).empty() ? 0 : stroke_box(single).min_y;
    for (char32_t c : {U'\u2018', U'\u2019', U'\u201B', U'\u2032'}) glyphs_.try_emplace(c, single);
    for (char32_t c : {U'\u201C', U'\u201D', U'\u201F', U'\u2033'}) glyphs_.try_emplace(c, dbl);
    glyphs_.try_emplace(U'\u201A', transformed(single, 1, {0, -quote_drop}));
    glyphs_.try_emplace(U'\u201E', transformed(dbl, 1, {0, -quote_drop}));
    // Ellipsis: three full stops; no-break space: a space.
    if (has(U'.')) {
        const Glyph& stop = glyph(U'.');
        Glyph dots = stop;
        for (int k = 1; k < 3; ++k)
            for (const auto& st : transformed(stop, 1, {k * stop.advance(), 0}).strokes)
                dots.strokes.push_back(st);
        dots.right += 2 * stop.advance();
        glyphs_.try_emplace(U'\u2026', std::move(dots));
    }
    if (has(U' ')) glyphs_.try_emplace(U'\u00A0', glyph(U' '));
}

void StrokeFont::add_composites() {
    const Glyph& o = glyph(U'o');
    const Glyph& big_o = glyph(U'O');
    const Glyph& plus = glyph(U'+');
    const Glyph& minus = glyph(U'-');
    // Degree: a small o at the cap line.
    glyphs_[U'\u00B0'] = transformed(o, 0.6, {0, 0.55});
    // Diameter: an O struck through.
    Glyph diameter = big_o;
    diameter.strokes.push_back({{big_o.left + 0.05, -0.1}, {big_o.right - 0.05, 1.1}});
    glyphs_[U'\u2205'] = glyphs_[U'\u00D8'] = diameter;
    add_punctuation();
    // Plus-minus: a plus raised over a minus.
    Glyph plus_minus = transformed(plus, 1, {0, 0.15});
    for (const auto& s : transformed(minus, 1, {plus.left - minus.left, -0.35}).strokes)
        plus_minus.strokes.push_back(s);
    glyphs_[U'\u00B1'] = plus_minus;
    // Superscript two and three.
    glyphs_[U'\u00B2'] = transformed(glyph(U'2'), 0.55, {0, 0.5});
    glyphs_[U'\u00B3'] = transformed(glyph(U'3'), 0.55, {0, 0.5});
    // Sharp s: two s side by side.
    const Glyph& s = glyph(U's');
    Glyph sharp_s = s;
    for (const auto& stroke : transformed(s, 1, {s.advance(), 0}).strokes)
        sharp_s.strokes.push_back(stroke);
    sharp_s.right += s.advance();
    glyphs_[U'\u00DF'] = sharp_s;
    for (const auto& [c, base, accent] : kAccented) {
        if (!has(base) || glyphs_.count(c)) continue;
        Glyph letter = glyph(base);
        // An i loses its dot under an accent.
        if (base == 'i')
            std::erase_if(letter.strokes, [](const auto& st) {
                return st.size() > 2 && st.size() < 8 && st.front().y > 0.6;
            });
        Box box = stroke_box(letter);
        Vec2 at{(box.min_x + box.max_x) / 2, accent == ',' ? 0 : box.max_y + 0.1};
        for (auto stroke : accent_strokes(accent)) {
            for (Vec2& p : stroke) p = {p.x + at.x, p.y + at.y};
            letter.strokes.push_back(std::move(stroke));
        }
        glyphs_[c] = std::move(letter);
    }
}

}  // namespace tvk::host
