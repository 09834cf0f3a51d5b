#include "host/drawing/plotfile/character_sets.h"

#include <string_view>

namespace tvk::host::plotfile {
namespace {

// HP Roman-8, 0xA1 to 0xFE.
constexpr char32_t kRoman8[94] = {
    0xC0,   0xC2,   0xC8, 0xCA, 0xCB,  0xCE,  0xCF, 0xB4,   0x2CB, 0x2C6, 0xA8, 0x2DC, 0xD9, 0xDB,
    0x20A4, 0xAF,   0xDD, 0xFD, 0xB0,  0xC7,  0xE7, 0xD1,   0xF1,  0xA1,  0xBF, 0xA4,  0xA3, 0xA5,
    0xA7,   0x192,  0xA2, 0xE2, 0xEA,  0xF4,  0xFB, 0xE1,   0xE9,  0xF3,  0xFA, 0xE0,  0xE8, 0xF2,
    0xF9,   0xE4,   0xEB, 0xF6, 0xFC,  0xC5,  0xEE, 0xD8,   0xC6,  0xE5,  0xED, 0xF8,  0xE6, 0xC4,
    0xEC,   0xD6,   0xDC, 0xC9, 0xEF,  0xDF,  0xD4, 0xC1,   0xC3,  0xE3,  0xD0, 0xF0,  0xCD, 0xCC,
    0xD3,   0xD2,   0xD5, 0xF5, 0x160, 0x161, 0xDA, 0x178,  0xFF,  0xDE,  0xFE, 0xB7,  0xB5, 0xB6,
    0xBE,   0x2014, 0xBC, 0xBD, 0xAA,  0xBA,  0xAB, 0x25A0, 0xBB,  0xB1};

// The twelve places ISO 646 leaves to each nation, in this order.
constexpr std::string_view kNationalPlaces = "#$@[\\]^`{|}~";

struct NationalSet {
    char32_t at[12];  // 0: as in ASCII
};
constexpr NationalSet kUk = {{0xA3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}};
constexpr NationalSet kGerman = {{0, 0, 0xA7, 0xC4, 0xD6, 0xDC, 0, 0, 0xE4, 0xF6, 0xFC, 0xDF}};
constexpr NationalSet kFrench = {
    {0xA3, 0, 0xE0, 0xB0, 0xE7, 0xA7, 0, 0xB5, 0xE9, 0xF9, 0xE8, 0xA8}};
constexpr NationalSet kSwedish = {
    {0, 0xA4, 0xC9, 0xC4, 0xD6, 0xC5, 0xDC, 0xE9, 0xE4, 0xF6, 0xE5, 0xFC}};
constexpr NationalSet kNorwegian = {{0, 0, 0, 0xC6, 0xD8, 0xC5, 0, 0, 0xE6, 0xF8, 0xE5, 0x203E}};
constexpr NationalSet kItalian = {
    {0xA3, 0, 0xA7, 0xB0, 0xE7, 0xE9, 0, 0xF9, 0xE0, 0xF2, 0xE8, 0xEC}};
constexpr NationalSet kSpanish = {{0xA3, 0, 0xA7, 0xA1, 0xD1, 0xBF, 0, 0, 0xB0, 0xF1, 0xE7, 0}};
constexpr NationalSet kPortuguese = {{0, 0, 0xA7, 0xC3, 0xC7, 0xD5, 0, 0, 0xE3, 0xE7, 0xF5, 0xB0}};

char32_t national(const NationalSet& set, unsigned char byte) {
    const auto at = kNationalPlaces.find(static_cast<char>(byte));
    if (at != std::string_view::npos && set.at[at] != 0) return set.at[at];
    return byte;
}

char32_t roman8(unsigned char byte) {
    if (byte >= 0xA1 && byte <= 0xFE) return kRoman8[byte - 0xA1];
    return byte < 0x80 ? byte : 0;
}

const NationalSet* hpgl_national(int set) {
    switch (set) {
        case 30:
        case 31:
            return &kSwedish;
        case 32:
        case 39:
            return &kNorwegian;
        case 33:
            return &kGerman;
        case 34:
            return &kFrench;
        case 35:
            return &kUk;
        case 36:
            return &kItalian;
        case 37:
            return &kSpanish;
        case 38:
            return &kPortuguese;
        default:
            return nullptr;
    }
}

const NationalSet* hpgl2_national(int set) {
    switch (set) {
        case 37:  // 1E
            return &kUk;
        case 39:  // 1G
            return &kGerman;
        case 38:  // 1F
        case 6:   // 0F
            return &kFrench;
        case 19:  // 0S
        case 51:  // 1S
            return &kSwedish;
        case 4:   // 0D
        case 36:  // 1D
            return &kNorwegian;
        case 9:  // 0I
            return &kItalian;
        case 83:  // 2S
            return &kSpanish;
        case 165:  // 5S
            return &kPortuguese;
        default:
            return nullptr;
    }
}

}  // namespace

char32_t set_character(int set, bool hpgl2, unsigned char byte) {
    if (hpgl2) {
        if (set == 14) return byte >= 0xA0 || byte < 0x80 ? byte : 0;  // ISO 8859-1
        if (const NationalSet* n = hpgl2_national(set); n && byte < 0x80) return national(*n, byte);
        return roman8(byte);  // 277 Roman-8 (the default), 21 ASCII and the rest
    }
    if (set == 7) {
        // The Roman extensions: the upper half of Roman-8 on the printable bytes.
        if (byte >= 0x21 && byte <= 0x7E) return roman8(static_cast<unsigned char>(byte + 0x80));
        return byte;
    }
    if (const NationalSet* n = hpgl_national(set); n && byte < 0x80) return national(*n, byte);
    return roman8(byte);
}

}  // namespace tvk::host::plotfile
