#include "printer/job_filters.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "host/commands/plot_run.h"
#include "host/drawing/drawing_file.h"
#include "host/drawing/model/work_progress.h"
#include "host/drawing/pdf/pdf_reader.h"
#include "host/host_error.h"
#include "host/ui/interrupt.h"
#include "printer/application.h"
#include "printer/device_output.h"
#include "printer/interrupted_jobs.h"
#include "printer/printer_driver.h"
#include "printer/printer_profile.h"

namespace tvk::printer {
namespace {

constexpr const char* kDrawingFormats[] = {"application/pdf", "image/svg+xml", "image/vnd.dxf",
                                           "application/dxf", "application/vnd.hp-HPGL"};

// The kind of a document sent without one, by its first bytes.
const char* document_format(const unsigned char* header, size_t size, void* /*data*/) {
    const std::string head(reinterpret_cast<const char*>(header), size);
    if (head.rfind("%PDF-", 0) == 0) return "application/pdf";
    size_t at = head.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    at = head.find_first_not_of(" \t\r\n", at);
    if (at == std::string::npos) return nullptr;
    if (head[at] == '<') return "image/svg+xml";
    if (head.rfind("AutoCAD Binary DXF", 0) == 0) return "image/vnd.dxf";
    const size_t end = head.find_first_of("\r\n", at);
    const std::string first = head.substr(at, end == std::string::npos ? 0 : end - at);
    if (first == "0" || first == "999") return "image/vnd.dxf";
    // HP-GL opens with a two-letter command (IN, DF, SP...) or an escape.
    if (head[at] == '\x1b' ||
        (size - at >= 2 && std::isupper(static_cast<unsigned char>(head[at])) &&
         std::isupper(static_cast<unsigned char>(head[at + 1])))) {
        return "application/vnd.hp-HPGL";
    }
    return nullptr;
}

// What the job asks of the plot: its copies, scaling and orientation; the
// printer's profile gives the rest.
host::PlotOptions job_plot_options(pappl_job_t* job, const std::string& profile) {
    pappl_pr_options_t* options = papplJobCreatePrintOptions(job, 1, true);
    PlotChoices c;
    c.copies = options->copies;
    c.actual_size = options->print_scaling == PAPPL_SCALING_NONE;
    c.turned = options->orientation_requested == IPP_ORIENT_LANDSCAPE ||
               options->orientation_requested == IPP_ORIENT_REVERSE_LANDSCAPE;
    papplJobDeletePrintOptions(options);
    return plot_options(profile, c);
}

// PAPPL's handler of the signals that stop the server is kept through the
// plot, which watches Ctrl-C for itself.
class KeptSignals {
  public:
    KeptSignals() { sigaction(SIGINT, nullptr, &interrupt_); }
    ~KeptSignals() { sigaction(SIGINT, &interrupt_, nullptr); }
    KeptSignals(const KeptSignals&) = delete;
    KeptSignals& operator=(const KeptSignals&) = delete;

  private:
    struct sigaction interrupt_ {};
};

// A job cancelled stops its plot as Ctrl-C stops tvkplot's, wherever the
// plot is: reading, ordering, or waiting for a slow plotter.
class CancelWatch {
  public:
    explicit CancelWatch(pappl_job_t* job)
        : thread_([job](std::stop_token stop) {
              while (!stop.stop_requested()) {
                  if (papplJobIsCanceled(job)) host::request_interrupt();
                  std::this_thread::sleep_for(std::chrono::milliseconds(50));
              }
          }) {}

