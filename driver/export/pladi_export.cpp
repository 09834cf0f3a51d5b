// The one exported function of the library. In the Windows DLL it is stdcall
// (the callee removes its two 32-bit arguments) under its undecorated name;
// the link drops the "@8" decoration.
#include <cstdint>

#include "driver/driver.h"

#if defined(_WIN32)
#define TVK_EXPORT extern "C" __declspec(dllexport)
#define TVK_STDCALL __stdcall
#else
#define TVK_EXPORT extern "C" __attribute__((visibility("default")))
#define TVK_STDCALL
#endif

TVK_EXPORT const void* TVK_STDCALL PLADI(const void* services, int32_t unused) {
    return tvk::pladi(services, unused);
}
