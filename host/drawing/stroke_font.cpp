#include "host/drawing/stroke_font.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

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

Glyph transformed(const Glyph& g, double scale, Vec2 offset) {
    Glyph out{g.left * scale + offset.x, g.right * scale + offset.x, {}};
    for (const auto& stroke : g.strokes) {
        std::vector<Vec2> s;
        for (Vec2 p : stroke) s.push_back({p.x * scale + offset.x, p.y * scale + offset.y});
        out.strokes.push_back(std::move(s));
    }
    return out;
}

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
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot open the font file");
    std::ostringstream data;
    data << in.rdbuf();
    StrokeFont font;
    font.source_ = path;
    size_t pos = 0;
    Glyph g;
    // The fonts hold the printable ASCII characters in order, from the space on.
    for (char32_t c = U' '; c <= U'~' && read_jhf_record(data.str(), pos, g); ++c)
        font.glyphs_[c] = g;
    if (font.glyphs_.size() < 95) throw std::runtime_error(path + ": not a Hershey JHF font");
    font.add_composites();
    return font;
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

const Glyph& StrokeFont::glyph(char32_t c) const {
    if (auto it = glyphs_.find(c); it != glyphs_.end()) return it->second;
    if (c >= U'a' && c <= U'z') {
        if (auto it = glyphs_.find(c - U'a' + U'A'); it != glyphs_.end()) return it->second;
    }
    return glyphs_.at(U'?');
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
    glyphs_[U'\u2205'] = glyphs_[U'\u00D8'] = glyphs_[U'\u00F8'] = diameter;
    // Plus-minus: a plus raised over a minus.
    Glyph plus_minus = transformed(plus, 1, {0, 0.15});
    for (const auto& s : transformed(minus, 1, {plus.left - minus.left, -0.35}).strokes)
        plus_minus.strokes.push_back(s);
    glyphs_[U'\u00B1'] = plus_minus;
}

}  // namespace tvk::host
