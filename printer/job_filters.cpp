#include "printer/job_filters.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <exception>
#include <memory>
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
#include "printer/model_papers.h"
#include "printer/page_jobs.h"
#include "printer/printer_driver.h"
#include "printer/printer_profile.h"

namespace tvk::printer {
namespace {

constexpr int kTkGl3 = 3;  // the plotter language that draws copies itself

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

// The paper of the job's media among the model's papers; refused, naming
// the papers there are, when the model has none of that media.
std::string job_paper(const pappl_media_col_t& media, const host::Profile& profile) {
    const PlotterModel* model = application().model(profile.model);
    if (model == nullptr) return "";
    const Paper* chosen =
        paper_for_media(model->papers, media.size_name, media.size_width, media.size_length);
    if (chosen == nullptr) {
        std::string known;
        for (const Paper& p : model->papers) {
            known += (known.empty() ? "" : ", ") + p.name + " (" + p.media + ")";
        }
        char size[64] = "";
        if (media.size_width > 0 && media.size_length > 0) {
            std::snprintf(size, sizeof size, " (%.0f x %.0f mm)", media.size_width / 100.0,
                          media.size_length / 100.0);
        }
        throw host::HostError("The " + model->name + " has no paper \"" +
                              std::string(media.size_name) + "\"" + size + ": its papers are " +
                              known + ".");
    }
    // The profile's own paper needs no answer; a model without a list has none to give.
    if (chosen == profile_paper(model->papers, profile) || chosen->number == 0) return "";
    return std::to_string(chosen->number);
}

// What the job asks of the plot: its media, copies, scaling and
// orientation; the printer's profile gives the rest.
PlotChoices job_choices(pappl_job_t* job, const host::Profile& profile) {
    pappl_pr_options_t* options = papplJobCreatePrintOptions(job, 1, true);
    PlotChoices c;
    c.copies = std::max(1, options->copies);
    c.actual_size = options->print_scaling == PAPPL_SCALING_NONE;
    c.turned = options->orientation_requested == IPP_ORIENT_LANDSCAPE ||
               options->orientation_requested == IPP_ORIENT_REVERSE_LANDSCAPE;
    const pappl_media_col_t media = options->media;
    papplJobDeletePrintOptions(options);
    c.paper = job_paper(media, profile);
    return c;
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

// A job's choices of the page to plot from, let go once it has run.
class ForgottenChoices {
  public:
    explicit ForgottenChoices(pappl_job_t* job) : job_(job) {}
    ~ForgottenChoices() { forget_page_choices(job_); }
    ForgottenChoices(const ForgottenChoices&) = delete;
    ForgottenChoices& operator=(const ForgottenChoices&) = delete;

  private:
    pappl_job_t* job_;
};

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
        const host::Profile settings = host::load_profile(profile);
        PlotChoices choices = job_choices(job, settings);
        // A job of the page to plot from: the page's choices.
        if (const auto page = page_choices(job)) {
            choices.actual_size = page->actual_size;
            choices.turned = page->turned;
            choices.pens = page->pens;
        }
        // Kept only while the job may still plot: a server that dies mid-plot
        // leaves them for the job held again.
        const ForgottenChoices forget(job);
        // TK-GL3 plotters draw the copies themselves; the others plot the drawing again.
        const bool plotter_copies = settings.language_index() == kTkGl3;
        const int rounds = plotter_copies ? 1 : choices.copies;
        if (!plotter_copies) choices.copies = 1;
        host::PlotOptions options = plot_options(profile, choices);
        DeviceOutput output(job, device, uri != nullptr ? uri : "");
        host::PlotTarget target;
        target.drawing = papplJobGetFilename(job);
        target.port = &output;
        const int pages = pages_of(target.drawing);
        papplJobSetImpressions(job, pages * rounds);
        int page = 1, round = 0;
        int shown = -1;
        target.progress = [job, &shown, &page, pages, &round, rounds](size_t sent, size_t total) {
            const int share = total > 0 ? static_cast<int>(100 * sent / total) : 0;
            if (share == shown) return;
            shown = share;
            char what[64] = "";
            if (rounds > 1) std::snprintf(what, sizeof what, " copy %d of %d", round + 1, rounds);
            if (pages > 1) {
                const size_t used = std::strlen(what);
                std::snprintf(what + used, sizeof what - used, "%spage %d of %d",
                              used > 0 ? ", " : " ", page, pages);
            }
            papplJobSetMessage(job, "Plotting%s: %zu of %zu bytes sent (%d%%).", what, sent, total,
                               share);
        };
        target.outcome = [job](const std::string& text) {
            papplJobSetMessage(job, "%s", text.c_str());
        };

        const std::lock_guard lock(application().driver_lock());
        const KeptSignals signals;
        const CancelWatch watch(job);
        const PlottingNote note(job);
        // Each page is a plot of its own, in order; each copy the plotter does
        // not draw itself is the pages again.
        for (round = 0; round < rounds; ++round) {
            for (page = 1; page <= pages; ++page) {
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
    o.answers.paper = c.paper;
    o.pen_texts.pens = c.pens;
    if (c.actual_size) o.scale = 1;  // millimetres as they are
    o.rotate =
        c.turned ? host::PlacementRequest::Rotate::kYes : host::PlacementRequest::Rotate::kNo;
    return o;
}

PlotPreview preview_plot(pappl_printer_t* printer, const std::string& drawing,
                         const PlotChoices& choices, const std::string& svg) {
    const std::string profile = printer_profile(printer);
    host::PlotOptions options = plot_options(profile, choices);
    options.dry_run = true;
    host::PlotTarget target;
    target.drawing = drawing;
    target.preview = svg;
    PlotPreview preview;
    preview.pens = host::load_profile(profile).pens;
    target.outcome = [&preview](const std::string& text) { preview.summary = text; };
    target.colours = [&preview](const std::map<std::pair<int, int32_t>, int>& pens) {
        preview.colours = pens;
    };
    const std::lock_guard lock(application().driver_lock());
    const KeptSignals signals;
    if (host::plot_drawing(application().global(), options, target) != 0) {
        throw host::HostError(preview.summary.empty() ? "the plot failed" : preview.summary);
    }
    return preview;
}

void add_job_filters(pappl_system_t* system) {
    for (const char* format : kDrawingFormats) {
        papplSystemAddMIMEFilter(system, format, kPlotterStream, plot_document, nullptr);
    }
    papplSystemSetMIMECallback(system, document_format, nullptr);
}

}  // namespace tvk::printer
