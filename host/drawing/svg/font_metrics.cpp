#include "host/drawing/svg/font_metrics.h"

#include <array>
#include <cctype>
#include <sstream>

namespace tvk::host {
namespace {

// Advances of the printable ASCII characters, space to tilde, in thousandths
// of an em (the standard metrics of the fonts that browsers' Arial and
// Times New Roman match).
constexpr std::array<short, 95> kHelvetica = {
    278, 278, 355, 556, 556, 889, 667,  191, 333, 333, 389, 584, 278, 333, 278, 278,  // space to /
    556, 556, 556, 556, 556, 556, 556,  556, 556, 556,                                // digits
    278, 278, 584, 584, 584, 556, 1015,                                               // : to @
    667, 667, 722, 722, 667, 611, 778,  722, 278, 500, 667, 556, 833,                 // A to M
    722, 778, 667, 778, 722, 667, 611,  722, 667, 944, 667, 667, 611,                 // N to Z
    278, 278, 278, 469, 556, 333,                                                     // [ to `
    556, 556, 500, 556, 556, 278, 556,  556, 222, 222, 500, 222, 833,                 // a to m
    556, 556, 556, 556, 333, 500, 278,  556, 500, 722, 500, 500, 500,                 // n to z
    334, 260, 334, 584};
constexpr std::array<short, 95> kTimes = {
    250, 333, 408, 500, 500, 833, 778, 180, 333, 333, 500, 564, 250, 333, 250, 278,  // space to /
    500, 500, 500, 500, 500, 500, 500, 500, 500, 500,                                // digits
    278, 278, 564, 564, 564, 444, 921,                                               // : to @
    722, 667, 667, 722, 611, 556, 722, 722, 333, 389, 722, 611, 889,                 // A to M
    722, 722, 556, 722, 667, 556, 611, 722, 722, 944, 722, 722, 611,                 // N to Z
    333, 278, 333, 469, 500, 333,                                                    // [ to `
    444, 500, 444, 500, 444, 333, 500, 500, 278, 278, 500, 278, 778,                 // a to m
    500, 500, 500, 500, 333, 389, 278, 500, 500, 722, 500, 500, 444,                 // n to z
    480, 200, 480, 541};

std::string lower_case(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::optional<FontClass> known_family(const std::string& name) {
    const auto has = [&](const char* part) { return name.find(part) != std::string::npos; };
    if (has("mono") || has("courier") || has("consol") || has("menlo") || has("code"))
        return FontClass::kMono;
    if (has("sans") || has("arial") || has("helvetica") || has("verdana") || has("tahoma") ||
        has("segoe") || has("roboto") || has("myriad") || has("calibri") || has("inter") ||
        has("system-ui") || has("ui-"))
        return FontClass::kSans;
    if (has("serif") || has("times") || has("georgia") || has("garamond") || has("cambria") ||
        has("palatino") || has("minion"))
        return FontClass::kSerif;
    return std::nullopt;
}

}  // namespace

FontClass font_class(const std::string& families) {
    std::stringstream list(lower_case(families));
    for (std::string name; std::getline(list, name, ',');)
        if (const auto known = known_family(name)) return *known;
    return FontClass::kSerif;
}

std::optional<double> browser_advance(char32_t c, FontClass font) {
    if (c < U' ' || c > U'~') return std::nullopt;
    if (font == FontClass::kMono) return 0.6;
    const auto& widths = font == FontClass::kSans ? kHelvetica : kTimes;
    return widths[c - U' '] / 1000.0;
}

}  // namespace tvk::host
