// The page to plot from, in the web interface: a person uploads a drawing,
// chooses the printer, fit or actual size, turning and a pen for each colour
// of the drawing (the profile's by default), sees the preview of the exact
// bytes that will be sent with the plot's summary, plots it, and
// follows (or cancels) the job. Plain HTML and a little JavaScript served by
// the program itself, over a few JSON requests:
//   GET  /plot                     the page
//   GET  /plot/printers            the printers
//   POST /plot/preview?printer=ID&size=fit|actual&turn=0|1&pens=COLOUR=PEN,...
//        (the drawing as the body): the summary, the preview and the
//        drawing's colours with their pens
//   POST /plot/submit?...&name=FILE                           (the same; starts a job)
//   GET  /plot/status?printer=ID&job=ID,  POST /plot/cancel?printer=ID&job=ID
// Requests that carry a drawing must say application/octet-stream, which
// another site's page cannot send without the browser asking first.
#pragma once

#include <pappl/pappl.h>

namespace tvk::printer {

void add_plot_page(pappl_system_t* system);

}  // namespace tvk::printer
