// The few services that differ between Windows and POSIX. They are reached
// through a table of function pointers so that tests can put a fake clock,
// console, file system and environment in their place.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tvk::platform {

struct Hooks {
    int64_t (*now_seconds)();  // calendar time in whole seconds
    bool (*key_waiting)();     // a key press waits on the console
    void (*nap)();             // a few milliseconds between polls of the pause
    bool (*path_exists)(const char* path);  // a file or a directory
    // The current directory into buf (NUL-terminated); false when it cannot be had.
    bool (*current_directory)(char* buf, std::size_t size);
    const char* (*get_env)(const char* name);  // null when not set
};

// The platform's own services; each platform file defines them.
const Hooks& real_hooks();

// The hooks in force; tests may overwrite entries and restore them with
// reset_hooks().
inline Hooks& hooks() {
    static Hooks in_force = real_hooks();
    return in_force;
}
inline void reset_hooks() {
    hooks() = real_hooks();
}

// True in the Windows build: paths there use backslashes, ";" between PATH
// entries, drive letters and lower-cased candidates.
#if defined(_WIN32)
inline constexpr bool kWindowsPaths = true;
#else
inline constexpr bool kWindowsPaths = false;
#endif

}  // namespace tvk::platform
