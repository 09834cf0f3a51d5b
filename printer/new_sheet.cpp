#include "printer/new_sheet.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "printer/application.h"

namespace tvk::printer {
namespace {

struct Waiting {
    pappl_job_t* job = nullptr;
    std::string question;
    bool go = false;
};

std::mutex waits_lock;
std::condition_variable waits_changed;
std::map<int, Waiting> waits;  // by printer

// Resume-Job: on the job, or on the printer for whichever job waits.
bool answer_operation(pappl_client_t* client, void* /*data*/) {
    if (papplClientGetOperation(client) != IPP_OP_RESUME_JOB) return false;
    pappl_printer_t* printer = papplClientGetPrinter(client);
    if (printer == nullptr) return false;
    // As PAPPL's own operations that change a printer: its login where it has one.
    const http_status_t auth = papplClientIsAuthorized(client);
    if (auth != HTTP_STATUS_CONTINUE) {
        papplClientRespond(client, auth, nullptr, nullptr, 0, 0);
        return true;
    }
    if (!continue_after_sheet(printer, papplClientGetJob(client))) {
        papplClientRespondIPP(client, IPP_STATUS_ERROR_NOT_POSSIBLE,
                              "No job of this printer waits for a new sheet.");
    } else {
        papplClientRespondIPP(client, IPP_STATUS_OK, nullptr);
    }
    return true;
}

// The server's command socket, as PAPPL's main loop makes it for this user.
std::string command_socket(const char* base_name) {
    if (getuid() == 0) return std::string("/run/") + base_name + ".sock";
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" + base_name +
           std::to_string(getuid()) + ".sock";
}

}  // namespace

SheetAnswer wait_for_new_sheet(pappl_job_t* job, const std::string& question) {
    pappl_printer_t* printer = papplJobGetPrinter(job);
    pappl_system_t* system = papplPrinterGetSystem(printer);
    const int id = papplPrinterGetID(printer);
    papplJobSetMessage(job, "%s", question.c_str());
    papplPrinterSetReasons(printer, PAPPL_PREASON_MEDIA_NEEDED, PAPPL_PREASON_NONE);
    papplLogJob(job, PAPPL_LOGLEVEL_INFO, "%s", question.c_str());
    SheetAnswer answer = SheetAnswer::kGo;
    {
        std::unique_lock lock(waits_lock);
        waits[id] = Waiting{job, question, false};
        // Cancel and the server's end are looked at now and then: PAPPL
        // tells of neither.
        while (!waits[id].go) {
            if (papplJobIsCanceled(job)) {
                answer = SheetAnswer::kCancelled;
                break;
            }
            if (papplSystemIsShutdown(system)) {
                answer = SheetAnswer::kServerEnding;
                break;
            }
            waits_changed.wait_for(lock, std::chrono::milliseconds(200));
        }
        waits.erase(id);
    }
    papplPrinterSetReasons(printer, PAPPL_PREASON_NONE, PAPPL_PREASON_MEDIA_NEEDED);
    if (answer == SheetAnswer::kGo) papplJobSetMessage(job, "Plotting.");
    return answer;
}

std::string sheet_question(pappl_printer_t* printer) {
    const std::lock_guard lock(waits_lock);
    const auto it = waits.find(papplPrinterGetID(printer));
    // One told to go on is going.
    return it != waits.end() && !it->second.go ? it->second.question : std::string();
}

bool waits_for_sheet(pappl_job_t* job) {
    const std::lock_guard lock(waits_lock);
    const auto it = waits.find(papplPrinterGetID(papplJobGetPrinter(job)));
    return it != waits.end() && it->second.job == job && !it->second.go;
}

bool continue_after_sheet(pappl_printer_t* printer, pappl_job_t* job) {
    const std::lock_guard lock(waits_lock);
    const auto it = waits.find(papplPrinterGetID(printer));
    if (it == waits.end() || (job != nullptr && it->second.job != job)) return false;
    it->second.go = true;
    waits_changed.notify_all();
    return true;
}

void add_continue_operation(pappl_system_t* system) {
    papplSystemSetOperationCallback(system, answer_operation, nullptr);
}

int continue_command(const char* base_name, int num_options, cups_option_t* options,
                     int /*num_files*/, char** /*files*/, void* /*data*/) {
    const char* name = cupsGetOption("printer-name", num_options, options);
    const char* uri = cupsGetOption("printer-uri", num_options, options);
    if (name == nullptr && uri == nullptr) {
        std::fprintf(stderr, "%s: continue: which printer? (-d NAME)\n", base_name);
        return 1;
    }
    char scheme[32], userpass[256], host[256], resource[1024];
    int port = 0;
    std::string printer_uri;
    http_t* http = nullptr;
    if (uri != nullptr) {
        if (httpSeparateURI(HTTP_URI_CODING_ALL, uri, scheme, sizeof scheme, userpass,
                            sizeof userpass, host, sizeof host, &port, resource,
                            sizeof resource) < HTTP_URI_STATUS_OK) {
            std::fprintf(stderr, "%s: continue: bad URI \"%s\"\n", base_name, uri);
            return 1;
        }
        printer_uri = uri;
        // A server's address alone: the printer by its name.
        if (std::string(resource).rfind("/ipp/print/", 0) != 0 && name != nullptr)
            printer_uri =
                std::string("ipp://localhost:") + std::to_string(port) + "/ipp/print/" + name;
        http = httpConnect2(host, port, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1, 30000,
                            nullptr);
    } else {
        const std::string socket = command_socket(base_name);
        printer_uri = std::string("ipp://localhost/ipp/print/") + name;
        http = httpConnect2(socket.c_str(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1,
                            30000, nullptr);
    }
    if (http == nullptr) {
        std::fprintf(stderr, "%s: continue: cannot reach the server: %s\n", base_name,
                     cupsLastErrorString());
        return 1;
    }
    ipp_t* request = ippNewRequest(IPP_OP_RESUME_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 printer_uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    char path[1024] = "/ipp/print";
    httpSeparateURI(HTTP_URI_CODING_ALL, printer_uri.c_str(), scheme, sizeof scheme, userpass,
                    sizeof userpass, host, sizeof host, &port, path, sizeof path);
    ippDelete(cupsDoRequest(http, request, path));
    httpClose(http);
    if (cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        std::fprintf(stderr, "%s: continue: %s\n", base_name, cupsLastErrorString());
        return 1;
    }
    return 0;
}

}  // namespace tvk::printer
