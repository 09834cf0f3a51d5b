#include "host/ui/display_text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace tvk::host {
namespace {

struct LanguageCodePage {
    const char* code;
    const char* code_page;
    const char* block;  // the name of its block of texts in the definition file
};

// English, and the languages the driver has message blocks for, with the
// Windows code page their CAD hosts write in.
constexpr LanguageCodePage kLanguages[] = {
    {"EN", "CP1252", "ENGLISH"},    {"JA", "CP932", "JAPANESE"},  {"DE", "CP1252", "GERMAN"},
    {"EL", "CP1253", "GREEK"},      {"ES", "CP1252", "SPANISH"},  {"NL", "CP1252", "DUTCH"},
    {"NO", "CP1252", "NORWEGIAN"},  {"PT", "CP1252", "PORTUGUESE"}, {"RU", "CP1251", "RUSSIAN"},
    {"FR", "CP1252", "FRENCH"},     {"IT", "CP1252", "ITALIAN"},  {"KO", "CP949", "KOREAN"},
    {"SV", "CP1252", "SWEDISH"},
};
constexpr const char* kDefaultCodePage = "CP1252";  // any other code: English texts
constexpr const char* kReplacement = "\xEF\xBF\xBD";

std::string upper(std::string_view s) {
    std::string u(s);
    std::transform(u.begin(), u.end(), u.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return u;
}

const LanguageCodePage* find_language(std::string_view code) {
    const std::string wanted = upper(code);
    for (const auto& l : kLanguages) {
        if (wanted == l.code) return &l;
    }
    return nullptr;
}

// Length of the UTF-8 sequence at s[i], or 0 when it is not one.
size_t utf8_sequence(std::string_view s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > s.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (size_t k = i + 2; k < i + length; ++k) {
        if (byte(k) < 0x80 || byte(k) > 0xBF) return 0;
    }
    return length;
}

bool valid_utf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const size_t n = utf8_sequence(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

}  // namespace

bool driver_knows_language(std::string_view code) {
    return find_language(code) != nullptr;
}

std::string language_block(std::string_view code) {
    const LanguageCodePage* l = find_language(code);
    return l ? l->block : "ENGLISH";
}

DisplayText::DisplayText(const std::string& language) {
    const LanguageCodePage* l = find_language(language);
    converter_ = iconv_open("UTF-8", l ? l->code_page : kDefaultCodePage);
}

DisplayText::~DisplayText() {
    if (converter_ != reinterpret_cast<iconv_t>(-1)) iconv_close(converter_);
}

std::string DisplayText::to_utf8(std::string_view text) const {
    if (valid_utf8(text) || converter_ == reinterpret_cast<iconv_t>(-1)) return std::string(text);
    std::string out;
    iconv(converter_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(text.data());  // iconv does not write its input
    size_t in_left = text.size();
    char buffer[512];
    while (in_left > 0) {
        char* o = buffer;
        size_t o_left = sizeof buffer;
        const size_t result = iconv(converter_, &in, &in_left, &o, &o_left);
        out.append(buffer, static_cast<size_t>(o - buffer));
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            // A byte the code page does not know, or a character cut short.
            out += kReplacement;
            ++in;
            --in_left;
            iconv(converter_, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

}  // namespace tvk::host
