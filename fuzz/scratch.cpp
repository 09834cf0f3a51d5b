#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fuzz/fuzz_input.h"

namespace tvk::fuzz {

// /tmp/tvk-fuzz-PID: digits only, so that no path rule of the driver (lower
// case, blanks) changes it; removed when the process ends.
const std::string& scratch_folder() {
    static const std::string folder = [] {
        std::string f = std::filesystem::temp_directory_path().string() + "/tvk-fuzz-" +
                        std::to_string(getpid());
        std::filesystem::create_directories(f);
        static const std::string removed = f;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(removed, ec);
        });
        return f;
    }();
    return folder;
}

std::string scratch_file(const std::string& name, std::string_view contents) {
    const std::string path = scratch_folder() + "/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(contents.data(), static_cast<std::streamsize>(contents.size()));
    return path;
}

}  // namespace tvk::fuzz
