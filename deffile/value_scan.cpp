#include "deffile/value_scan.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tvk {

bool scan_int(std::string_view text, int32_t& value) {
    // Like "%d": a sign and digits at the start, but a number that does not
    // fit is refused instead of overflowing.
    std::size_t i = 0;
    const auto digit = [&text](std::size_t at) {
        return at < text.size() && text[at] >= '0' && text[at] <= '9';
    };
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (!digit(i)) return false;
    int64_t n = 0;
    for (; digit(i); ++i) {
        n = n * 10 + (text[i] - '0');
        if (n > int64_t{INT32_MAX} + 1) return false;
    }
    if (negative) n = -n;
    if (n > INT32_MAX) return false;
    value = static_cast<int32_t>(n);
    return true;
}

RealUnit scan_real(std::string_view text, std::string_view suffix, double& value) {
    // The number is read without regard to the process's locale, so that a
    // host running with a decimal comma still reads "16.53" as written.
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const char* digits = first;
    if (digits != last && *digits == '+') ++digits;
    if (digits != last && (*digits == '+' || *digits == '-')) return RealUnit::kBad;
    double v = 0.0;
    const auto [end, error] = std::from_chars(digits, last, v, std::chars_format::general);
    if (error != std::errc() || !std::isfinite(v) || !(v > 0.0)) return RealUnit::kBad;
    const std::string_view rest(end, static_cast<std::size_t>(last - end));
    if (!rest.empty() && rest != suffix) return RealUnit::kBad;
    value = v;
    return rest.empty() ? RealUnit::kPlain : RealUnit::kSuffix;
}

bool scan_length(std::string_view text, double& inches) {
    double v = 0.0;
    const RealUnit unit = scan_real(text, "MM", v);
    if (unit == RealUnit::kBad) return false;
    if (unit == RealUnit::kSuffix) v *= kInchesPerMm;
    if (v > kMaxLengthInches) return false;
    inches = v;
    return true;
}

std::vector<std::string_view> split_list(std::string_view text) {
    std::vector<std::string_view> items;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        if (!item.empty()) items.push_back(item);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return items;
}

void copy_cut(char* out, std::string_view text, std::size_t max) {
    const std::size_t n = text.size() < max ? text.size() : max;
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

}  // namespace tvk
