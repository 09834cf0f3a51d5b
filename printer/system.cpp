#include "printer/system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "printer/application.h"
#include "printer/interrupted_jobs.h"
#include "printer/job_filters.h"
#include "printer/new_sheet.h"
#include "printer/plot_page.h"
#include "printer/printer_driver.h"
#include "printer/settings_page.h"

namespace tvk::printer {
namespace {

pappl_loglevel_t log_level(const char* value) {
    if (value == nullptr) return PAPPL_LOGLEVEL_WARN;
    const std::string v = value;
    if (v == "fatal") return PAPPL_LOGLEVEL_FATAL;
    if (v == "error") return PAPPL_LOGLEVEL_ERROR;
    if (v == "info") return PAPPL_LOGLEVEL_INFO;
    if (v == "debug") return PAPPL_LOGLEVEL_DEBUG;
    return PAPPL_LOGLEVEL_WARN;
}

// The spool directory asked for, else one of this user's in the temporary
// directory (a system service gives its own).
std::string spool_directory(const char* asked) {
    if (asked != nullptr && *asked != '\0') return asked;
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" + kProgramName +
           std::to_string(getuid()) + ".d";
}

bool save_state(pappl_system_t* system, void* data) {
    return papplSystemSaveState(system, static_cast<const std::string*>(data)->c_str());
}

}  // namespace

pappl_system_t* create_system(int num_options, cups_option_t* options, void* /*data*/) {
    const char* port_text = cupsGetOption("server-port", num_options, options);
    int port = 0;
    if (port_text != nullptr) {
        char* end = nullptr;
        const long value = std::strtol(port_text, &end, 10);
        if (*end != '\0' || value < 0 || value > 65535) {
            std::fprintf(stderr, "%s: bad server-port \"%s\"\n", kProgramName, port_text);
            return nullptr;
        }
        port = static_cast<int>(value);
    }
    const std::string spool =
        spool_directory(cupsGetOption("spool-directory", num_options, options));
    mkdir(spool.c_str(), 0700);
    application().set_spool_directory(spool);

    pappl_system_t* system =
        papplSystemCreate(PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE |
                              PAPPL_SOPTIONS_WEB_LOG | PAPPL_SOPTIONS_WEB_SECURITY,
                          kProgramName, port, "_print,_universal", spool.c_str(),
                          cupsGetOption("log-file", num_options, options),
                          log_level(cupsGetOption("log-level", num_options, options)),
                          cupsGetOption("auth-service", num_options, options), false);
    if (system == nullptr) return nullptr;
    // Every page of the web interface ends with the footer: PAPPL 1.3 looks
    // up its text and crashes when there is none.
    papplSystemSetFooterHTML(system,
                             "tvkplot-printer: the plotters of the definition file as printers.");
    if (const char* group = cupsGetOption("admin-group", num_options, options)) {
        papplSystemSetAdminGroup(system, group);
    }
    // Loopback only, unless the user shares the plotters.
    const char* listen = cupsGetOption("listen-hostname", num_options, options);
    if (listen == nullptr) listen = cupsGetOption("server-name", num_options, options);
    if (cupsGetOption("private-server", num_options, options) == nullptr) {
        const std::string name = listen != nullptr ? listen : "localhost";
        papplSystemAddListeners(system, name == "*" ? nullptr : name.c_str());
        if (name != "localhost")
            papplSystemSetHostName(system, name == "*" ? nullptr : name.c_str());
    }

    static std::vector<pappl_pr_driver_t> drivers = plotter_drivers();
    papplSystemSetPrinterDrivers(system, static_cast<int>(drivers.size()), drivers.data(), nullptr,
                                 add_settings_page, set_up_driver, nullptr);
    add_job_filters(system);
    add_continue_operation(system);
    add_plot_page(system);

    // Only the server keeps state; `drivers` and the like make a system to look at.
    if (!application().serving()) return system;
    static std::string state;
    state = spool + "/" + kProgramName + ".state";
    read_plotting_notes(spool);
    reopen_interrupted_jobs(state);
    papplSystemLoadState(system, state.c_str());
    hold_lost_jobs(system);
    papplSystemSetSaveCallback(system, save_state, &state);
    return system;
}

}  // namespace tvk::printer
