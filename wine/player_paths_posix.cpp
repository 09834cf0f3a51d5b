#include <limits.h>
#include <unistd.h>

#include "player_paths.h"

namespace tvk::player {

std::string executable_path() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

std::string directory_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string default_driver_path() {
    return directory_of(executable_path()) + "libtvkplot.so";
}

}  // namespace tvk::player
