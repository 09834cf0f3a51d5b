#include "printer/interrupted_jobs.h"

#include <fcntl.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "printer/application.h"
#include "printer/lasting_text.h"

namespace tvk::printer {
namespace {

constexpr const char* kNotePrefix = "plotting-";
constexpr const char* kResumePrefix = "resume-";
constexpr const char* kDocumentSuffix = ".document";  // a kept note's copy of its document
// The progress line keeps its width, so that it is rewritten in place.
constexpr size_t kProgressWidth = 127;

// What a note keeps: enough to find the job again, or to make it anew from
// its document, and how far its plot got.
struct Note {
    std::string path;
    std::string format, user, name, file;
    bool resumable = false;
    PlotProgress progress;
};

std::mutex notes_lock;
std::map<std::pair<int, int>, Note> notes;  // by printer and job

std::string text(const char* s) {
    return s != nullptr ? s : "";
}

std::string progress_line(bool resumable, const PlotProgress& p) {
    char line[kProgressWidth + 2];
    std::snprintf(line, sizeof line, "progress %d %d %zu %zu %" PRIu64 " %zu %d", resumable ? 1 : 0,
                  p.page, p.from_path, p.bytes, p.hash, p.queued, p.copy);
    std::string padded = line;
    padded.resize(kProgressWidth, ' ');
    return padded + '\n';
}

bool read_progress(const std::string& line, bool& resumable, PlotProgress& p) {
    std::istringstream in(line);
    std::string word;
    int flag = 0;
    if (!(in >> word >> flag >> p.page >> p.from_path >> p.bytes >> p.hash >> p.queued) ||
        word != "progress" || p.page < 1 || p.queued > p.bytes)
        return false;
    // A note of an older server has no copy: its first.
    if (!(in >> p.copy)) p.copy = 1;
    if (p.copy < 1) return false;
    resumable = flag == 1;
    return true;
}

std::string resume_path(int printer, int job) {
    return application().spool_directory() + "/" + kResumePrefix + std::to_string(printer) + "-" +
           std::to_string(job);
}

// Whether a plot that got this far has something to go on from.
bool under_way(const PlotProgress& p) {
    return p.copy > 1 || p.page > 1 || p.from_path > 0 || p.bytes > 0;
}

// A new job of the interrupted one's document (a copy: PAPPL removes the
// old job's files), held with the reason; its number, or 0.
int hold_anew(pappl_printer_t* printer, const Note& n) {
    const std::string kept = n.file + ".held";
    std::error_code ec;
    if (!std::filesystem::copy_file(n.file, kept, std::filesystem::copy_options::overwrite_existing,
                                    ec))
        return 0;
    // Held before the printer may start it: nothing starts it but the user.
    const bool was_stopped = papplPrinterGetState(printer) == IPP_PSTATE_STOPPED;
    if (!was_stopped) papplPrinterPause(printer);
    pappl_job_t* job = papplJobCreateWithFile(
        printer, lasting_text(n.user.empty() ? "unknown" : n.user), lasting_text(n.format),
        lasting_text(n.name.empty() ? "drawing" : n.name), 0, nullptr, kept.c_str());
    if (job != nullptr) papplJobHold(job, nullptr, "indefinite", 0);
    if (job == nullptr) {
        if (!was_stopped) papplPrinterResume(printer);
        return 0;
    }
    const bool resumes = n.resumable && under_way(n.progress);
    if (resumes) {
        std::ofstream out(resume_path(papplPrinterGetID(printer), papplJobGetID(job)),
                          std::ios::trunc);
        out << progress_line(true, n.progress);
    }
    if (!was_stopped) papplPrinterResume(printer);
    if (resumes) {
        papplJobSetMessage(job,
                           "Held: the server stopped while this job was plotting (copy %d, page "
                           "%d, %zu bytes had gone to the plotter). Release the job to plot the "
                           "rest, from the first path the plotter had not taken in full.",
                           n.progress.copy, n.progress.page, n.progress.bytes);
    } else if (!n.resumable) {
        papplJobSetMessage(job,
                           "Held: the server stopped while this job was plotting. This device "
                           "cannot tell what the plotter took: put in new paper and release the "
                           "job to plot it again from the start.");
    } else {
        papplJobSetMessage(job,
                           "Held: the server stopped while this job was plotting, before anything "
                           "went to the plotter. Release the job to plot it.");
    }
    return papplJobGetID(job);
}

}  // namespace

uint64_t stream_hash(const uint8_t* bytes, size_t count, uint64_t hash) {
    // FNV-1a: cheap enough to follow every byte sent.
    for (size_t i = 0; i < count; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

PlottingNote::PlottingNote(pappl_job_t* job, bool resumable, const PlotProgress& start)
    : resumable_(resumable) {
    const int printer = papplPrinterGetID(papplJobGetPrinter(job));
    path_ = application().spool_directory() + "/" + kNotePrefix + std::to_string(printer) + "-" +
            std::to_string(papplJobGetID(job));
    document_ = text(papplJobGetFilename(job));
    std::ostringstream head;
    head << printer << '\n'
         << papplJobGetID(job) << '\n'
         << text(papplJobGetFormat(job)) << '\n'
         << text(papplJobGetUsername(job)) << '\n'
         << text(papplJobGetName(job)) << '\n'
         << text(papplJobGetFilename(job)) << '\n';
    const std::string written = head.str() + progress_line(resumable_, start);
    offset_ = static_cast<long>(head.str().size());
    fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd_ >= 0 && write(fd_, written.data(), written.size()) < 0) {
        close(fd_);
        fd_ = -1;
    }
}

void PlottingNote::keep() {
    std::error_code ec;
    std::filesystem::copy_file(document_, path_ + kDocumentSuffix,
                               std::filesystem::copy_options::overwrite_existing, ec);
    kept_ = true;
}

PlottingNote::~PlottingNote() {
    if (fd_ >= 0) close(fd_);
    if (!kept_) unlink(path_.c_str());
}

void PlottingNote::record(const PlotProgress& progress) {
    if (fd_ < 0) return;
    const std::string line = progress_line(resumable_, progress);
    // Written by the system as the process hands it over: a server killed
    // the next moment leaves it in place.
    if (pwrite(fd_, line.data(), line.size(), offset_) < 0) return;
}

void read_plotting_notes(const std::string& spool) {
    const std::lock_guard lock(notes_lock);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(spool, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kNotePrefix, 0) != 0 || name.find('.') != std::string::npos) continue;
        std::ifstream in(entry.path());
        std::string printer, job, progress;
        Note n;
        n.path = entry.path().string();
        std::getline(in, printer);
        std::getline(in, job);
        std::getline(in, n.format);
        std::getline(in, n.user);
        std::getline(in, n.name);
        std::getline(in, n.file);
        std::getline(in, progress);
        std::error_code exists;
        if (!std::filesystem::exists(n.file, exists)) n.file = n.path + kDocumentSuffix;
        // A note without its progress (written by an older server, or cut
        // short) plots again from the start.
        if (!read_progress(progress, n.resumable, n.progress)) {
            n.resumable = false;
            n.progress = PlotProgress{};
        }
        notes[{std::atoi(printer.c_str()), std::atoi(job.c_str())}] = n;
    }
}

