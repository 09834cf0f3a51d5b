#include <windows.h>

#include "player_paths.h"

namespace tvk::player {

std::string executable_path() {
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string directory_of(const std::string& path) {
    const auto slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// LoadLibraryA looks in the executable's directory first.
std::string default_driver_path() {
    return "tvkplot.dll";
}

}  // namespace tvk::player