  private:
    std::jthread thread_;
};

// The driver is the whole process's: one plot at a time, across printers.
// A job whose printer must wait says so, and may be cancelled meanwhile;
// false when it was.
bool wait_for_driver(pappl_job_t* job, std::unique_lock<std::timed_mutex>& lock) {
    lock = std::unique_lock(application().driver_lock(), std::try_to_lock);
    if (lock.owns_lock()) return true;
    papplJobSetMessage(job, "Waiting: another printer is plotting; its plot goes first.");
    while (!lock.try_lock_for(std::chrono::milliseconds(200))) {
        if (papplJobIsCanceled(job)) return false;
    }
    papplJobSetMessage(job, "Plotting.");
    return true;
}

// The pages of a PDF document; 1 for any other drawing.
int pages_of(const std::string& path) {
    if (host::read_drawing_head(path, 8).rfind("%PDF-", 0) != 0) return 1;
    host::NoProgress progress;
    return host::pdf_page_count(host::read_drawing_file(path, progress), path);
}

bool plot_document(pappl_job_t* job, pappl_device_t* device, void* /*data*/) {
    pappl_printer_t* printer = papplJobGetPrinter(job);
    const char* uri = papplPrinterGetDeviceURI(printer);
    if (held_as_interrupted(job)) return false;
    try {
        const std::string profile = printer_profile(printer);
        host::PlotOptions options = job_plot_options(job, profile);
        DeviceOutput output(job, device, uri != nullptr ? uri : "");
        host::PlotTarget target;
        target.drawing = papplJobGetFilename(job);
        target.port = &output;
        const int pages = pages_of(target.drawing);
        papplJobSetImpressions(job, pages);
        int page = 1;
        int shown = -1;
        target.progress = [job, &shown, &page, pages](size_t sent, size_t total) {
            const int share = total > 0 ? static_cast<int>(100 * sent / total) : 0;
            if (share == shown) return;
            shown = share;
            if (pages > 1) {
                papplJobSetMessage(job, "Plotting page %d of %d: %zu of %zu bytes sent (%d%%).",
                                   page, pages, sent, total, share);
            } else {
                papplJobSetMessage(job, "Plotting: %zu of %zu bytes sent (%d%%).", sent, total,
                                   share);
            }
        };
        target.outcome = [job](const std::string& text) {
            papplJobSetMessage(job, "%s", text.c_str());
        };

        std::unique_lock<std::timed_mutex> lock;
        if (!wait_for_driver(job, lock)) return true;  // cancelled while it waited
        const KeptSignals signals;
        const CancelWatch watch(job);
        const PlottingNote note(job);
        // Each page is a plot of its own, in order.
        for (; page <= pages; ++page) {
            options.page = page;
            shown = -1;
            const int result = host::plot_drawing(application().global(), options, target);
            if (papplJobIsCanceled(job)) return true;
            if (result != 0) {
                // A plotter that took nothing for its wait time, or went away, is
                // the printer's state too, until a plot gets through again.
                if (output.is_serial()) {
                    papplPrinterSetReasons(printer, PAPPL_PREASON_OFFLINE, PAPPL_PREASON_NONE);
                }
                return false;
            }
            papplPrinterSetReasons(printer, PAPPL_PREASON_NONE, PAPPL_PREASON_OFFLINE);
            papplJobSetImpressionsCompleted(job, 1);
        }
        return true;
    } catch (const std::exception& e) {
        papplJobSetMessage(job, "%s", e.what());
        papplJobSetReasons(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR, PAPPL_JREASON_NONE);
        papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s", e.what());
        return false;
    }
}

}  // namespace

const char* drawing_format(const std::string& head) {
    return document_format(reinterpret_cast<const unsigned char*>(head.data()), head.size(),
                           nullptr);
}

host::PlotOptions plot_options(const std::string& profile, const PlotChoices& c) {
    host::PlotOptions o;
    o.profile = profile;
    if (c.copies > 1) o.answers.copies = c.copies;
    if (c.actual_size) o.scale = 1;  // millimetres as they are
    o.rotate =
        c.turned ? host::PlacementRequest::Rotate::kYes : host::PlacementRequest::Rotate::kNo;
    return o;
}

std::string preview_plot(pappl_printer_t* printer, const std::string& drawing,
                         const PlotChoices& choices, const std::string& svg) {
    host::PlotOptions options = plot_options(printer_profile(printer), choices);
    options.dry_run = true;
    host::PlotTarget target;
    target.drawing = drawing;
    target.preview = svg;
    std::string summary;
    target.outcome = [&summary](const std::string& text) { summary = text; };
    const std::lock_guard lock(application().driver_lock());
    const KeptSignals signals;
    if (host::plot_drawing(application().global(), options, target) != 0) {
        throw host::HostError(summary.empty() ? "the plot failed" : summary);
    }
    return summary;
}

void add_job_filters(pappl_system_t* system) {
    for (const char* format : kDrawingFormats) {
        papplSystemAddMIMEFilter(system, format, kPlotterStream, plot_document, nullptr);
    }
    papplSystemSetMIMECallback(system, document_format, nullptr);
}

}  // namespace tvk::printer
