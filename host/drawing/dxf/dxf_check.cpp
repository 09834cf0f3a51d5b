#include "host/drawing/dxf/dxf_check.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "host/drawing/model/drawing.h"

namespace tvk::host {

namespace {

// Group codes run below this; values are kept up to this many characters
// (the limits of the readers that wrote files for years).
constexpr long kMaxGroupCode = 1100;
constexpr size_t kMaxLine = 1000;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Group codes whose values are numbers (reals, integers, booleans).
bool numeric_code(long code) {
    return (code >= 10 && code <= 99) || (code >= 110 && code <= 179) ||
           (code >= 210 && code <= 299) || (code >= 370 && code <= 389) ||
           (code >= 400 && code <= 409) || (code >= 420 && code <= 429) ||
           (code >= 440 && code <= 469) || (code >= 1010 && code <= 1071);
}

// A finite number: "nan" and "inf" would poison every coordinate they touch,
// and so would numbers too large for a double. Numbers too small for its full
// precision (subnormals such as 4.94065645841e-324, which real files carry)
// are the numbers they are, next to 0.
bool parse_number(std::string_view s, double& value) {
    std::string_view text = trim(s);
    // from_chars takes no plus sign; strtod does, but not two signs.
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-')) return false;
    }
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, value);
    if (at != end) return false;
    if (error == std::errc::result_out_of_range) {
        // Overflow, or a value below the smallest double: strtod tells which.
        value = std::strtod(std::string(text).c_str(), nullptr);
        return std::isfinite(value);
    }
    return error == std::errc{} && std::isfinite(value);
}

bool parse_code(std::string_view s, long& code) {
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), code);
    return error == std::errc{} && end == s.data() + s.size();
}

// Groups that announce the number of vertices, knots or points of an
// entity: readers allocate room for them.
bool allocation_count(std::string_view type, long code) {
    return (type == "LWPOLYLINE" && code == 90) || (type == "SPLINE" && code >= 72 && code <= 74) ||
           (type == "LEADER" && code == 76);
}

// A piece of the file as a message may show it: printable ASCII as it
// stands, any other byte as \xNN, so that a binary file never sends raw bytes
// to the terminal.
std::string shown(std::string_view s) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : s.substr(0, 40)) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F) {
            out.push_back(c);
        } else {
            out += {'\\', 'x', digits[b >> 4], digits[b & 15]};
        }
    }
    if (s.size() > 40) out += "...";
    return "'" + out + "'";
}

// Bytes that no text file holds: NUL and the control characters other than
// tab, line feed, carriage return and the end-of-file mark of old programs.
bool binary(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != 0x1A;
    });
}

}  // namespace

void read_dxf_groups(
    const std::string& contents, const std::string& path,
    const std::function<void(int code, std::string_view value, double number)>& visit,
    WorkProgress& progress) {
    auto fail = [&](size_t line, const std::string& what) -> DxfError {
        return DxfError(path + ": line " + std::to_string(line) + ": " + what);
    };
    if (contents.rfind("AutoCAD Binary DXF", 0) == 0)
        throw DxfError(path + ": binary DXF files are not supported; save it as ASCII DXF");
    if (contents.rfind("\x1F\x8B", 0) == 0)
        throw DxfError(path + ": not a DXF file: it is compressed with gzip; unpack it first");
    std::string_view rest(contents);
    // Editors on Windows begin UTF-8 files with a byte order mark.
    if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
    size_t line = 0;
    // Lines end in LF or CR LF; in files of old Macintosh programs, in CR alone.
    const char line_end =
        rest.find('\n') == std::string_view::npos && rest.find('\r') != std::string_view::npos
            ? '\r'
            : '\n';
    auto next_line = [&](std::string_view& got) {
        if (rest.empty()) return false;
        size_t end = rest.find(line_end);
        got = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (!got.empty() && got.back() == '\r') got.remove_suffix(1);
        ++line;
        return true;
    };
    const size_t lines =
        static_cast<size_t>(std::count(contents.begin(), contents.end(), line_end)) + 1;
    std::string_view entity_type;
    bool first = true;
    std::string_view code_text, value;
    for (uint64_t groups = 1; next_line(code_text); ++groups) {
        if (groups % 4096 == 0)
            progress.step("Reading", contents.size() - rest.size(), contents.size());
        std::string_view code_trimmed = trim(code_text);
        if (code_trimmed.empty() && rest.empty()) break;  // a blank last line
        long code = 0;
        if (!parse_code(code_trimmed, code)) {
            if (first && binary(code_text))
                throw fail(line, "not a DXF file: it holds binary data, not text");
            throw fail(line, first
                                 ? "not a DXF file: group code expected, found " + shown(code_text)
                                 : "group code expected, found " + shown(code_text));
        }
        if (code < 0 || code >= kMaxGroupCode)
            throw fail(line, "group code " + std::to_string(code) + " is out of range");
        size_t code_line = line;
        if (!next_line(value))
            throw fail(code_line, "the file is truncated: group code " + std::to_string(code) +
                                      " has no value");
        double number = std::numeric_limits<double>::quiet_NaN();
        if (numeric_code(code) && !parse_number(value, number))
            throw fail(line,
                       "group " + std::to_string(code) + " needs a number, found " + shown(value));
        // A file of n lines holds fewer than n vertices: a larger count is a
        // broken file, and would only make a reader allocate gigabytes.
        if (allocation_count(entity_type, code) && number > static_cast<double>(lines))
            throw fail(line, std::string(entity_type) + " announces " + std::string(trim(value)) +
                                 " points, more than the file can hold");
        if (first && !(code == 999 || (code == 0 && trim(value) == "SECTION")))
            throw fail(code_line, "not a DXF file: it does not begin with a SECTION");
        first = false;
        bool is_text = code == 1 || code == 3;
        std::string_view text = (is_text ? value : trim(value)).substr(0, kMaxLine);
        if (code == 0) entity_type = text;
        visit(static_cast<int>(code), text, number);
        if (code == 0 && text == "EOF") return;
    }
    if (first) throw DxfError(path + ": the file is empty");
    // Some programs end their files with the last section, without the marker.
    if (entity_type == "ENDSEC") return;
    throw DxfError(path + ": line " + std::to_string(line) +
                   ": the file is truncated: it ends without the EOF marker");
}

}  // namespace tvk::host
