// Loading the selected model's specification for use: reports, the maximum
// area as the current paper, and at plot start the chosen language's
// resolution and start and end strings.
#include <cmath>
#include <cstring>

#include "deffile/deffile.h"
#include "driver/host_services.h"

namespace tvk {

int load_plotter_specification(char* start_string, char* end_string) {
    if (current_model >= model_count) return -1;
    if (!open_definition_file()) {
        report_read_error(message(29), message(34));
        return -1;
    }
    const int result = read_plotter_specification();
    close_definition_file();
    if (result < 0) {
        report_read_error(message(29), message(34));
        return -1;
    }
    if (result >= 2) {
        report_definition_error(message(32));
        return -1;
    }
    if (result == 1) host_printf("\n%s\n", message(31));

    current_paper.area_x = spec.max_area_x;
    current_paper.area_y = spec.max_area_y;
    current_paper.origin_x = 0;
    current_paper.origin_y = 0;
    if (start_string == nullptr || end_string == nullptr) return 0;

    spec.max_line_type = plot.line_type_limit;
    const int language = language_index(stored_config.language);
    // The reader keeps every resolution within 1 to 32767.
    plotter_resolution = static_cast<int16_t>(std::trunc(spec.units_per_inch[language]));
    std::strcpy(start_string, spec.start_string[language]);
    std::strcpy(end_string, spec.end_string[language]);
    return 0;
}

}  // namespace tvk
