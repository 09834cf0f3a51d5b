// Plot request 46: paper, copies, PE command and coordinate system asked
// again before a plot, on a copy of the record, then handed to the host.
#include <cstring>

#include "config/config.h"
#include "config/questions.h"
#include "deffile/deffile.h"
#include "driver/globals.h"
#include "driver/host_services.h"
#include "driver/record.h"

namespace tvk {
namespace {

constexpr std::size_t kWorkingCopySize = 267;

void ask_paper() {
    if (paper_count > 0 && paper_menu(kPaperMenuPlotTime) > 0) write_plot_limits(false);
}

// Taken only when neither cancelled nor skipped and within 0 to 99.
void ask_copies() {
    if (stored_config.copies > 100) stored_config.copies = 1;
    plot.additional_copies = stored_config.copies - 1;
    host_printf("\n");
    int32_t entry = plot.additional_copies;
    host_ask_number(message(3), &entry, 99);
    // The skip test follows only an answer that was not cancelled.
    if (host_input_cancelled() == 1 || host_input_skipped() == 1 || entry < 0 || entry > 99) return;
    plot.additional_copies = entry;
    stored_config.copies = static_cast<int16_t>(entry + 1);
}

// A cancelled answer puts the flags back as they were before the question.
void ask_flag_or_keep(const char* prompt, uint16_t bit) {
    const uint16_t before = stored_config.flags;
    ask_flag_numbered(prompt, bit);
    if (host_input_cancelled() == 1) stored_config.flags = before;
}

void ask_pe_command(int language) {
    if (!pe_offered(language)) {
        set_flag(kFlagPe | kFlagPe8Wanted | kFlagPe8, false);
        return;
    }
    host_printf("\n%s\n", message(4));
    ask_flag_or_keep(message(5), kFlagPe);
    if (!has_flag(kFlagPe)) {
        set_flag(kFlagPe8Wanted | kFlagPe8, false);
        return;
    }
    host_printf("\n");
    ask_flag_or_keep(message(69), kFlagPe8Wanted);
    // 8-bit PE only on a line that is 8 bits clean.
    const bool clean_line =
        !has_flag(kFlagSerial) || (stored_config.data_bits == 8 && stored_config.parity == 0);
    set_flag(kFlagPe8, has_flag(kFlagPe8Wanted) && clean_line);
}

void ask_coordinates() {
    if ((spec.coordinate_flags & 0x03) != 0x03) return;
    const int32_t answer = ask_coordinate_system();
    if (host_input_cancelled() != 0) return;
    set_flag(kFlagAbsolute, answer == 1);
}

}  // namespace

void serve_plot_time_questions() {
    if (error_latch != kLatchNone) {
        set_status(-1);
        return;
    }
    // Every reply field goes into the copy; the record receives it whole at the end.
    uint8_t* const record = current_record;
    uint8_t copy[kWorkingCopySize];
    std::memcpy(copy, record, kWorkingCopySize);
    current_record = copy;
    plot.host_plot_flags = rec_u32(5);

    const int language = language_index(stored_config.language);
    ask_paper();
    if (language == kTkGl3) ask_copies();
    ask_pe_command(language);
    ask_coordinates();

    current_record = record;
    std::memcpy(record, copy, kWorkingCopySize);
    set_status(19);
    if (keep_stored_config() != 0) {
        error_latch = kLatchSetup;
        set_status(-1);
    }
}

}  // namespace tvk
