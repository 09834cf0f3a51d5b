// Locating tvkplot.def. The rules are plain string functions that take the
// platform's path rules, so both variants can be tried on any machine; the
// file tests, the current directory and the environment come from the
// platform hooks.
#include <cstring>
#include <string>

#include "deffile/deffile.h"
#include "platform/platform.h"

namespace tvk {
namespace {

constexpr const char* kFileName = "tvkplot.def";
constexpr std::size_t kMaxPathLength = sizeof definition_path - 1;
constexpr std::size_t kFallbackDirectoryLength = 79;

bool ends_in(const std::string& s, const char* chars) {
    return !s.empty() && std::strchr(chars, s.back()) != nullptr;
}

std::string prepared(std::string candidate, const PathRules& rules) {
    if (rules.lower_case)
        for (char& c : candidate)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return candidate;
}

// A candidate is taken when it fits definition_path and names something; a
// longer one is skipped rather than cut into another path.
bool usable(const std::string& candidate) {
    return candidate.size() <= kMaxPathLength && platform::hooks().path_exists(candidate.c_str());
}

std::string current_directory(std::size_t size) {
    std::string buf(size + 1, '\0');
    if (!platform::hooks().current_directory(buf.data(), buf.size())) return {};
    buf.resize(std::strlen(buf.c_str()));
    return buf;
}

}  // namespace

const PathRules& native_path_rules() {
    return platform::kWindowsPaths ? kWindowsPathRules : kPosixPathRules;
}

std::string host_directory_candidate(const char* host_given, const PathRules& rules) {
    const std::string path(host_given);
    const std::size_t last = path.find_last_of(rules.directory_separators);
    std::string directory;
    if (last != std::string::npos)
        directory = path.substr(0, last + 1);
    else if (rules.drive_letters && path.size() >= 2 && path[1] == ':')
        directory = path.substr(0, 2);
    return prepared(directory + kFileName, rules);
}

std::string tvkplot_candidate(const char* value, const PathRules& rules) {
    std::string directory;
    for (const char* p = value; *p != '\0'; ++p)
        if (static_cast<signed char>(*p) > 0x20) directory += *p;
    if (!directory.empty() && directory.back() != rules.separator) directory += rules.separator;
    return prepared(directory + kFileName, rules);
}

std::string directory_candidate(const std::string& directory, const PathRules& rules) {
    std::string path = directory;
    if (!ends_in(path, rules.joined_without_separator)) path += rules.separator;
    return prepared(path + kFileName, rules);
}

std::vector<std::string> list_candidates(const char* list, const PathRules& rules) {
    std::vector<std::string> out;
    std::string entry;
    for (const char* p = list;; ++p) {
        if (*p == rules.list_separator || *p == '\0') {
            if (!entry.empty()) out.push_back(directory_candidate(entry, rules));
            entry.clear();
            if (*p == '\0') break;
        } else if (*p != '"') {
            entry += *p;
        }
    }
    return out;
}

std::string search_list(const char* list, const PathRules& rules) {
    // A copy in the current directory comes before every listed directory.
    const std::string cwd = current_directory(4096);
    if (!cwd.empty()) {
        std::string here = cwd;
        if (here.back() != rules.separator) here += rules.separator;
        here = prepared(here + kFileName, rules);
        if (usable(here)) return here;
    }
    for (const std::string& candidate : list_candidates(list, rules))
        if (usable(candidate)) return candidate;
    return {};
}

std::string fallback_candidate(const PathRules& rules) {
    const std::string cwd = current_directory(kFallbackDirectoryLength);
    if (cwd.empty()) return kFileName;
    return prepared(cwd + rules.separator + kFileName, rules);
}

std::string locate_definition_path(const char* host_given, const PathRules& rules) {
    const auto& env = platform::hooks().get_env;
    std::string candidate = host_directory_candidate(host_given, rules);
    if (usable(candidate)) return candidate;
    if (const char* value = env("TVKPLOT")) {
        candidate = tvkplot_candidate(value, rules);
        if (usable(candidate)) return candidate;
    }
    for (const char* name : {"PATH", "ACAD"}) {
        if (const char* value = env(name)) {
            candidate = search_list(value, rules);
            if (!candidate.empty()) return candidate;
        }
    }
    return fallback_candidate(rules);
}

void locate_definition_file() {
    const std::string path = locate_definition_path(host_path, native_path_rules());
    std::strncpy(definition_path, path.c_str(), sizeof definition_path - 1);
    definition_path[sizeof definition_path - 1] = '\0';
}

}  // namespace tvk
