#include "transcript.h"

#include <cstdio>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace tvk::player {

std::string quoted(const void* bytes, std::size_t count) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    std::string out = "\"";
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t c = p[i];
        switch (c) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case 27:
                out += "\\e";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (c >= 0x20 && c < 0x7F) {
                    out += static_cast<char>(c);
                } else {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\x%02x", c);
                    out += buf;
                }
        }
    }
    return out + "\"";
}

std::string quoted(const std::string& text) {
    return quoted(text.data(), text.size());
}

std::string hex(const uint8_t* bytes, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
        if (i > 0) out += ' ';
        out += buf;
    }
    return out;
}

Transcript::~Transcript() {
    if (owned_) std::fclose(file_);
}

bool Transcript::open(const char* path) {
    if (path == nullptr || path[0] == '\0' || std::string(path) == "-") {
#if defined(_WIN32)
        _setmode(_fileno(stdout), _O_BINARY);  // no CR before each LF
#endif
        file_ = stdout;
        return true;
    }
    file_ = std::fopen(path, "wb");
    owned_ = file_ != nullptr;
    return owned_;
}

void Transcript::line(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);  // a crash in the driver must not lose what led to it
}

void Transcript::changes(const uint8_t* before, const uint8_t* after, std::size_t size) {
    // Rows of 32 bytes; each row with a change shows the span from its first
    // to its last changed byte.
    for (std::size_t row = 0; row < size; row += 32) {
        const std::size_t row_end = row + 32 < size ? row + 32 : size;
        std::size_t first = row_end, last = row;
        for (std::size_t i = row; i < row_end; ++i) {
            if (before[i] == after[i]) continue;
            if (first == row_end) first = i;
            last = i;
        }
        if (first == row_end) continue;
        char head[16];
        std::snprintf(head, sizeof head, "  @%04u ", static_cast<unsigned>(first));
        line(head + hex(after + first, last - first + 1));
    }
}

}  // namespace tvk::player
