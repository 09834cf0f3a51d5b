// The configuration entry: dispatch on the request code, and the small
// requests that need no file of their own.
#include <cstring>

#include "config/config.h"
#include "config/requests.h"
#include "deffile/deffile.h"
#include "driver/driver.h"
#include "driver/globals.h"
#include "driver/record.h"

namespace tvk {
namespace {

// Request 20: the name of a model by its 1-based number.
void serve_model_name() {
    const int16_t number = rec_i16(4);
    if (number >= 1 && number <= model_count) {
        rec_set_i16(4, model_count);
        // Exactly 32 bytes, zero-padded, without a terminator when the name fills them.
        const char* name = model_list[number - 1];
        std::size_t length = 0;
        while (length < kModelNameLength && name[length] != '\0') ++length;
        std::memset(current_record + 8, 0, kModelNameLength);
        std::memcpy(current_record + 8, name, length);
    } else {
        rec_set_i16(6, 0);
    }
    set_status(0);
    set_reply_length(40);
}

// Request 40: the plot limits, with the optimisation level and, for a
// Japanese host, the flag at offset 4.
void serve_plot_limits() {
    if (error_latch != kLatchNone) {
        set_status(-1);
        return;
    }
    set_status(0);
    write_plot_limits(true);
    if (std::strcmp(host_language, "JA") == 0) rec_set_u8(4, 1);
}

// Request 47: the plot limits, then the stored configuration to the host.
void serve_save() {
    if (error_latch != kLatchNone) {
        set_status(-1);
        return;
    }
    set_status(0);
    write_plot_limits(false);
    if (keep_stored_config() != 0) {
        error_latch = kLatchSetup;
        set_status(-1);
    }
}

}  // namespace

void config_entry(void* record) {
    current_record = static_cast<uint8_t*>(record);
    current_model = static_cast<uint8_t>(rec_i16(4) - 1);
    switch (request_code()) {
        case 2:  // no operation
            break;
        case 11:
            serve_open(&read_definition_file);
            break;
        case 20:
            serve_model_name();
            break;
        case 21:
            serve_configure();
            break;
        case 22:
            serve_line_type_table();
            break;
        case 23:
            serve_pen_speed_table();
            break;
        case 25:
            serve_pen_number_table();
            break;
        case 40:
            serve_plot_limits();
            break;
        case 44:
            serve_pen_width_table();
            break;
        case 47:
            serve_save();
            break;
        case 49:
            serve_initialise();
            break;
        case 50:
            serve_host_language();
            break;
        default:  // not served: the record comes back untouched
            break;
    }
}

}  // namespace tvk
