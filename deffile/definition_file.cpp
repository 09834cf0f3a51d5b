// The read at configuration and plot start (messages, then the model list),
// and the search for a model's block that the section readers share.
#include <cstring>

#include "deffile/deffile.h"
#include "driver/host_services.h"

namespace tvk {

int find_model_block(const char* header) {
    definition_line_number = 0;
    std::memset(definition_line, 0, sizeof definition_line);
    while (std::strcmp(definition_line, header) != 0)
        if (const int r = read_definition_line(); r != 0) return r;
    if (current_model >= model_count || current_model >= kMaxModels) return 1;
    const char* name = model_list[current_model];
    std::memset(definition_line, 0, sizeof definition_line);
    while (definition_line[0] != '*' || std::strcmp(definition_line + 1, name) != 0) {
        if (const int r = read_definition_line(); r != 0) return r;
        if (definition_line[0] == '[') return 1;
    }
    return 0;
}

int read_definition_file() {
    locate_definition_file();
    if (!open_definition_file()) {
        host_printf("\n%s \"%s\".\n", kFixedFileMissing, definition_path);
        return -1;
    }
    if (read_messages() < 0) {
        report_read_error(kFixedEarlyReadError, kFixedEarlyFileLabel);
        close_definition_file();
        return -1;
    }
    model_count = static_cast<int16_t>(read_model_list());
    close_definition_file();
    if (model_count < 0) {
        report_read_error(message(29), message(34));
        return -1;
    }
    if (model_count == 0) {
        host_printf("\n%s\n", message(30));
        host_printf("%s%s\n", message(34), definition_path);
        return -1;
    }
    return 0;
}

}  // namespace tvk
