#include "printer/page_jobs.h"

#include <cstdio>
#include <fstream>
#include <string>

#include "host/host_error.h"
#include "printer/application.h"

namespace tvk::printer {
namespace {

std::string choices_file(pappl_job_t* job) {
    return application().spool_directory() + "/page-job-" +
           std::to_string(papplPrinterGetID(papplJobGetPrinter(job))) + "-" +
           std::to_string(papplJobGetID(job)) + ".txt";
}

}  // namespace

std::mutex& page_jobs_lock() {
    static std::mutex lock;
    return lock;
}

void keep_page_choices(pappl_job_t* job, const PlotChoices& c) {
    const std::string path = choices_file(job);
    std::ofstream out(path, std::ios::trunc);
    out << "size=" << (c.actual_size ? "actual" : "fit") << "\n"
        << "turn=" << (c.turned ? 1 : 0) << "\n";
    for (const std::string& pen : c.pens) out << "pen=" << pen << "\n";
    out.close();
    if (!out) throw host::HostError("cannot keep the plot's choices in " + path);
}

std::optional<PlotChoices> page_choices(pappl_job_t* job) {
    const std::lock_guard lock(page_jobs_lock());
    std::ifstream in(choices_file(job));
    if (!in) return std::nullopt;
    PlotChoices c;
    for (std::string line; std::getline(in, line);) {
        if (line == "size=actual") c.actual_size = true;
        if (line == "turn=1") c.turned = true;
        if (line.rfind("pen=", 0) == 0) c.pens.push_back(line.substr(4));
    }
    return c;
}

void forget_page_choices(pappl_job_t* job) {
    std::remove(choices_file(job).c_str());
}

}  // namespace tvk::printer
