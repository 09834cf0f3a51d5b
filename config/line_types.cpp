// The list of hardware line types of the chosen language (plot request 15).
#include "config/config.h"
#include "deffile/deffile.h"
#include "driver/globals.h"
#include "driver/host_services.h"

namespace tvk {
namespace {

// Pattern texts T1 to T8 in the message table.
constexpr int kPatterns[8] = {23, 24, 25, 26, 27, 28, 41, 42};

void print_type(int number, int pattern) {
    host_printf("\n                  %d%s", number, message(kPatterns[pattern - 1]));
}

}  // namespace

int show_line_types() {
    host_printf("\n%s", message(22));
    const int language = language_index(stored_config.language);
    if (language == kVtxGl) {
        // VTX-GL numbers its dashed patterns from 1: type n is pattern n + 1.
        for (int number = 1; number <= 4; ++number) print_type(number, number + 1);
        host_printf("\n                  5%s\n", message(kPatterns[5]));
        return 0;
    }
    const int last = language == kTkGl3 ? 8 : 6;
    for (int number = 1; number <= last; ++number) print_type(number, number);
    host_printf("\n");
    return 0;
}

}  // namespace tvk
