#include "driver/globals.h"

namespace tvk {

uint8_t* current_record = nullptr;

PlotterSpec spec = [] {
    PlotterSpec s{};
    set_spec_defaults(s);
    return s;
}();
int16_t plotter_resolution = 1024;
int32_t long_plot_divisor = 16;

PaperEntry paper_table[kMaxPapers + 1] = {};
int32_t paper_count = 0;
CurrentPaper current_paper = {1, 0.0, 0.0, 0, 0};

StoredConfig stored_config = {1, 2, 1, 1, 0, 8, 0, 9600, 0x0084, 0x0F, 1};

int16_t error_latch = kLatchNone;
uint8_t current_model = 0;
char host_language[9] = {};
char host_path[91] = {};
uint16_t table_length = 0;
const void* const* host_service_table = nullptr;
AttachState attach_state;

char definition_path[128] = {};
char raw_definition_line[128] = {};
char definition_line[256] = {};
int32_t definition_line_number = 0;
std::FILE* definition_file = nullptr;
char model_list[kMaxModels][kModelNameLength + 1] = {};
int16_t model_count = 0;

PlotState plot;

}  // namespace tvk
