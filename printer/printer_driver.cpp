#include "printer/printer_driver.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "printer/application.h"

namespace tvk::printer {
namespace {

constexpr double kMmPerInch = 25.4;
constexpr int kMarginHundredths = 500;  // the placement's margin, 5 mm

// The names PAPPL keeps pointers to, for as long as the program runs.
std::vector<std::string>& media_names() {
    static std::vector<std::string> names(64);
    return names;
}

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

std::string media_name(double width_mm, double height_mm, const std::string& paper) {
    const int shorter = static_cast<int>(std::lround(std::min(width_mm, height_mm) * 100));
    const int longer = static_cast<int>(std::lround(std::max(width_mm, height_mm) * 100));
    if (const pwg_media_t* pwg = pwgMediaForSize(shorter, longer); pwg != nullptr) {
        return pwg->pwg;
    }
    std::string name;
    for (const char c : paper) {
        name +=
            std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '-';
    }
    char keyword[128];
    pwgFormatSizeName(keyword, sizeof keyword, "custom", name.empty() ? "plotter" : name.c_str(),
                      shorter, longer, "mm");
    return keyword;
}

bool set_up_driver(pappl_system_t* /*system*/, const char* driver_name, const char* /*device_uri*/,
                   const char* /*device_id*/, pappl_pr_driver_data_t* d, ipp_t** /*driver_attrs*/,
                   void* /*data*/) {
    const std::vector<PlotterModel>& models = application().models();
    const auto found = std::find_if(models.begin(), models.end(),
                                    [&](const PlotterModel& m) { return m.name == driver_name; });
    if (found == models.end()) return false;
    const host::Profile& p = found->defaults;
    const size_t index = static_cast<size_t>(found - models.begin());

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

    // The paper the model is configured for, as the driver reports it.
    const double width_mm = p.area_x * kMmPerInch, height_mm = p.area_y * kMmPerInch;
    std::string& media = media_names()[index % media_names().size()];
    media = media_name(width_mm, height_mm, driver_name);
    d->num_media = 1;
    d->media[0] = media.c_str();
    d->num_source = 1;
    d->source[0] = "main";
    pappl_media_col_t& col = d->media_default;
    std::snprintf(col.size_name, sizeof col.size_name, "%s", media.c_str());
    col.size_width = static_cast<int>(std::lround(std::min(width_mm, height_mm) * 100));
    col.size_length = static_cast<int>(std::lround(std::max(width_mm, height_mm) * 100));
    col.left_margin = col.right_margin = col.top_margin = col.bottom_margin = kMarginHundredths;
    std::snprintf(col.source, sizeof col.source, "main");
    std::snprintf(col.type, sizeof col.type, "stationery");
    d->media_ready[0] = col;
    d->num_type = 1;
    d->type[0] = "stationery";
    return true;
}

}  // namespace tvk::printer