namespace {

// The value of attribute `name` in a line of the saved state, as `name="VALUE"`.
std::string attribute(const std::string& line, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const size_t at = line.find(key);
    if (at == std::string::npos) return "";
    const size_t from = at + key.size();
    const size_t end = line.find('"', from);
    return end == std::string::npos ? "" : line.substr(from, end - from);
}

}  // namespace

void reopen_interrupted_jobs(const std::string& state_file) {
    const std::lock_guard lock(notes_lock);
    if (notes.empty()) return;
    std::ifstream in(state_file);
    if (!in) return;
    std::string text, line;
    int printer = 0;
    bool changed = false;
    while (std::getline(in, line)) {
        if (line.rfind("<Printer ", 0) == 0) printer = std::atoi(attribute(line, "id").c_str());
        if (line.rfind("Job ", 0) == 0 && attribute(line, "state") == "5" &&
            notes.count({printer, std::atoi(attribute(line, "id").c_str())}) > 0) {
            const size_t at = line.find(" state=\"5\"");
            line.replace(at, 10, " state=\"3\"");
            changed = true;
        }
        text += line + '\n';
    }
    in.close();
    if (!changed) return;
    const std::string written = state_file + ".new";
    {
        std::ofstream out(written, std::ios::trunc);
        out << text;
        if (!out) return;
    }
    std::rename(written.c_str(), state_file.c_str());
}

