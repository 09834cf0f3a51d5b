// The configuration dialog of request 21: asks only what the model's
// specification makes meaningful, offers the stored answers as defaults and
// writes every answer at once into the stored configuration and the reply.
#include <cmath>

#include "config/config.h"
#include "config/questions.h"
#include "deffile/deffile.h"
#include "driver/globals.h"
#include "driver/host_services.h"
#include "driver/record.h"

namespace tvk {
namespace {

// Reply fields of request 21.
constexpr int kFreshFlag = 6;
constexpr int kPenOptions = 40;
constexpr int kPens = 42;
constexpr int kPenSpeed = 44;
constexpr int kMaxLineType = 46;
constexpr int kPortKind = 48;
constexpr int kBaud = 50;
constexpr int kParity = 52;
constexpr int kDataBits = 54;
constexpr int kStopBits = 56;
constexpr int kHandshake = 58;
constexpr uint16_t kReplyLength = 59;

constexpr uint16_t kPlotterFillsPenBit = 0x0100;
constexpr int kPortParallel = 2;
constexpr int kPortSerial = 1;

// Highest hardware line type of each language, by language index.
constexpr uint16_t kMaxLineTypes[kLanguageCount] = {5, 6, 6, 8};
constexpr int16_t kBaudRates[] = {19200, 9600, 4800, 2400, 1200, 600, 300, 150};
constexpr int kBaudRateCount = 8;

// The host's block when it delivers one (validation puts the defaults in place
// of an invalid block), otherwise the defaults.
void obtain_stored_config() {
    const bool fresh = rec_i16(kFreshFlag) != 0;
    if (!fresh && fetch_stored_config() == 0)
        validate_stored_config();
    else
        set_stored_config_defaults();
}

void prefill_reply() {
    rec_set_u16(kPenOptions, stored_config.pen_options);
    rec_set_i16(kStopBits, stored_config.stop_bits);
    rec_set_i16(kParity, stored_config.parity);
    rec_set_i16(kBaud, stored_config.baud_rate);
    rec_set_i16(kDataBits, stored_config.data_bits);
    rec_set_u8(kHandshake, static_cast<uint8_t>(stored_config.handshake));
}

// Units per inch truncated toward zero into the 16-bit resolution.
int16_t resolution_of(double units_per_inch) {
    if (!(units_per_inch > 0.0)) return 0;
    if (units_per_inch >= 32767.0) return 32767;
    return static_cast<int16_t>(std::trunc(units_per_inch));
}

// The offered languages in menu order (TK-GL3 first); false when cancelled.
bool choose_language(int& language) {
    int offered[kLanguageCount];
    int count = 0;
    for (int index = kTkGl3; index >= kVtxGl; --index)
        if (spec.language_flags & (1u << index)) offered[count++] = index;
    if (count == 0) {
        language = kTkGl1;
        return true;
    }
    if (count == 1) {
        language = offered[0];
        return true;
    }
    host_printf("\n%s", message(37));
    for (int i = 0; i < count; ++i) host_printf("\n   %2d - %s", i + 1, kLanguageNames[offered[i]]);
    host_printf("\n");
    int32_t answer = stored_config.language_position;
    host_ask_choice(message(10), 1, count, &answer);
    if (input_cancelled()) return false;
    answer = answer_in_range(answer, 1, count);
    stored_config.language_position = static_cast<int16_t>(answer);
    language = offered[answer - 1];
    return true;
}

void apply_language(int language) {
    stored_config.language = static_cast<int16_t>(1 << language);
    spec.max_line_type = kMaxLineTypes[language];
    plotter_resolution = resolution_of(spec.units_per_inch[language]);
}

bool ask_copies(int language) {
    if (stored_config.copies > 100) stored_config.copies = 1;
    int32_t additional = stored_config.copies - 1;
    if (language == kTkGl3) {
        host_printf("\n");
        host_ask_number(message(3), &additional, 99);
        if (input_cancelled()) return false;
        additional = answer_in_range(additional, 0, 99);
    }
    stored_config.copies = static_cast<int16_t>(additional + 1);
    return true;
}

bool ask_pe_command(int language) {
    if (!pe_offered(language)) {
        set_flag(kFlagPe | kFlagPe8Wanted | kFlagPe8, false);
        return true;
    }
    host_printf("\n%s\n", message(4));
    ask_flag(message(5), kFlagPe);
    if (input_cancelled()) return false;
    if (!has_flag(kFlagPe)) {
        set_flag(kFlagPe8Wanted | kFlagPe8, false);
        return true;
    }
    host_printf("\n");
    ask_flag(message(69), kFlagPe8Wanted);
    return !input_cancelled();
}

bool ask_long_plot() {
    if ((spec.type_flags & kTypeLongPlot) == 0) {
        set_flag(kFlagLongPlot, false);
        return true;
    }
    host_printf("\n%s\n", message(6));
    ask_flag(message(7), kFlagLongPlot);
    return !input_cancelled();
}

bool ask_coordinates() {
    const bool relative = (spec.coordinate_flags & 0x01) != 0;
    const bool absolute = (spec.coordinate_flags & 0x02) != 0;
    if (!relative || !absolute) {
        set_flag(kFlagAbsolute, !relative);
        return true;
    }
    const int32_t answer = ask_coordinate_system();
    if (input_cancelled()) return false;
    set_flag(kFlagAbsolute, answer == 1);
    return true;
}

bool ask_polygon_fill(int language) {
    if (language != kTkGl2 && language != kTkGl3) {
        set_flag(kFlagPlotterFills, false);
        rec_set_u16(kPenOptions,
                    static_cast<uint16_t>(rec_u16(kPenOptions) & ~kPlotterFillsPenBit));
        return true;
    }
    host_printf("\n");
    const uint16_t word = ask_yes_no_bit(message(48), rec_u16(kPenOptions), kPlotterFillsPenBit,
                                         has_flag(kFlagPlotterFills));
    rec_set_u16(kPenOptions, word);
    if (input_cancelled()) return false;
    set_flag(kFlagPlotterFills, (word & kPlotterFillsPenBit) != 0);
    return true;
}

bool ask_paper_query(int language) {
    if (!is_hpgl(language) || (spec.language_flags & (1u << kOhCmd)) == 0) {
        set_flag(kFlagPaperQuery, false);
        return true;
    }
    host_printf("\n");
    ask_flag(message(44), kFlagPaperQuery);
    return !input_cancelled();
}

// The port kind as the host answered it (2 a port without serial line
// settings, anything else serial), reported to the host unchanged; false when
// cancelled.
bool ask_port(int32_t& kind) {
    if (has_flag(kFlagPaperQuery)) {
        kind = kPortSerial;
        rec_set_i16(kPortKind, kPortSerial);
        host_printf("\n%s\n", message(45));
        return true;
    }
    kind = host_ask_port(message(8), has_flag(kFlagSerial) ? kPortSerial : kPortParallel, 15);
    rec_set_i16(kPortKind, static_cast<int16_t>(kind));
    return !input_cancelled();
}

bool ask_baud_rate() {
    if (spec.baud_fixed) {
        rec_set_i16(kBaud, static_cast<int16_t>(spec.baud_rate));
        return true;
    }
    const int first = spec.baud_rate >= 19200 ? 0 : 1;  // the menu starts at 19200 or 9600
    const int lines = kBaudRateCount - first;
    host_printf("\n%s", message(9));
    int32_t answer = 2 - first;  // the 9600 line
    for (int line = 1; line <= lines; ++line) {
        const int16_t rate = kBaudRates[first + line - 1];
        host_printf("\n   %2d - %5d", line, rate);
        if (rate == stored_config.baud_rate) answer = line;
    }
    host_printf("\n");
    host_ask_choice(message(10), 1, lines, &answer);
    if (input_cancelled()) return false;
    stored_config.baud_rate = kBaudRates[first + answer_in_range(answer, 1, lines) - 1];
    rec_set_i16(kBaud, stored_config.baud_rate);
    return true;
}

bool ask_stop_bits() {
    const int32_t answer = ask_menu({11, 12, 13}, stored_config.stop_bits == 1 ? 1 : 2);
    if (input_cancelled()) return false;
    stored_config.stop_bits = static_cast<int16_t>(answer_in_range(answer, 1, 2));
    rec_set_i16(kStopBits, stored_config.stop_bits);
    return true;
}

bool ask_parity() {
    // A stored parity outside 0 to 2 offers "no parity".
    const int16_t stored = stored_config.parity;
    const int32_t answer = ask_menu({14, 15, 16, 17}, stored >= 0 && stored <= 2 ? stored + 1 : 1);
    if (input_cancelled()) return false;
    stored_config.parity = static_cast<int16_t>(answer_in_range(answer, 1, 3) - 1);
    rec_set_i16(kParity, stored_config.parity);
    return true;
}

bool ask_data_bits() {
    const int32_t answer = ask_menu({18, 19, 20}, stored_config.data_bits == 8 ? 1 : 2);
    if (input_cancelled()) return false;
    const bool eight = answer_in_range(answer, 1, 2) == 1;
    stored_config.data_bits = eight ? 8 : 7;
    rec_set_i16(kDataBits, stored_config.data_bits);
    // 8-bit PE needs a line that is 8 bits clean.
    if (eight && stored_config.parity == 0 && has_flag(kFlagPe8Wanted)) set_flag(kFlagPe8, true);
    return true;
}

bool ask_line_settings() {
    return ask_baud_rate() && ask_stop_bits() && ask_parity() && ask_data_bits();
}

void finish_reply() {
    set_status(0);
    set_reply_length(kReplyLength);
    rec_set_i16(kPens, static_cast<int16_t>(spec.pens));
    rec_set_i16(kPenSpeed, spec.pen_speed);
    rec_set_u16(kMaxLineType, spec.max_line_type);
}

}  // namespace

int run_configuration_dialog() {
    obtain_stored_config();
    prefill_reply();
    int language = kTkGl1;
    if (!choose_language(language)) return -1;
    apply_language(language);
    if (!ask_copies(language) || !ask_pe_command(language) || !ask_long_plot() ||
        !ask_coordinates() || !ask_polygon_fill(language) || !ask_paper_query(language))
        return -1;
    int32_t port = kPortSerial;
    if (!ask_port(port)) return -1;
    set_flag(kFlagPe8, false);
    if (port == kPortParallel) {
        // No line settings to ask: a parallel port is always 8 bits clean.
        if (has_flag(kFlagPe8Wanted)) set_flag(kFlagPe8, true);
        set_flag(kFlagSerial, false);
    } else {
        set_flag(kFlagSerial, true);
        if (!ask_line_settings()) return -1;
    }
    finish_reply();
    return 0;
}

}  // namespace tvk
