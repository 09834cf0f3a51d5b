// The page to plot from, in the web interface.
#pragma once

#include <pappl/pappl.h>

namespace tvk::printer {

void add_plot_page(pappl_system_t* system);

}  // namespace tvk::printer
