// The reader's file and its line grammar: pieces of at most 127 bytes,
// blanks and case outside double quotes, comments, and Shift JIS text in
// Japanese mode.
#include <cerrno>
#include <cstring>

#include "deffile/deffile.h"

namespace tvk {
namespace {

// Outside quotes every control character becomes a blank.
void blank_controls(char* piece) {
    bool quoted = false;
    for (char* p = piece; *p != '\0'; ++p) {
        if (*p == '"')
            quoted = !quoted;
        else if (!quoted && static_cast<unsigned char>(*p) <= 0x20)
            *p = ' ';
    }
}

// The full-width space becomes two blanks; every other two-byte character is
// stepped over whole, but never past the end of the piece.
void blank_wide_spaces(char* piece) {
    for (char* p = piece; *p != '\0'; ++p) {
        if (!is_double_byte_lead(static_cast<unsigned char>(*p)) || p[1] == '\0') continue;
        if (static_cast<unsigned char>(*p) == 0x81 && p[1] == 0x40) p[0] = p[1] = ' ';
        ++p;
    }
}

// Copies the significant part of a piece: outside quotes without blanks, in
// capitals and up to a comment; inside quotes as written, two-byte
// characters whole in Japanese mode.
void copy_significant(const char* from, char* to, bool japanese) {
    bool quoted = false;
    for (const char* p = from; *p != '\0'; ++p) {
        const char c = *p;
        if (c == '"') {
            quoted = !quoted;
            *to++ = c;
        } else if (quoted) {
            *to++ = c;
            if (japanese && is_double_byte_lead(static_cast<unsigned char>(c)) && p[1] != '\0')
                *to++ = *++p;
        } else if (c == ';') {
            break;
        } else if (c != ' ') {
            *to++ = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
    }
    if (quoted) *to++ = '"';
    *to = '\0';
}

}  // namespace

bool is_double_byte_lead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEE);
}

bool japanese_mode() {
    return std::strcmp(host_language, "JA") == 0;
}

bool open_definition_file() {
    close_definition_file();
    definition_file = std::fopen(definition_path, "r");
    return definition_file != nullptr;
}

void close_definition_file() {
    // Keeps errno, which a report made after the close still names.
    const int saved = errno;
    if (definition_file != nullptr) std::fclose(definition_file);
    definition_file = nullptr;
    errno = saved;
}

int read_definition_line() {
    std::memset(definition_line, 0, sizeof definition_line);
    if (definition_file == nullptr) {
        errno = EBADF;
        return -1;
    }
    const bool japanese = japanese_mode();
    for (;;) {
        ++definition_line_number;
        if (std::fgets(raw_definition_line, static_cast<int>(sizeof raw_definition_line),
                       definition_file) == nullptr)
            return std::ferror(definition_file) ? -1 : 1;
        if (raw_definition_line[0] == '\0') continue;
        blank_controls(raw_definition_line);
        if (japanese) blank_wide_spaces(raw_definition_line);
        const char* start = raw_definition_line;
        while (*start == ' ') ++start;
        if (*start == '\0' || *start == ';') continue;
        copy_significant(start, definition_line, japanese);
        return 0;
    }
}

}  // namespace tvk
