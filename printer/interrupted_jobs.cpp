#include "printer/interrupted_jobs.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

#include "printer/application.h"

namespace tvk::printer {
namespace {

constexpr const char* kPrefix = "plotting-";

// What a note keeps: enough to find the job again, or to make it anew from
// its document.
struct Note {
    std::string path;
    std::string format, user, name, file;
};

std::mutex notes_lock;
std::map<std::pair<int, int>, Note> notes;  // by printer and job

std::string text(const char* s) {
    return s != nullptr ? s : "";
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
        printer, n.user.empty() ? "unknown" : n.user.c_str(), n.format.c_str(),
        n.name.empty() ? "drawing" : n.name.c_str(), 0, nullptr, kept.c_str());
    if (job != nullptr) papplJobHold(job, nullptr, "indefinite", 0);
    if (!was_stopped) papplPrinterResume(printer);
    if (job == nullptr) return 0;
    papplJobSetMessage(job,
                       "Held: the server stopped while this job was plotting. Put in new paper "
                       "and release the job to plot it again from the start.");
    return papplJobGetID(job);
}

}  // namespace

PlottingNote::PlottingNote(pappl_job_t* job) {
    const int printer = papplPrinterGetID(papplJobGetPrinter(job));
    path_ = application().spool_directory() + "/" + kPrefix + std::to_string(printer) + "-" +
            std::to_string(papplJobGetID(job));
    std::ofstream out(path_, std::ios::trunc);
    out << printer << '\n'
        << papplJobGetID(job) << '\n'
        << text(papplJobGetFormat(job)) << '\n'
        << text(papplJobGetUsername(job)) << '\n'
        << text(papplJobGetName(job)) << '\n'
        << text(papplJobGetFilename(job)) << '\n';
}

PlottingNote::~PlottingNote() {
    unlink(path_.c_str());
}

void read_plotting_notes(const std::string& spool) {
    const std::lock_guard lock(notes_lock);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(spool, ec)) {
        if (entry.path().filename().string().rfind(kPrefix, 0) != 0) continue;
        std::ifstream in(entry.path());
        std::string printer, job;
        Note n;
        n.path = entry.path().string();
        std::getline(in, printer);
        std::getline(in, job);
        std::getline(in, n.format);
        std::getline(in, n.user);
        std::getline(in, n.name);
        std::getline(in, n.file);
        notes[{std::atoi(printer.c_str()), std::atoi(job.c_str())}] = n;
    }
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
    const int held = hold_anew(printer, n);
    unlink(n.path.c_str());
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
        if (printer != nullptr && papplPrinterFindJob(printer, job_id) != nullptr) {
            ++it;  // its processing, when it comes, holds it
            continue;
        }
        if (printer != nullptr) hold_anew(printer, it->second);
        unlink(it->second.path.c_str());
        it = notes.erase(it);
    }
}

}  // namespace tvk::printer
