// Value rules shared by the "[SPEC]" and "[PAPER]" readers: whole numbers,
// reals with an optional unit suffix, and comma-separated lists.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tvk {

// Millimetres to inches, and the largest length the driver takes from the
// file: any length of at most this many inches times a resolution of at most
// 32767 units per inch stays inside a signed 32-bit number of plotter units.
inline constexpr double kInchesPerMm = 0.03937007874015748;
inline constexpr double kMaxLengthInches = 65535.0;

// A decimal integer at the start of text (optional sign, digits; what follows
// is ignored). False when there is no number or it does not fit 32 bits.
bool scan_int(std::string_view text, int32_t& value);

// A real greater than 0 that consumes at least one character, followed by
// nothing or exactly `suffix`. kBad when the value breaks these rules.
enum class RealUnit { kBad, kPlain, kSuffix };
RealUnit scan_real(std::string_view text, std::string_view suffix, double& value);

// A length in inches, or in millimetres with the suffix "MM"; greater than 0
// and at most kMaxLengthInches. False when bad.
bool scan_length(std::string_view text, double& inches);

// The non-empty comma-separated items of text.
std::vector<std::string_view> split_list(std::string_view text);

// True when line begins with one of chars (an empty line begins with none).
inline bool begins_with_any(const char* line, const char* chars) {
    for (; *chars != '\0'; ++chars)
        if (line[0] == *chars) return true;
    return false;
}

// Copies at most `max` characters of text into out (which holds max + 1).
void copy_cut(char* out, std::string_view text, std::size_t max);

}  // namespace tvk
