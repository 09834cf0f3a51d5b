// Configuration: the configuration entry, the stored configuration, the
// configuration dialog and plot-time questions, the paper menu and query, and
// the line-type list.
#pragma once

#include <cstdint>

#include "driver/globals.h"

namespace tvk {

// The configuration entry, whose address stands first in the information block.
void config_entry(void* record);

// ---- stored configuration ------------------------------------------------------
void stored_config_to_bytes(const StoredConfig& config, uint8_t out[kStoredConfigSize]);
StoredConfig stored_config_from_bytes(const uint8_t in[kStoredConfigSize]);
void set_stored_config_defaults();
// 0 when valid; otherwise the defaults are loaded and -1 returned.
int validate_stored_config();
// host_load_config / host_save_config with the working copy; 0 delivered or kept.
int fetch_stored_config();
int keep_stored_config();

// ---- reply fields shared with the plot entry ---------------------------------------
// The resolution reported to the host: divided by the long-plot divisor in long plot.
double reported_resolution();
// Area at 9, 17, 25, 33, resolution at 41, 49 and "MAX" at 73; with
// optimisation also offsets 139 and 140.
void write_plot_limits(bool with_optimisation);

// ---- dialog, menus, query, line types --------------------------------------------
int run_configuration_dialog();    // 0 completed, -1 cancelled
void serve_plot_time_questions();  // plot request 46
inline constexpr int kPaperMenuConfiguration = 1;
inline constexpr int kPaperMenuPlotTime = 8;
int paper_menu(int form);  // chosen paper number, -1 cancelled
int paper_query();         // 0 set, -1 unusable reply, -8 no answer
int show_line_types();

}  // namespace tvk