bool held_as_interrupted(pappl_job_t* job) {
    pappl_printer_t* printer = papplJobGetPrinter(job);
    Note n;
    {
        const std::lock_guard lock(notes_lock);
        const auto it = notes.find({papplPrinterGetID(printer), papplJobGetID(job)});
        if (it == notes.end()) return false;
        n = it->second;
        notes.erase(it);
    }
    forget_resume_point(job);  // the new job's takes its place
    const int held = hold_anew(printer, n);
    unlink(n.path.c_str());
    unlink((n.path + kDocumentSuffix).c_str());
    if (held > 0) {
        papplJobSetMessage(job, "Stopped with the server while plotting; held as job %d.", held);
    } else {
        papplJobSetMessage(job, "Stopped with the server while plotting.");
    }
    return true;
}

void hold_lost_jobs(pappl_system_t* system) {
    const std::lock_guard lock(notes_lock);
    for (auto it = notes.begin(); it != notes.end();) {
        const auto [printer_id, job_id] = it->first;
        pappl_printer_t* printer = papplSystemFindPrinter(system, nullptr, printer_id, nullptr);
        pappl_job_t* listed = printer != nullptr ? papplPrinterFindJob(printer, job_id) : nullptr;
        // The old job's resume point first: the new job may take its number.
        unlink(resume_path(printer_id, job_id).c_str());
        Note n = it->second;
        // Still listed as waiting (the state was saved while it plotted):
        // PAPPL 1.3 starts no job at its start, and would start this one over
        // the half-drawn sheet at the next job; it is cancelled (which
        // removes its files: its document is kept first), and the held one
        // takes its place.
        const bool still_listed =
            listed != nullptr && papplJobGetState(listed) < IPP_JSTATE_STOPPED;
        if (still_listed) {
            std::error_code ec;
            const std::string kept = n.path + kDocumentSuffix;
            if (n.file != kept &&
                std::filesystem::copy_file(n.file, kept,
                                           std::filesystem::copy_options::overwrite_existing, ec))
                n.file = kept;
            papplJobCancel(listed);
        }
        const int held = printer != nullptr ? hold_anew(printer, n) : 0;
        if (still_listed && held > 0) {
            papplJobSetMessage(listed, "Stopped with the server while plotting; held as job %d.",
                               held);
        }
        unlink(it->second.path.c_str());
        unlink((it->second.path + kDocumentSuffix).c_str());
        it = notes.erase(it);
    }
}

std::optional<PlotProgress> resume_point(pappl_job_t* job) {
    std::ifstream in(resume_path(papplPrinterGetID(papplJobGetPrinter(job)), papplJobGetID(job)));
    if (!in) return std::nullopt;
    std::string line;
    std::getline(in, line);
    bool resumable = false;
    PlotProgress p;
    if (!read_progress(line, resumable, p) || !resumable) return std::nullopt;
    return p;
}

void forget_resume_point(pappl_job_t* job) {
    unlink(resume_path(papplPrinterGetID(papplJobGetPrinter(job)), papplJobGetID(job)).c_str());
}

}  // namespace tvk::printer
