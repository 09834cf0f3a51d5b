#include "printer/printer_profile.h"

#include <filesystem>

#include "host/host_error.h"
#include "printer/application.h"

namespace tvk::printer {

std::string printer_profile(pappl_printer_t* printer) {
    const std::string path = application().spool_directory() + "/printer-" +
                             std::to_string(papplPrinterGetID(printer)) + ".toml";
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return path;
    const char* driver = papplPrinterGetDriverName(printer);
    const PlotterModel* model = application().model(driver != nullptr ? driver : "");
    if (model == nullptr)
        throw host::HostError("no plotter model \"" + std::string(driver ? driver : "") + "\"");
    host::save_profile(model->defaults, path);
    return path;
}

}  // namespace tvk::printer
