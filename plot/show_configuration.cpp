// Show configuration (31): the configuration of the plot on the host's text
// screen, one labelled line per setting.
#include "deffile/deffile.h"
#include "driver/globals.h"
#include "driver/host_services.h"
#include "plot/plot_requests.h"

namespace tvk {
namespace {

constexpr int kPaperNameSize = static_cast<int>(sizeof paper_table[0].name);

void print_label(int key) {
    host_printf("\n %s", message(key));
}

// The language as the listing names it: the highest language bit first.
int shown_language() {
    const int bits = stored_config.language;
    if (bits & 0x08) return kTkGl3;
    if (bits & 0x04) return kTkGl2;
    if (bits & 0x02) return kTkGl1;
    return kVtxGl;
}

void print_serial_settings() {
    host_printf("%s", message(63));
    host_printf("  ");
    host_printf("%d  ", stored_config.baud_rate);
    host_printf("%d", stored_config.data_bits);
    if (stored_config.parity >= 0 && stored_config.parity <= 2)
        host_printf("%s", &"N\0O\0E"[2 * stored_config.parity]);
    host_printf("%d", stored_config.stop_bits);
}

}  // namespace

void serve_show_configuration() {
    const uint16_t flags = stored_config.flags;
    print_label(35);
    // Only a model of the list has a name; any other number shows none.
    host_printf("%s", current_model < model_count ? model_list[current_model] : "");
    print_label(51);
    const int language = shown_language();
    host_printf("%s", kLanguageNames[language]);
    if (flags & kFlagPaperQuery) {
        print_label(52);
    } else if (paper_count > 0 && stored_config.paper >= 1 && stored_config.paper <= paper_count) {
        host_printf("\n %s%.*s ", message(53), kPaperNameSize,
                    paper_table[stored_config.paper].name);
    }
    host_printf("\n %s%d ", message(54), stored_config.copies - 1);
    print_label((flags & kFlagPe) ? 55 : 56);
    print_label((flags & kFlagLongPlot) ? 57 : 58);
    print_label(59);
    host_printf("%s", message((flags & kFlagAbsolute) ? 60 : 61));
    print_label(62);
    if (flags & kFlagSerial) {
        print_serial_settings();
    } else {
        host_printf("%s", message(64));
    }
    if (language == kTkGl2 || language == kTkGl3)
        print_label((flags & kFlagPlotterFills) ? 65 : 66);
}

}  // namespace tvk
