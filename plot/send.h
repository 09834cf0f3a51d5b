// Small helpers for sending command pieces through the output operation.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>

#include "plot/plot.h"

namespace tvk {

// A literal piece, its length known at compile time.
template <std::size_t N>
inline int send(const char (&text)[N]) {
    return output(text, static_cast<int32_t>(N - 1));
}

// A piece built in a caller's buffer from `begin` to `end`.
inline int send(const char* begin, const char* end) {
    return output(begin, static_cast<int32_t>(end - begin));
}

// Writes v in decimal at p, as "%ld" would; returns the end.
inline char* put_decimal(char* p, int64_t v) {
    return std::to_chars(p, p + 21, v).ptr;
}

// Writes "<head><v>" at p: a command word and one integer, as "SP%d" would.
template <std::size_t N>
inline char* put_command(char* p, const char (&head)[N], int64_t v) {
    std::memcpy(p, head, N - 1);
    return put_decimal(p + N - 1, v);
}

}  // namespace tvk
