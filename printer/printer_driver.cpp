#include "printer/printer_driver.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "printer/application.h"

namespace tvk::printer {
namespace {

constexpr int kMarginHundredths = 500;  // the placement's margin, 5 mm

// A stream in the plotter's language goes to the device as it stands.
bool print_stream(pappl_job_t* job, pappl_pr_options_t* /*options*/, pappl_device_t* device) {
    const char* path = papplJobGetFilename(job);
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        papplJobSetMessage(job, "cannot open the stream: %s", std::strerror(errno));
        return false;
    }
    char buffer[16384];
    size_t count = 0;
    bool written = true;
    while (written && !papplJobIsCanceled(job) &&
           (count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        written = papplDeviceWrite(device, buffer, count) == static_cast<ssize_t>(count);
    }
    std::fclose(file);
    if (!written) papplJobSetMessage(job, "the plotter's device refused the stream");
    return written;
}

// A raster (a photo, a page a program sent as pixels) is nothing a pen can
// draw: such a job fails, saying so.
bool refuse_raster(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
    papplJobSetMessage(job,
                       "A plotter draws lines: raster images are not drawn; print the "
                       "drawing as PDF, SVG, DXF or HP-GL.");
    return false;
}
bool end_raster(pappl_job_t*, pappl_pr_options_t*, pappl_device_t*) {
    return true;
}
bool refuse_page(pappl_job_t*, pappl_pr_options_t*, pappl_device_t*, unsigned) {
    return false;
}
bool refuse_line(pappl_job_t*, pappl_pr_options_t*, pappl_device_t*, unsigned,
                 const unsigned char*) {
    return false;
}

}  // namespace

std::vector<pappl_pr_driver_t> plotter_drivers() {
    std::vector<pappl_pr_driver_t> drivers;
    for (const PlotterModel& m : application().models()) {
        drivers.push_back({m.name.c_str(), m.name.c_str(), nullptr, nullptr});
    }
    return drivers;
}

void set_media_col(pappl_media_col_t& col, const Paper& paper) {
    std::snprintf(col.size_name, sizeof col.size_name, "%s", paper.media.c_str());
    col.size_width = static_cast<int>(std::lround(std::min(paper.width_mm, paper.height_mm) * 100));
    col.size_length =
        static_cast<int>(std::lround(std::max(paper.width_mm, paper.height_mm) * 100));
    col.left_margin = col.right_margin = col.top_margin = col.bottom_margin = kMarginHundredths;
}

bool set_up_driver(pappl_system_t* /*system*/, const char* driver_name, const char* /*device_uri*/,
                   const char* /*device_id*/, pappl_pr_driver_data_t* d, ipp_t** /*driver_attrs*/,
                   void* /*data*/) {
    const std::vector<PlotterModel>& models = application().models();
    const auto found = std::find_if(models.begin(), models.end(),
                                    [&](const PlotterModel& m) { return m.name == driver_name; });
    if (found == models.end()) return false;
    const host::Profile& p = found->defaults;

    d->printfile_cb = print_stream;
    d->rstartjob_cb = refuse_raster;
    d->rstartpage_cb = refuse_page;
    d->rwriteline_cb = refuse_line;
    d->rendpage_cb = refuse_page;
    d->rendjob_cb = end_raster;
    d->raster_types = PAPPL_PWG_RASTER_TYPE_BLACK_1 | PAPPL_PWG_RASTER_TYPE_SGRAY_8;
    d->format = kPlotterStream;
    std::snprintf(d->make_and_model, sizeof d->make_and_model, "Tarvik %s", driver_name);
    d->kind = PAPPL_KIND_DOCUMENT;
    d->ppm = 1;
    // A plotter draws with its pens whatever the mode: monochrome (what CUPS asks
    // for by default) plots as colour does.
    d->color_supported =
        PAPPL_COLOR_MODE_AUTO | PAPPL_COLOR_MODE_COLOR | PAPPL_COLOR_MODE_MONOCHROME;
    d->color_default = PAPPL_COLOR_MODE_COLOR;
    d->content_default = PAPPL_CONTENT_AUTO;
    d->quality_default = IPP_QUALITY_NORMAL;
    d->scaling_default = PAPPL_SCALING_FIT;
    d->orient_default = IPP_ORIENT_NONE;
    d->sides_supported = PAPPL_SIDES_ONE_SIDED;
    d->sides_default = PAPPL_SIDES_ONE_SIDED;
    d->num_resolution = 1;
    const int dpi = p.resolution > 0 ? static_cast<int>(p.resolution) : 1016;
    d->x_resolution[0] = d->y_resolution[0] = d->x_default = d->y_default = dpi;
    d->left_right = d->bottom_top = kMarginHundredths;

    // Every paper of the model; the one it is configured for is the default
    // and the one loaded.
    const size_t count = std::min<size_t>(found->papers.size(), PAPPL_MAX_MEDIA);
    for (size_t i = 0; i < count; ++i) d->media[i] = found->papers[i].media.c_str();
    d->num_media = static_cast<int>(count);
    d->num_source = 1;
    d->source[0] = "main";
    const Paper* paper = profile_paper(found->papers, p);
    if (paper == nullptr) paper = &found->papers.front();
    pappl_media_col_t& col = d->media_default;
    set_media_col(col, *paper);
    std::snprintf(col.source, sizeof col.source, "main");
    std::snprintf(col.type, sizeof col.type, "stationery");
    d->media_ready[0] = col;
    d->num_type = 1;
    d->type[0] = "stationery";
    return true;
}

}  // namespace tvk::printer
