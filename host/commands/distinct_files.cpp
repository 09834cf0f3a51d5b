#include "host/commands/distinct_files.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <tuple>

#include "host/host_error.h"

namespace tvk::host {
namespace {

// Device and inode of a file that exists; else its path as the system would
// resolve it (links in the directories followed).
using Identity = std::tuple<dev_t, ino_t, std::string>;

std::optional<Identity> identity(const std::string& path) {
    if (path.empty()) return std::nullopt;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) return Identity{st.st_dev, st.st_ino, std::string()};
    std::error_code ec;
    const auto full = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    return Identity{0, 0, (ec ? std::filesystem::path(path) : full).lexically_normal().string()};
}

}  // namespace

void check_distinct_files(const std::vector<FileRole>& inputs,
                          const std::vector<FileRole>& outputs) {
    std::vector<std::pair<Identity, const FileRole*>> seen;
    for (const FileRole& in : inputs) {
        if (const auto id = identity(in.path)) seen.emplace_back(*id, &in);
    }
    for (const FileRole& out : outputs) {
        const auto id = identity(out.path);
        if (!id) continue;
        for (const auto& [other, role] : seen) {
            if (other != *id) continue;
            throw UsageError(out.role + " " + out.path + " is " + role->role +
                             (role->path == out.path ? "" : " " + role->path) +
                             ": give it a file of its own (nothing was written)");
        }
        seen.emplace_back(*id, &out);
    }
}

}  // namespace tvk::host
