#include "host/plotting/line_types.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <string_view>
#include <vector>

namespace tvk::host {
namespace {

// The plotters' patterns, by their number in the HP-GL languages:
//   1 ......   2 ----    ----   3 -----   -----   4 ------. ------.
//   5 ---- -  ---- -   6 --- - - --- - -   7 ------ . .   8 ------ . - .
// Each name lists the patterns that suit it, best first.
struct Pattern {
    std::string_view name;
    std::array<int, 2> patterns;
};

constexpr Pattern kPatterns[] = {
    {"DOT", {1, 2}},
    {"DOTTED", {1, 2}},
    {"HIDDEN", {2, 3}},
    {"DASHED", {3, 2}},
    {"DASHDOT", {4, 5}},
    {"CENTER", {5, 4}},
    {"PHANTOM", {6, 5}},
    {"DIVIDE", {7, 6}},
    {"BORDER", {8, 4}},
    // The ISO line types of AutoCAD.
    {"ACAD_ISO02W100", {3, 2}},  // dashed
    {"ACAD_ISO03W100", {2, 3}},  // dashed space
    {"ACAD_ISO04W100", {4, 5}},  // long dash dot
    {"ACAD_ISO05W100", {6, 7}},  // long dash double dot
    {"ACAD_ISO06W100", {8, 6}},  // long dash triple dot
    {"ACAD_ISO07W100", {1, 2}},  // dot
    {"ACAD_ISO08W100", {5, 4}},  // long dash short dash
    {"ACAD_ISO09W100", {6, 5}},  // long dash double short dash
    {"ACAD_ISO10W100", {4, 5}},  // dash dot
    {"ACAD_ISO11W100", {5, 4}},  // double dash dot
    {"ACAD_ISO12W100", {7, 6}},  // dash double dot
};

// DASHED2 and DASHEDX2 are DASHED at half and twice the scale: the plotter
// scales its patterns itself.
std::string_view base_name(std::string_view name) {
    for (std::string_view suffix : {"X2", "2"}) {
        if (name.size() > suffix.size() && name.ends_with(suffix)) {
            const std::string_view base = name.substr(0, name.size() - suffix.size());
            const bool known = std::any_of(std::begin(kPatterns), std::end(kPatterns),
                                           [&](const Pattern& p) { return p.name == base; });
            if (known) return base;
        }
    }
    return name;
}

// The patterns' dashes and gaps in turn, in percent of their length, by
// their number in the HP-GL languages (a 0 dash is a dot), and the length
// the driver sends with each, in percent of the diagonal of the paper.
struct Shape {
    std::vector<double> lengths;
    double percent_of_diagonal;
};
const Shape kShapes[] = {
    {{0, 100}, 1.0},
    {{50, 50}, 1.0},
    {{70, 30}, 2.0},
    {{80, 10, 0, 10}, 2.0},
    {{70, 10, 10, 10}, 2.0},
    {{50, 10, 10, 10, 10, 10}, 2.0},
    {{70, 10, 0, 10, 0, 10}, 2.0},
    {{50, 10, 0, 10, 10, 10, 0, 10}, 2.0},
};

// The shortest run of a pattern that repeats to make it ("5 5 5 5" is "5 5").
std::vector<double> shortest_period(std::vector<double> lengths) {
    for (size_t n = 2; n < lengths.size(); n += 2) {
        if (lengths.size() % n != 0) continue;
        bool repeats = true;
        for (size_t i = n; i < lengths.size() && repeats; ++i)
            repeats = std::abs(lengths[i] - lengths[i % n]) <= 1e-9 * (1 + std::abs(lengths[i]));
        if (repeats) {
            lengths.resize(n);
            break;
        }
    }
    return lengths;
}

// Whether the pattern, in percent of its period, is `shape` begun at a dash
// of it.
bool same_shape(const std::vector<double>& percent, const std::vector<double>& shape) {
    if (percent.size() != shape.size()) return false;
    const auto near = [](double a, double b) {
        const double dot = 2;  // a dash this short is drawn as a dot
        return std::abs(a - b) <= 6 || (a <= dot && b == 0);
    };
    for (size_t start = 0; start < shape.size(); start += 2) {
        bool all = true;
        for (size_t i = 0; i < shape.size() && all; ++i)
            all = near(percent[i], shape[(start + i) % shape.size()]);
        if (all) return true;
    }
    return false;
}

}  // namespace

int matching_line_type(const DashPattern& dashes, bool vtx_gl, int max_line_type,
                       double diagonal_mm) {
    if (dashes.solid() || dashes.lengths.size() % 2 != 0 || !(diagonal_mm > 0)) return 0;
    const std::vector<double> run = shortest_period(dashes.lengths);
    double period = 0;
    for (double l : run) period += l;
    if (!(period > 0) || !std::isfinite(period)) return 0;
    std::vector<double> percent;
    for (double l : run) percent.push_back(100 * l / period);
    for (int pattern = 1; pattern <= 8; ++pattern) {
        const Shape& shape = kShapes[pattern - 1];
        // VTX-GL numbers the HP-GL patterns 2 to 6 as 1 to 5.
        const int number = vtx_gl ? pattern - 1 : pattern;
        if (number < 1 || number > max_line_type) continue;
        const double length = shape.percent_of_diagonal / 100 * diagonal_mm;
        if (period < length / 1.5 || period > length * 1.5) continue;
        if (same_shape(percent, shape.lengths)) return number;
    }
    return 0;
}

int hardware_line_type(const std::string& name, bool vtx_gl, int max_line_type) {
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper.empty() || upper == "CONTINUOUS" || upper == "BYLAYER" || upper == "BYBLOCK") {
        return 0;
    }
    const std::string_view base = base_name(upper);
    for (const Pattern& p : kPatterns) {
        if (p.name != base) continue;
        for (int pattern : p.patterns) {
            // VTX-GL numbers the HP-GL patterns 2 to 6 as 1 to 5.
            const int number = vtx_gl ? pattern - 1 : pattern;
            if (number >= 1 && number <= max_line_type) return number;
        }
        return 0;  // the plotter has nothing like it: draw it continuous
    }
    return -1;
}

}  // namespace tvk::host
