#include "printer/job_filters.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstring>
#include <exception>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "host/commands/plot_run.h"
#include "host/drawing/drawing_file.h"
#include "host/drawing/model/work_progress.h"
#include "host/drawing/pdf/pdf_reader.h"
#include "host/host_error.h"
#include "host/ports/port_output.h"
#include "host/settings/profile.h"
#include "host/ui/interrupt.h"
#include "printer/application.h"
#include "printer/device_output.h"
#include "printer/interrupted_jobs.h"
#include "printer/model_papers.h"
#include "printer/new_sheet.h"
#include "printer/page_jobs.h"
#include "printer/printer_driver.h"
#include "printer/printer_profile.h"
#include "printer/resumed_plot.h"

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

// PAPPL's handlers of the signals that stop the server are kept through the
// plot, which watches them for itself while it runs (they stop it, its pen
// lifted); a request to terminate or a hang-up that stopped the plot is then
// passed on to PAPPL, so that the server ends as it was asked.
class KeptSignals {
  public:
    KeptSignals() {
        for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], nullptr, &kept_[i]);
    }
    ~KeptSignals() {
        for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &kept_[i], nullptr);
        if (pass_on_ != 0) kill(getpid(), pass_on_);
    }
    KeptSignals(const KeptSignals&) = delete;
    KeptSignals& operator=(const KeptSignals&) = delete;

    // Whether the plot's exit code says a signal to end stopped it; it is
    // passed on once the plot is over.
    bool ended_by_signal(int exit_code) {
        for (const int s : {SIGTERM, SIGHUP}) {
            if (exit_code == 128 + s) pass_on_ = s;
        }
        return pass_on_ != 0;
    }

  private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction kept_[std::size(kSignals)]{};
    int pass_on_ = 0;
};

// A job cancelled stops its plot as Ctrl-C stops tvkplot's, wherever the
// plot is: reading, ordering, or waiting for a slow plotter. So does the
// server asked to end (a signal, or its shutdown command): a plot may take
// hours, longer than a system waits, and one cut off leaves its pen down;
// stopped, it lifts the pen, and the job comes back held to go on later.
class CancelWatch {
  public:
    explicit CancelWatch(pappl_job_t* job)
        : thread_([this, job](std::stop_token stop) {
              pappl_system_t* system = papplPrinterGetSystem(papplJobGetPrinter(job));
              while (!stop.stop_requested()) {
                  if (papplJobIsCanceled(job)) host::request_interrupt();
                  if (papplSystemIsShutdown(system)) {
                      server_ending_ = true;
                      host::request_interrupt();
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(50));
              }
          }) {}

    bool server_ending() const { return server_ending_; }

