// "[SPEC]": the selected model's block read into the plotter specification.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "deffile/deffile.h"
#include "deffile/value_scan.h"

namespace tvk {
namespace {

enum class KeyKind {
    kType,
    kCoordinate,
    kBaudRate,
    kHandshake,
    kWaitTime,
    kOptimize,
    kBuffers,
    kLanguage,
    kMaxArea,
    kUnit,
    kPenOption,
    kPenWidth,
    kPenSpeed,
    kPens,
    kStart,
    kEnd,
};

struct Key {
    std::string text;
    KeyKind kind;
    int language;  // for the per-language keys
};

// The keys in the order they are tried; no key is a prefix of another.
const std::vector<Key>& keys() {
    static const std::vector<Key> table = [] {
        std::vector<Key> k = {
            {"TYPE:", KeyKind::kType, 0},          {"COORDINATE:", KeyKind::kCoordinate, 0},
            {"BAUD_RATE:", KeyKind::kBaudRate, 0}, {"HANDSHAKE:", KeyKind::kHandshake, 0},
            {"WAIT_TIME:", KeyKind::kWaitTime, 0}, {"OPTIMIZE:", KeyKind::kOptimize, 0},
            {"BUFFERS:", KeyKind::kBuffers, 0},    {"LANGUAGE:", KeyKind::kLanguage, 0},
            {"MAX_AREA:", KeyKind::kMaxArea, 0},
        };
        const auto per_language = [&k](const char* format, KeyKind kind) {
            for (int i = 0; i < kLanguageCount; ++i) {
                char text[32];
                std::snprintf(text, sizeof text, format, kLanguageNames[i]);
                k.push_back({text, kind, i});
            }
        };
        per_language("UNIT(%s):", KeyKind::kUnit);
        k.push_back({"PEN_OPTION:", KeyKind::kPenOption, 0});
        k.push_back({"PEN_WIDTH:", KeyKind::kPenWidth, 0});
        k.push_back({"PEN_SPEED:", KeyKind::kPenSpeed, 0});
        k.push_back({"PENS:", KeyKind::kPens, 0});
        per_language("START(%s):\"", KeyKind::kStart);
        per_language("END(%s):\"", KeyKind::kEnd);
        return k;
    }();
    return table;
}

struct Word {
    const char* text;
    uint16_t bit;
};
constexpr Word kTypeWords[] = {{"NO-LONG", 0},
                               {"LONG-PLOT", kTypeLongPlot},
                               {"RASTER", kTypeRaster},
                               {"SYNC", 0},
                               {"BREAK-ON", kTypeBreakOn}};
constexpr Word kCoordinateWords[] = {
    {"ABS", 0x02}, {"ABSOLUTE", 0x02}, {"REL", 0x01}, {"RELATIVE", 0x01}};
constexpr Word kLanguageWords[] = {{"VTX-GL", 0x01}, {"TK-GL1", 0x02}, {"TK-GL2", 0x04},
                                   {"TK-GL3", 0x08}, {"PE-CMD", 0x10}, {"OH-CMD", 0x20}};
constexpr Word kPenWords[] = {{"NOPENS", kPenNoPens},
                              {"MULTPEN", kPenMultPen},
                              {"MULTLINE", kPenMultLine},
                              {"VARSPEED", kPenVarSpeed}};

// Adds the bits of a list of whole words to bits; false when the list is
// empty or holds a word that is not one of them.
bool add_words(std::string_view value, std::span<const Word> words, uint16_t& bits) {
    const auto items = split_list(value);
    if (items.empty()) return false;
    for (std::string_view item : items) {
        const Word* found = nullptr;
        for (const Word& w : words)
            if (item == w.text) found = &w;
        if (found == nullptr) return false;
        bits = static_cast<uint16_t>(bits | found->bit);
    }
    return true;
}

bool int_in_range(const char* value, int32_t low, int32_t high, int32_t& out) {
    int32_t v = 0;
    if (!scan_int(value, v) || v < low || v > high) return false;
    out = v;
    return true;
}

// The text of a start or end key, up to the next double quote, at most 128
// characters.
void take_text(const char* value, char* out) {
    const char* quote = std::strchr(value, '"');
    const std::size_t length = quote ? static_cast<std::size_t>(quote - value) : std::strlen(value);
    copy_cut(out, std::string_view(value, length), 128);
}

// Stores one key line's value; false when the value is bad.
bool apply(const Key& key, const char* line) {
    const char* value = line + key.text.size();
    const std::string_view rest(value);
    double real = 0.0;
    switch (key.kind) {
        case KeyKind::kType:
            return add_words(rest, kTypeWords, spec.type_flags);
        case KeyKind::kCoordinate:
            spec.coordinate_flags = 0;
            return add_words(rest, kCoordinateWords, spec.coordinate_flags);
        case KeyKind::kLanguage:
            spec.language_flags = 0;
            return add_words(rest, kLanguageWords, spec.language_flags);
        case KeyKind::kPenOption:
            spec.pen_options = 0x08;
            return add_words(rest, kPenWords, spec.pen_options);
        case KeyKind::kBaudRate: {
            int32_t rate = 0;
            if (!scan_int(value, rate) || (rate != 9600 && rate != 19200)) return false;
            spec.baud_rate = rate;
            const std::string_view whole(line);
            if (whole.ends_with("FIXED")) spec.baud_fixed = 1;
            return true;
        }
        case KeyKind::kHandshake:
            if (rest == "XONXOFF")
                spec.handshake = 0;
            else if (rest == "HARDWARE")
                spec.handshake = 1;
            else
                return false;
            return true;
        case KeyKind::kWaitTime:
            return int_in_range(value, 0, INT32_MAX, spec.wait_time);
        case KeyKind::kOptimize:
            return int_in_range(value, 1, 6, spec.optimize);
        case KeyKind::kBuffers:
            return int_in_range(value, 0, 5, spec.buffers);
        case KeyKind::kPens:
            // The pen count reaches the host in 16-bit fields.
            return int_in_range(value, 1, INT16_MAX, spec.pens);
        case KeyKind::kMaxArea: {
            const auto items = split_list(rest);
            double x = 0.0, y = 0.0;
            if (items.size() < 2 || !scan_length(items[0], x) || !scan_length(items[1], y))
                return false;
            spec.max_area_x = x;
            spec.max_area_y = y;
            return true;
        }
        case KeyKind::kUnit: {
            const RealUnit unit = scan_real(rest, "UNIT/MM", real);
            if (unit == RealUnit::kBad) return false;
            if (unit == RealUnit::kSuffix) real *= 25.4;
            // The resolution is this value truncated to a 16-bit number, and
            // the paper query divides by it: it must lie in 1 to 32767.
            if (real < 1.0 || real >= 32768.0) return false;
            spec.units_per_inch[key.language] = real;
            return true;
        }
        case KeyKind::kPenWidth:
            if (!scan_length(rest, real) || real * 25.4 > 50.0) return false;
            spec.pen_width = real;
            return true;
        case KeyKind::kPenSpeed: {
            const RealUnit unit = scan_real(rest, "CM/S", real);
            if (unit == RealUnit::kBad) return false;
            if (unit == RealUnit::kPlain) real *= 2.54;
            // Whole centimetres per second in 8 bits: a faster pen is refused
            // rather than wrapped to a slow one.
            if (real >= 256.0) return false;
            spec.pen_speed = static_cast<uint8_t>(std::floor(real));
            return true;
        }
        case KeyKind::kStart:
            take_text(value, spec.start_string[key.language]);
            return true;
        case KeyKind::kEnd:
            take_text(value, spec.end_string[key.language]);
            return true;
    }
    return false;
}

const Key* find_key(const char* line) {
    for (const Key& key : keys())
        if (std::strncmp(line, key.text.c_str(), key.text.size()) == 0) return &key;
    return nullptr;
}

}  // namespace

void set_spec_defaults(PlotterSpec& s) {
    s = PlotterSpec{};
    s.type_flags = 0;
    s.coordinate_flags = 0x02;
    s.baud_fixed = 0;
    s.language_flags = 0x02;
    s.handshake = 0;
    s.pen_options = 0x0F;
    s.baud_rate = 9600;
    s.wait_time = 0;
    s.optimize = 4;
    s.buffers = 1;
    s.pens = 8;
    s.max_area_x = 16.53;  // an A3 sheet
    s.max_area_y = 11.65;
    for (double& u : s.units_per_inch) u = 1016.0;  // 40 units per millimetre
    s.pen_width = 0.01;
    s.max_line_type = 8;
    s.pen_speed = 1;
    constexpr const char* kStarts[kLanguageCount] = {"", "IN", "IN", "BP"};
    constexpr const char* kEnds[kLanguageCount] = {"", "NR", "NR", "PG"};
    for (int i = 0; i < kLanguageCount; ++i) {
        std::strcpy(s.start_string[i], kStarts[i]);
        std::strcpy(s.end_string[i], kEnds[i]);
    }
}

int read_plotter_specification() {
    set_spec_defaults(spec);
    if (const int r = find_model_block("[SPEC]"); r != 0) return r;
    for (;;) {
        const int r = read_definition_line();
        if (r != 0) return r == 1 ? 0 : -1;
        if (begins_with_any(definition_line, "[*%")) return 0;
        const Key* key = find_key(definition_line);
        if (key == nullptr || !apply(*key, definition_line)) return 2;
    }
}

}  // namespace tvk
