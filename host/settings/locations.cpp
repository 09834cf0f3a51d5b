#include "host/settings/locations.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "host/host_error.h"
#include "host/ui/interrupt.h"

namespace tvk::host {
namespace {

namespace fs = std::filesystem;

constexpr size_t kHostPathBytes = 90;
constexpr const char* kDefinitionName = "tvkplot.def";

fs::path executable_directory() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self.parent_path();
}

std::string first_existing(std::initializer_list<fs::path> candidates) {
    std::error_code ec;
    for (const fs::path& p : candidates) {
        if (!p.empty() && fs::exists(p, ec)) return p.lexically_normal().string();
    }
    return {};
}

bool usable_as_host_path(const std::string& path) {
    return path.size() <= kHostPathBytes &&
           std::none_of(path.begin(), path.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

// A new directory whose name is lower case, as the driver tests its path.
std::string make_private_directory() {
    std::string base = "/tmp";
    if (const char* tmp = std::getenv("TMPDIR");
        tmp && *tmp == '/' &&
        usable_as_host_path(std::string(tmp) + "/tvkplot-abcdefghij/" + kDefinitionName)) {
        base = tmp;
    }
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string dir = base + "/tvkplot-";
        for (int i = 0; i < 10; ++i) dir.push_back(static_cast<char>('a' + random() % 26));
        if (mkdir(dir.c_str(), 0700) == 0) return dir;
    }
    throw HostError("cannot make a temporary directory in " + base);
}

}  // namespace

std::string default_driver_path() {
    const fs::path here = executable_directory();
    std::string found = first_existing(
        {here / "libtvkplot.so", here / ".." / TVK_INSTALL_LIBDIR / "libtvkplot.so"});
    return found.empty() ? std::string(TVK_BUILD_DRIVER) : found;
}

std::string default_definition_path() {
    const fs::path here = executable_directory();
    std::string found = first_existing({here / ".." / TVK_INSTALL_DATADIR / "tvkplot/tvkplot.def"});
    return found.empty() ? std::string(TVK_SOURCE_DIR) + "/examples/tvkplot.def" : found;
}

DefinitionDirectory::DefinitionDirectory(const std::string& definition_file) {
    std::error_code ec;
    if (!fs::is_regular_file(definition_file, ec)) {
        const bool exists = fs::exists(definition_file, ec);
        throw HostError("the plotter definition file " + definition_file +
                        (exists ? " is not a file" : " does not exist") +
                        ": give the right one with --def FILE");
    }
    file_ = fs::absolute(definition_file, ec).lexically_normal().string();
    const fs::path own(file_);
    host_path_ = own.string();
    if (own.filename() == kDefinitionName && usable_as_host_path(host_path_)) return;

    private_dir_ = make_private_directory();
    host_path_ = private_dir_ + "/" + kDefinitionName;
    // Nothing is left behind, whatever ends the program.
    remove_on_signal(host_path_, private_dir_);
    fs::create_symlink(own, host_path_, ec);
    if (ec) {
        remove_on_signal("", "");
        fs::remove_all(private_dir_, ec);
        throw HostError("cannot link " + file_ + " into " + private_dir_);
    }
}

void DefinitionDirectory::use_text(const std::string& text) {
    std::error_code ec;
    if (private_dir_.empty()) {
        private_dir_ = make_private_directory();
        host_path_ = private_dir_ + "/" + kDefinitionName;
        remove_on_signal(host_path_, private_dir_);
    }
    fs::remove(host_path_, ec);
    std::ofstream out(host_path_, std::ios::binary);
    out << text;
    out.close();
    if (!out) throw HostError("cannot write a copy of " + file_ + " into " + private_dir_);
}

DefinitionDirectory::~DefinitionDirectory() {
    std::error_code ec;
    if (private_dir_.empty()) return;
    remove_on_signal("", "");
    fs::remove_all(private_dir_, ec);
}

}  // namespace tvk::host