  private:
    std::atomic<bool> server_ending_{false};
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

// A resumed job's resume point is kept until its plot has ended, however.
struct ForgetResumePoint {
    pappl_job_t* job;
    ~ForgetResumePoint() { forget_resume_point(job); }
};

// The page where a resumed job's plot stopped: from the first path the
// plotter had not taken in full (options.from_path), or from the start where
// that cannot be told. False when the plotter had taken the whole page.
bool goes_on(pappl_job_t* job, host::PlotOptions& options, const host::PlotTarget& target,
             const PlotProgress& resumed) {
    options.from_path = resumed.from_path;
    papplJobSetMessage(job, "Finding where the plot stopped on page %d.", resumed.page);
    std::string why;
    const std::optional<PathsDrawn> d =
        paths_drawn(options, target.drawing, target.port->is_serial(), resumed, why);
    if (!d) {
        options.from_path = 0;
        papplJobSetMessage(job, "Plotting page %d again from the start: %s.", resumed.page,
                           why.c_str());
        papplLogJob(job, PAPPL_LOGLEVEL_WARN, "Cannot resume: %s.", why.c_str());
        return true;
    }
    if (d->drawn >= d->total) return false;
    options.from_path = d->drawn + 1;
    // The plotter was left in the middle of an instruction, perhaps with its
    // pen down: it ends it and lifts the pen before the plot goes on.
    const std::string closing =
        host::stop_commands(host::load_profile(options.profile).language_index());
    size_t done = 0;
    target.port->write(reinterpret_cast<const uint8_t*>(closing.data()), closing.size(), done,
                       10'000);
    papplJobSetMessage(job, "Going on from path %zu of %zu on page %d, where the plot stopped.",
                       options.from_path, d->total, resumed.page);
    papplLogJob(job, PAPPL_LOGLEVEL_INFO, "Resuming page %d at path %zu of %zu.", resumed.page,
                options.from_path, d->total);
    return true;
}

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

// Plotters on a line (serial, network, USB) take one sheet at a time, as
// `tvkplot plot` asks for new paper on a port; a file is a stream, not paper.
bool takes_one_sheet(const std::string& uri) {
    return uri.rfind("file:", 0) != 0;
}

// What a job waiting for someone at the plotter asks: `what`, and how to say
// it is done.
std::string continue_question(pappl_printer_t* printer, const std::string& what) {
    const char* name = papplPrinterGetName(printer);
    return what +
           ", then press Continue on the printer's Plotter settings page (or run "
           "tvkplot-printer continue -d " +
           (name != nullptr ? name : "NAME") + ").";
}

// What the job waits for before the sheet of the copy and page.
std::string sheet_question(pappl_printer_t* printer, int copy, int copies, int page, int pages) {
    std::string what;
    if (pages > 1) what = "page " + std::to_string(page) + " of " + std::to_string(pages);
    if (copies > 1) {
        what = "copy " + std::to_string(copy) + " of " + std::to_string(copies) +
               (what.empty() ? "" : ", " + what);
    }
    return continue_question(printer, "Put in a new sheet for " + what);
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
        const bool asks_for_sheets = takes_one_sheet(uri != nullptr ? uri : "");
        // A plotter with one pen has each pen put in by hand, as a sheet is:
        // the job waits, the pen parked, until someone says it is in.
        if (asks_for_sheets) {
            target.pen_change = [job, printer](const std::string& what) {
                std::string question = what;
                if (!question.empty()) question[0] = static_cast<char>(std::toupper(question[0]));
                return wait_for_new_sheet(job, continue_question(printer, question)) ==
                       SheetAnswer::kGo;
            };
        }

        std::unique_lock<std::timed_mutex> lock;
        if (!wait_for_driver(job, lock)) return true;  // cancelled while it waited
        KeptSignals signals;
        // Watches only while this job has the driver: another printer may
        // plot while it waits for a sheet.
        std::optional<CancelWatch> watch;
        watch.emplace(job);
        // A job held when the server stopped goes on where its plot stopped:
        // the copy and page it was plotting.
        const std::optional<PlotProgress> resumed = resume_point(job);
        const ForgetResumePoint forget_resume_point{job};
        PlottingNote note(job, output.is_serial(), resumed.value_or(PlotProgress{}));
        const int first_round = resumed ? std::clamp(resumed->copy, 1, rounds) - 1 : 0;
        bool first_sheet = true;
        // Each page is a plot of its own, in order; each copy the plotter does
        // not draw itself is the pages again.
        for (round = first_round; round < rounds; ++round) {
            const bool resumed_round = resumed && round == first_round;
            page = resumed_round ? std::min(resumed->page, pages) : 1;
            for (; page <= pages; ++page) {
                options.page = page;
                options.from_path = 0;
                if (resumed_round && page == resumed->page &&
                    !goes_on(job, options, target, *resumed)) {
                    papplJobSetImpressionsCompleted(job, 1);
                    continue;  // the plotter had taken the whole page
                }
                if (!first_sheet && asks_for_sheets) {
                    // A server that ends meanwhile brings the job back at this sheet.
                    note.record({page, 0, 0, stream_hash(nullptr, 0), 0, round + 1});
                    watch.reset();
                    lock.unlock();
                    const SheetAnswer answer = wait_for_new_sheet(
                        job, sheet_question(printer, round + 1, rounds, page, pages));
                    if (answer == SheetAnswer::kCancelled) return true;
                    if (answer == SheetAnswer::kServerEnding) {
                        note.keep();
                        papplJobSetMessage(job,
                                           "Stopped with the server while waiting for a new "
                                           "sheet; the job comes back held when the server "
                                           "starts again.");
                        return false;
                    }
                    if (!wait_for_driver(job, lock)) return true;
                    watch.emplace(job);
                }
                first_sheet = false;
                shown = -1;
                output.restart_count();
                const size_t from = options.from_path;
                const int copy = round + 1;
                note.record({page, from, 0, stream_hash(nullptr, 0), 0, copy});
                output.on_written = [&note, &output, page, from, copy](size_t bytes,
                                                                       uint64_t hash) {
                    const size_t queued = output.queue_may_be_lost() ? output.still_queued() : 0;
                    note.record({page, from, bytes, hash, std::min(queued, bytes), copy});
                };
                const int result = host::plot_drawing(application().global(), options, target);
                output.on_written = nullptr;
                if (papplJobIsCanceled(job)) return true;
                if (signals.ended_by_signal(result) || watch->server_ending()) {
                    // Its note stays: at the next start the job comes back held.
                    note.keep();
                    papplJobSetMessage(job,
                                       "Stopped with the server, the pen lifted; the job comes "
                                       "back held when the server starts again.");
                    return false;
                }
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
    KeptSignals signals;
    const int result = host::plot_drawing(application().global(), options, target);
    signals.ended_by_signal(result);
    if (result != 0) {
        throw host::HostError(preview.summary.empty() ? "the plot failed" : preview.summary);
    }
    // A plotter with one pen takes any pen put in by hand: as many to choose
    // from as the drawing's colours went to, eight at least.
    if (preview.pens == 1) {
        preview.pens = 8;
        for (const auto& [colour, pen] : preview.colours)
            preview.pens = std::max(preview.pens, pen);
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
