// Loading the driver library and calling PLADI the way a CAD host does: the
// Windows DLL through LoadLibraryA and a __stdcall pointer, the native
// library through dlopen.
#pragma once

#include <cstdint>
#include <string>

namespace tvk::player {

#if defined(_WIN32)
#define TVK_PLAYER_STDCALL __stdcall
#else
#define TVK_PLAYER_STDCALL
#endif

using Pladi = const void*(TVK_PLAYER_STDCALL*)(const void* services, int32_t unused);
// The entries and the host services use the default C convention.
using Entry = void (*)(void* record);

// Loads the library and finds PLADI; false with a reason otherwise.
bool load_driver(const std::string& path, std::string& error);
Pladi pladi();

// Whether an address lies inside the loaded driver's image.
bool in_driver(const void* address);

// Calls PLADI by hand, pushing its two arguments, and measures how far the
// stack pointer moved over the call: 0 when the callee removed its arguments
// (stdcall), -8 when it left them to the caller. False where the platform has
// no such convention to check (every build but 32-bit Windows).
bool measure_pladi_stack(const void* services, int32_t& shift, const void*& block);

}  // namespace tvk::player
