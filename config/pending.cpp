// Placeholders until the configuration subsystem is built.
#include "config/config.h"

namespace tvk {

int run_configuration_dialog() { return -1; }
void serve_plot_time_questions() {}
int paper_menu(int) { return -1; }
int paper_query() { return -1; }
int show_line_types() { return 0; }

}  // namespace tvk
