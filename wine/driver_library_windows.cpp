#include <windows.h>

#include "driver_library.h"

namespace tvk::player {
namespace {

HMODULE g_module = nullptr;
Pladi g_pladi = nullptr;

}  // namespace

bool load_driver(const std::string& path, std::string& error) {
    g_module = LoadLibraryA(path.c_str());
    if (g_module == nullptr) {
        error = "LoadLibraryA failed with error " + std::to_string(GetLastError());
        return false;
    }
    const FARPROC symbol = GetProcAddress(g_module, "PLADI");
    if (symbol == nullptr) {
        error = "no export named PLADI in " + path;
        return false;
    }
    g_pladi = reinterpret_cast<Pladi>(reinterpret_cast<void*>(symbol));
    return true;
}

Pladi pladi() {
    return g_pladi;
}

bool in_driver(const void* address) {
    MEMORY_BASIC_INFORMATION info{};
    if (address == nullptr || VirtualQuery(address, &info, sizeof info) == 0) return false;
    return info.AllocationBase == static_cast<void*>(g_module);
}

#if defined(__i386__)
bool measure_pladi_stack(const void* services, int32_t& shift, const void*& block) {
    // edi keeps the stack pointer across the call (callee-saved); ebx holds the
    // target and esi the table, both callee-saved too.
    __asm__ volatile(
        "movl %%esp, %%edi\n\t"
        "pushl $0\n\t"
        "pushl %%esi\n\t"
        "call *%%ebx\n\t"
        "movl %%esp, %%ecx\n\t"
        "subl %%edi, %%ecx\n\t"
        "movl %%edi, %%esp\n\t"
        : "=a"(block), "=c"(shift)
        : "b"(g_pladi), "S"(services)
        : "edx", "edi", "memory", "cc");
    return true;
}
#else
bool measure_pladi_stack(const void*, int32_t&, const void*&) {
    return false;
}
#endif

}  // namespace tvk::player
