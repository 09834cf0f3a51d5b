#include "printer/plot_page.h"

namespace tvk::printer {

void add_plot_page(pappl_system_t* /*system*/) {}

}  // namespace tvk::printer
