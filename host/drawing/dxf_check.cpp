#include "host/drawing/dxf_check.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "host/drawing/drawing.h"

namespace tvk::host {

namespace {

// dxflib keeps one value per group code below this, and values of at most
// this many characters.
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

bool parse_number(std::string_view s, double& value) {
    std::string text(trim(s));
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && errno != ERANGE;
}

std::string shown(std::string_view s) {
    std::string out(s.substr(0, 40));
    if (s.size() > 40) out += "...";
    return "'" + out + "'";
}

}  // namespace

void read_dxf_groups(const std::string& contents, const std::string& path,
                     const std::function<void(int code, const std::string& value)>& visit) {
    auto fail = [&](size_t line, const std::string& what) -> DxfError {
        return DxfError(path + ": line " + std::to_string(line) + ": " + what);
    };
    if (contents.rfind("AutoCAD Binary DXF", 0) == 0)
        throw DxfError(path + ": binary DXF files are not supported; save it as ASCII DXF");
    std::string text;
    std::string_view rest(contents);
    size_t line = 0;
    auto next_line = [&](std::string_view& got) {
        if (rest.empty()) return false;
        size_t end = rest.find('\n');
        got = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (!got.empty() && got.back() == '\r') got.remove_suffix(1);
        ++line;
        return true;
    };
    bool first = true;
    std::string_view code_text, value;
    while (next_line(code_text)) {
        std::string_view code_trimmed = trim(code_text);
        if (code_trimmed.empty() && rest.empty()) break;  // a blank last line
        double code_value = 0;
        if (!parse_number(code_trimmed, code_value) ||
            code_trimmed.find('.') != std::string_view::npos)
            throw fail(line, first
                                 ? "not a DXF file: group code expected, found " + shown(code_text)
                                 : "group code expected, found " + shown(code_text));
        long code = static_cast<long>(code_value);
        if (code < 0 || code >= kMaxGroupCode)
            throw fail(line, "group code " + std::to_string(code) + " is out of range");
        size_t code_line = line;
        if (!next_line(value))
            throw fail(code_line, "the file is truncated: group code " + std::to_string(code) +
                                      " has no value");
        double number;
        if (numeric_code(code) && !parse_number(value, number))
            throw fail(line,
                       "group " + std::to_string(code) + " needs a number, found " + shown(value));
        if (first && !(code == 999 || (code == 0 && trim(value) == "SECTION")))
            throw fail(code_line, "not a DXF file: it does not begin with a SECTION");
        first = false;
        bool is_text = code == 1 || code == 3;
        text.assign(is_text ? value : trim(value));
        if (text.size() > kMaxLine) text.resize(kMaxLine);
        visit(static_cast<int>(code), text);
        if (code == 0 && text == "EOF") return;
    }
    if (first) throw DxfError(path + ": the file is empty");
    throw DxfError(path + ": line " + std::to_string(line) +
                   ": the file is truncated: it ends without the EOF marker");
}

}  // namespace tvk::host
