#include "host/ports/files.h"

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "host/host_error.h"

namespace tvk::host {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string& what, const std::string& path, const std::string& why) {
    throw HostError("cannot " + what + " " + path + ": " + why);
}

std::string directory_of(const std::string& path) {
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? "." : parent.string();
}

}  // namespace

std::string read_whole_file(const std::string& path, const std::string& what) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) fail("read " + what, path, "it is a directory");
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) fail("read " + what, path, std::strerror(errno));
    std::string content;
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) fail("read " + what, path, "read error");
    return content;
}

namespace {

// The kernel's own file systems, where no plot file can be made: their
// names, or null for an ordinary file system.
const char* pseudo_file_system(const std::string& dir) {
    struct statfs fs {};
    if (statfs(dir.c_str(), &fs) != 0) return nullptr;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case PROC_SUPER_MAGIC:
            return "procfs";
        case SYSFS_MAGIC:
            return "sysfs";
        case CGROUP_SUPER_MAGIC:
        case CGROUP2_SUPER_MAGIC:
            return "cgroupfs";
        case DEBUGFS_MAGIC:
            return "debugfs";
        case SECURITYFS_MAGIC:
            return "securityfs";
        default:
            return nullptr;
    }
}

}  // namespace

bool is_device(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

void check_can_write(const std::string& path, const std::string& what) {
    // A device is checked when it is opened.
    if (is_device(path)) return;
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        fail("write " + what, path, "it is a directory; give a file name");
    }
    const std::string dir = directory_of(path);
    if (!fs::is_directory(dir, ec)) fail("write " + what, path, "there is no directory " + dir);
    if (const char* system = pseudo_file_system(dir)) {
        fail("write " + what, path,
             dir + " is on " + system +
                 ", the kernel's own file system, where no plot can be written; give a file "
                 "elsewhere");
    }
    if (access(dir.c_str(), W_OK | X_OK) != 0) {
        fail("write " + what, path, std::string(std::strerror(errno)) + " in " + dir);
    }
    // A file that exists is replaced: it must be one we may replace.
    if (fs::exists(path, ec) && access(path.c_str(), W_OK) != 0) {
        fail("write " + what, path, std::strerror(errno));
    }
}

void write_file(const std::string& path, const std::string& what,
                const std::function<void(std::ostream&)>& write) {
    check_can_write(path, what);
    const bool device = is_device(path);
    const std::string part = device ? path : part_path(path);
    const auto failed = [&](int why) {
        if (!device) std::remove(part.c_str());
        fail("write " + what, path, std::strerror(why));
    };
    std::ofstream file(part, std::ios::binary | std::ios::trunc);
    if (!file) failed(errno);
    errno = 0;
    try {
        write(file);
    } catch (...) {
        file.close();
        if (!device) std::remove(part.c_str());
        throw;
    }
    file.close();
    if (!file) failed(errno != 0 ? errno : EIO);
    if (!device && std::rename(part.c_str(), path.c_str()) != 0) failed(errno);
}

void write_whole_file(const std::string& path, const std::string& content,
                      const std::string& what) {
    write_file(path, what, [&](std::ostream& out) {
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    });
}

}  // namespace tvk::host
