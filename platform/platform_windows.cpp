#include <windows.h>
#include <conio.h>

#include <cstdlib>
#include <ctime>

#include "platform/platform.h"

namespace tvk::platform {
namespace {

int64_t real_now_seconds() { return static_cast<int64_t>(std::time(nullptr)); }

// A process without a console never has a key waiting.
bool real_key_waiting() {
    if (GetConsoleWindow() == nullptr) return false;
    return _kbhit() != 0;
}

void real_nap() { Sleep(5); }

bool real_path_exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool real_current_directory(char* buf, std::size_t size) {
    const DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(size), buf);
    return n > 0 && n < size;
}

const char* real_get_env(const char* name) { return std::getenv(name); }

}  // namespace

const Hooks& real_hooks() {
    static const Hooks kRealHooks = {real_now_seconds, real_key_waiting,       real_nap,
                                     real_path_exists, real_current_directory, real_get_env};
    return kRealHooks;
}

}  // namespace tvk::platform
