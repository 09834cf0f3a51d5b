// The printer driver of each plotter model: what the printer says it can do
// (its paper, colours, resolution, formats), and the printing of a stream
// already in the plotter's language, passed on as it stands.
#pragma once

#include <pappl/pappl.h>

#include <string>
#include <vector>

#include "printer/model_papers.h"

namespace tvk::printer {

// The format of a stream the plotter takes as it stands.
inline constexpr const char* kPlotterStream = "application/vnd.tvkplot-stream";

// One driver per model of the definition file, named after the model.
std::vector<pappl_pr_driver_t> plotter_drivers();

// PAPPL's driver callback: the model's driver data.
bool set_up_driver(pappl_system_t* system, const char* driver_name, const char* device_uri,
                   const char* device_id, pappl_pr_driver_data_t* driver_data, ipp_t** driver_attrs,
                   void* data);

// The media collection of the paper: its name, size and the placement's margins.
void set_media_col(pappl_media_col_t& col, const Paper& paper);

}  // namespace tvk::printer
