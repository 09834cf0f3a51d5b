#include "host/drawing/text/code_page.h"

#include <iconv.h>

#include <cctype>
#include <cstdint>

#include "host/drawing/text/text.h"

namespace tvk::host {

namespace {

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Windows-1252 where it differs from Latin-1, for systems without iconv's tables.
constexpr char16_t kWindows1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string from_windows_1252(const std::string& text) {
    std::string out;
    for (char ch : text) {
        auto byte = static_cast<unsigned char>(ch);
        append_utf8(out, byte >= 0x80 && byte < 0xA0 ? kWindows1252[byte - 0x80] : byte);
    }
    return out;
}

// The iconv name of a $DWGCODEPAGE, or nothing.
std::string charset(std::string name) {
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    auto number = [&](size_t from) { return name.substr(from); };
    if (name == "ANSI_936") return "GBK";
    if (name == "ANSI_950") return "BIG5";
    if (name == "ANSI_949") return "CP949";
    if (name == "ANSI_1361") return "JOHAB";
    if (name.rfind("ANSI_", 0) == 0) return "CP" + number(5);
    if (name.rfind("DOS", 0) == 0) return "CP" + number(3);
    if (name.rfind("ISO8859-", 0) == 0) return "ISO-8859-" + number(8);
    if (name == "UTF8" || name == "UTF-8") return "UTF-8";
    return "";
}

// Converts with iconv; false when the charset is unknown or the text not in it.
bool convert(const std::string& text, const std::string& from, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string in = text;
    out.assign(text.size() * 4 + 4, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t src_left = in.size(), dst_left = out.size();
    size_t done = iconv(cd, &src, &src_left, &dst, &dst_left);
    iconv_close(cd);
    if (done == static_cast<size_t>(-1)) return false;
    out.resize(out.size() - dst_left);
    return true;
}

}  // namespace

std::string to_utf8(const std::string& text, const std::string& code_page) {
    if (std::u32string characters; from_utf8(text, characters)) return text;
    std::string name = charset(code_page), out;
    if (!name.empty() && name != "UTF-8" && convert(text, name, out)) return out;
    return from_windows_1252(text);
}

std::string double_byte_to_utf8(int code_page, unsigned code) {
    static const char* const kCharsets[] = {"", "CP932", "BIG5", "CP949", "JOHAB", "GBK"};
    std::string out;
    if (code_page < 1 || code_page > 5 || code > 0xFFFF) return "?";
    std::string bytes{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    return convert(bytes, kCharsets[code_page], out) && !out.empty() ? out : "?";
}

}  // namespace tvk::host
