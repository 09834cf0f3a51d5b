// tvkplot-printer: the plotters of a definition file as printers that every
// desktop's print dialog, CUPS and other machines can print to.
#include <pappl/pappl.h>

#include <cstdio>
#include <exception>
#include <vector>

#include "printer/application.h"
#include "printer/device_schemes.h"
#include "printer/new_sheet.h"
#include "printer/printer_driver.h"
#include "printer/system.h"

int main(int argc, char* argv[]) {
    using namespace tvk::printer;
    Application& app = application();
    app.take_options(argc, argv);
    try {
        app.read_models();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", kProgramName, e.what());
        return 1;
    }
    // In every process: the server opens the devices, `devices` lists them.
    add_device_schemes();
    std::vector<pappl_pr_driver_t> drivers = plotter_drivers();
    return papplMainloop(argc, argv, TVK_VERSION, nullptr, static_cast<int>(drivers.size()),
                         drivers.data(), nullptr, set_up_driver, "continue", continue_command,
                         create_system, nullptr, nullptr);
}
