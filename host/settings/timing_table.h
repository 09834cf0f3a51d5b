// The profile's [timing] table: the plotter's timing figures as TOML.
#pragma once

#include <toml++/toml.h>

#include <ostream>
#include <string>

#include "host/settings/plotter_timing.h"

namespace tvk::host {

// The [timing] table of a profile, where it has one; missing figures keep
// their defaults. Throws HostError naming `path` and the key of a bad figure.
PlotterTiming read_timing(const toml::table& root, const std::string& path);
// The [timing] table, with a comment on each figure.
void write_timing(std::ostream& out, const PlotterTiming& timing);

}  // namespace tvk::host
