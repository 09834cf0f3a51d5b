// Placeholders until the definition-file subsystem is built.
#include "deffile/deffile.h"

namespace tvk {

void set_spec_defaults(PlotterSpec& s) { s = PlotterSpec{}; }
bool japanese_mode() { return false; }
void locate_definition_file() {}
int read_definition_file() { return -1; }
int read_definition_line() { return -1; }
int find_model_block(const char*) { return -1; }
void report_read_error(const char*, const char*) {}
void report_definition_error(const char*) {}
bool open_definition_file() { return false; }
void close_definition_file() {}
int read_messages() { return 1; }
int read_model_list() { return -1; }
int read_plotter_specification() { return -1; }
int load_plotter_specification(char*, char*) { return -1; }
int read_paper_table() { return -1; }
int load_paper_table() { return -1; }

}  // namespace tvk
