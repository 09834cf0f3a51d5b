// The two reports about the definition file. Every text from the file or the
// message table is printed as data under the driver's own formats.
#include <cerrno>
#include <algorithm>
#include <cstring>

#include "deffile/deffile.h"
#include "driver/host_services.h"

namespace tvk {

const char* selected_model_name() {
    if (current_model >= model_count || current_model >= kMaxModels) return "";
    return model_list[current_model];
}

void report_read_error(const char* error_text, const char* file_label) {
    const char* reason = std::strerror(errno);
    host_printf("\n");
    host_printf("%s: %s\n", error_text, reason);
    host_printf("\n");
    host_printf("%s%s\n", file_label, definition_path);
}

void report_definition_error(const char* message_text) {
    // The data line is cut after 79 bytes, or after 80 in Japanese mode when
    // the 79th byte opens a two-byte character, which then stays whole.
    std::size_t cut = 79;
    if (japanese_mode() && std::strlen(raw_definition_line) >= 79 &&
        is_double_byte_lead(static_cast<unsigned char>(raw_definition_line[78])))
        cut = 80;
    char data[sizeof raw_definition_line] = {};
    std::memcpy(data, raw_definition_line, std::min(cut, std::strlen(raw_definition_line)));

    host_printf("\n%s\n", message_text);
    host_printf("%s%s\n", message(34), definition_path);
    host_printf("%s%s\n", message(35), selected_model_name());
    host_printf("%s%ld\n", message(50), static_cast<long>(definition_line_number));
    host_printf("%s", message(36));
    host_printf("\n%s\n", data);
}

}  // namespace tvk
