#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "platform/platform.h"

namespace tvk::platform {
namespace {

int64_t real_now_seconds() { return static_cast<int64_t>(std::time(nullptr)); }

// The console is standard input when it is a terminal.
bool real_key_waiting() {
    if (!isatty(STDIN_FILENO)) return false;
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    return poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN) != 0;
}

void real_nap() { usleep(5000); }

bool real_path_exists(const char* path) {
    struct stat st;
    return stat(path, &st) == 0;
}

bool real_current_directory(char* buf, std::size_t size) { return getcwd(buf, size) != nullptr; }

const char* real_get_env(const char* name) { return std::getenv(name); }

}  // namespace

const Hooks& real_hooks() {
    static const Hooks kRealHooks = {real_now_seconds, real_key_waiting,       real_nap,
                                     real_path_exists, real_current_directory, real_get_env};
    return kRealHooks;
}

}  // namespace tvk::platform
