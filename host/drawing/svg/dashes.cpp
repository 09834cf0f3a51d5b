#include "host/drawing/svg/dashes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace tvk::host {

std::vector<double> parse_dasharray(const std::string& value, double percent_of) {
    std::string text = value;
    std::replace(text.begin(), text.end(), ',', ' ');
    std::vector<double> out;
    const char* at = text.c_str();
    while (true) {
        while (*at == ' ' || *at == '\t' || *at == '\n' || *at == '\r') ++at;
        if (!*at) break;
        char* end = nullptr;
        double v = std::strtod(at, &end);
        if (end == at) return {};  // none, inherit or junk: no dashes
        at = end;
        if (*at == '%') {
            v = v / 100 * percent_of;
            ++at;
        } else if (std::isalpha(static_cast<unsigned char>(*at))) {
            const char* unit = at;
            while (std::isalpha(static_cast<unsigned char>(*at))) ++at;
            const std::string u(unit, at);
            if (u == "mm")
                v *= 96 / 25.4;
            else if (u == "cm")
                v *= 96 / 2.54;
            else if (u == "in")
                v *= 96;
            else if (u == "pt")
                v *= 96.0 / 72;
            else if (u == "pc")
                v *= 16;
            else if (u != "px")
                return {};
        }
        if (v < 0 || !std::isfinite(v)) return {};
        out.push_back(v);
    }
    if (out.size() % 2 == 1) out.insert(out.end(), out.begin(), out.end());
    return out;
}

}  // namespace tvk::host
