// Small helpers for sending command pieces through the output operation.
#pragma once

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

// Decimal digits of 0 to 99, two by two.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline int decimal_digits(uint32_t u) {
    for (int n = 1;; n += 4, u /= 10000) {
        if (u < 10) return n;
        if (u < 100) return n + 1;
        if (u < 1000) return n + 2;
        if (u < 10000) return n + 3;
    }
}

// Writes v in decimal at p, as "%ld" would, and returns the end: at most 11
// bytes, p[0] written even for a positive v. On the drawing path of every
// plot, so two digits at a time.
inline char* put_decimal(char* p, int32_t v) {
    // The sign without a branch: signs of displacements are unpredictable.
    const bool negative = v < 0;
    uint32_t u = static_cast<uint32_t>(v);
    u = negative ? 0 - u : u;
    *p = '-';
    p += negative;
    char* const end = p + decimal_digits(u);
    char* q = end;
    for (; u >= 100; u /= 100) {
        q -= 2;
        std::memcpy(q, kDigitPairs + 2 * (u % 100), 2);
    }
    if (u >= 10) {
        std::memcpy(q - 2, kDigitPairs + 2 * u, 2);
    } else {
        q[-1] = static_cast<char>('0' + u);
    }
    return end;
}

// Writes "<head><v>" at p: a command word and one integer, as "SP%d" would.
template <std::size_t N>
inline char* put_command(char* p, const char (&head)[N], int32_t v) {
    std::memcpy(p, head, N - 1);
    return put_decimal(p + N - 1, v);
}

}  // namespace tvk
