#include "host/plotting/line_types.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

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

}  // namespace

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
