#include "host/settings/journal.h"

#include <toml++/toml.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "host/host_error.h"

namespace tvk::host {
namespace {

std::string path_of(const std::string& id) {
    return journal_directory() + "/" + id + ".toml";
}

std::string local_time(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char text[64];
    std::strftime(text, sizeof text, format, &tm);
    return text;
}

}  // namespace

std::string journal_directory() {
    const char* xdg = std::getenv("XDG_STATE_HOME");
    if (xdg != nullptr && *xdg == '/') return std::string(xdg) + "/tvkplot/jobs";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.local/state/tvkplot/jobs";
}

std::string journal_now() {
    return local_time("%Y-%m-%d %H:%M");
}

std::string new_journal_id(const std::string& drawing) {
    std::string stem = std::filesystem::path(drawing).stem().string();
    for (char& c : stem) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!plain) c = '_';
    }
    if (stem.empty()) stem = "plot";
    const std::string base = stem.substr(0, 40) + "-" + local_time("%Y%m%d-%H%M%S");
    std::string id = base;
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(path_of(id), ec); ++n)
        id = base + "-" + std::to_string(n);
    return id;
}

void save_journal(const Journal& j) {
    std::error_code ec;
    std::filesystem::create_directories(journal_directory(), ec);
    toml::array args;
    for (const std::string& a : j.args) args.push_back(a);
    const toml::table t{{"directory", j.directory},
                        {"args", args},
                        {"drawing", j.drawing},
                        {"port", j.port},
                        {"started", j.started},
                        {"state", j.state},
                        {"total", static_cast<int64_t>(j.total)},
                        {"sent", static_cast<int64_t>(j.sent)},
                        {"drawn", static_cast<int64_t>(j.drawn)},
                        {"next_pen", static_cast<int64_t>(j.next_pen)}};
    const std::string path = path_of(j.id);
    {
        std::ofstream out(path + ".new", std::ios::trunc);
        out << "# tvkplot's journal of a plot: `tvkplot resume " << j.id << "` plots the rest\n"
            << t << "\n";
        if (!out) throw HostError("cannot write the plot's journal " + path + ".new");
    }
    std::filesystem::rename(path + ".new", path, ec);
    if (ec) throw HostError("cannot write the plot's journal " + path + ": " + ec.message());
}

Journal load_journal(const std::string& id) {
    const std::string path = path_of(id);
    std::error_code ec;
    if (id.find('/') != std::string::npos || !std::filesystem::exists(path, ec)) {
        throw HostError("no plot " + id + " to resume: `tvkplot jobs` lists them");
    }
    toml::table t;
    try {
        t = toml::parse_file(path);
    } catch (const toml::parse_error& e) {
        throw HostError("the plot's journal " + path +
                        " cannot be read: " + std::string(e.description()));
    }
    Journal j;
    j.id = id;
    j.directory = t["directory"].value_or(std::string());
    j.drawing = t["drawing"].value_or(std::string());
    j.port = t["port"].value_or(std::string());
    j.started = t["started"].value_or(std::string());
    j.state = t["state"].value_or(std::string("plotting"));
    j.total = static_cast<size_t>(std::max<int64_t>(0, t["total"].value_or(int64_t{0})));
    j.sent = static_cast<size_t>(std::max<int64_t>(0, t["sent"].value_or(int64_t{0})));
    j.drawn = static_cast<size_t>(std::max<int64_t>(0, t["drawn"].value_or(int64_t{0})));
    j.next_pen = static_cast<int>(std::clamp<int64_t>(t["next_pen"].value_or(int64_t{0}), 0, 255));
    if (const toml::array* args = t["args"].as_array()) {
        for (const toml::node& a : *args) j.args.push_back(a.value_or(std::string()));
    }
    if (j.args.empty() || j.directory.empty())
        throw HostError("the plot's journal " + path + " holds no command line");
    return j;
}

std::vector<Journal> all_journals() {
    std::vector<Journal> journals;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(journal_directory(), ec)) {
        if (entry.path().extension() != ".toml") continue;
        try {
            journals.push_back(load_journal(entry.path().stem().string()));
        } catch (const HostError&) {
            // A broken journal is no job.
        }
    }
    std::sort(journals.begin(), journals.end(),
              [](const Journal& a, const Journal& b) { return a.id < b.id; });
    return journals;
}

void remove_journal(const std::string& id) {
    std::error_code ec;
    std::filesystem::remove(path_of(id), ec);
}

}  // namespace tvk::host
