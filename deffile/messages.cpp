// "[MESSAGE]": the message texts of the host's language replace the table's.
#include <cstdio>
#include <cstring>
#include <string>

#include "deffile/deffile.h"
#include "deffile/value_scan.h"

namespace tvk {
namespace {

struct LanguageBlock {
    const char* code;
    const char* name;
};
constexpr LanguageBlock kLanguageBlocks[] = {
    {"JA", "JAPANESE"}, {"DE", "GERMAN"},    {"EL", "GREEK"},      {"ES", "SPANISH"},
    {"NL", "DUTCH"},    {"NO", "NORWEGIAN"}, {"PT", "PORTUGUESE"}, {"RU", "RUSSIAN"},
    {"FR", "FRENCH"},   {"IT", "ITALIAN"},   {"KO", "KOREAN"},     {"SV", "SWEDISH"},
};

// The slot a line "Mnn:" names, or -1.
int message_key(const char* line) {
    if (line[0] != 'M' || line[1] < '0' || line[1] > '9' || line[2] < '0' || line[2] > '9' ||
        line[3] != ':')
        return -1;
    const int key = (line[1] - '0') * 10 + (line[2] - '0');
    return key < kMessageCount ? key : -1;
}

// Reads lines until one equals text: 0 found, 1 end of file, -1 read error.
int seek_line(const char* text) {
    while (std::strcmp(definition_line, text) != 0)
        if (const int r = read_definition_line(); r != 0) return r;
    return 0;
}

// The header of the block for the host language code; "<ENGLISH>" when the
// code is not in the list.
std::string block_header() {
    const char* name = "ENGLISH";
    for (const auto& block : kLanguageBlocks)
        if (std::strcmp(host_language, block.code) == 0) {
            name = block.name;
            break;
        }
    return std::string("<") + name + ">";
}

}  // namespace

int read_messages() {
    for (char* c = host_language; *c != '\0'; ++c)
        if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
    const std::string header = block_header();
    definition_line_number = 0;
    std::memset(definition_line, 0, sizeof definition_line);

    // The block may stand anywhere after the section header; other blocks and
    // sections on the way do not end the search.
    int r = seek_line("[MESSAGE]");
    if (r == 0) r = seek_line(header.c_str());
    if (r != 0) {
        std::rewind(definition_file);
        return r;
    }
    for (;;) {
        if (const int rr = read_definition_line(); rr < 0)
            return -1;
        else if (rr == 1 || begins_with_any(definition_line, "[*<%"))
            break;
        const int key = message_key(definition_line);
        if (key < 0) continue;
        // The text starts after the key, its colon and one more character
        // (normally the opening quote) and runs up to the next quote.
        const char* text = std::strlen(definition_line) > 5 ? definition_line + 5 : "";
        const char* quote = std::strchr(text, '"');
        const std::size_t length =
            quote ? static_cast<std::size_t>(quote - text) : std::strlen(text);
        const std::size_t kept = length < 127 ? length : 127;
        std::memcpy(message_table[key], text, kept);
        message_table[key][kept] = '\0';
    }
    std::rewind(definition_file);
    return 0;
}

}  // namespace tvk
