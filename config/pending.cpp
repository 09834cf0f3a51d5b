// Placeholders until the configuration subsystem is built.
#include "config/config.h"

namespace tvk {

void stored_config_to_bytes(const StoredConfig&, uint8_t*) {}
StoredConfig stored_config_from_bytes(const uint8_t*) { return StoredConfig{}; }
void set_stored_config_defaults() {}
int validate_stored_config() { return -1; }
int fetch_stored_config() { return -1; }
int keep_stored_config() { return -1; }
double reported_resolution() { return plotter_resolution; }
void write_plot_limits(bool) {}
int run_configuration_dialog() { return -1; }
void serve_plot_time_questions() {}
int paper_menu(int) { return -1; }
int paper_query() { return -1; }
int show_line_types() { return 0; }

}  // namespace tvk
