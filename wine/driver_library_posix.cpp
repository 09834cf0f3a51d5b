#include <dlfcn.h>

#include "driver_library.h"

namespace tvk::player {
namespace {

Pladi g_pladi = nullptr;
const void* g_base = nullptr;

}  // namespace

bool load_driver(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = dlerror();
        return false;
    }
    void* symbol = dlsym(handle, "PLADI");
    if (symbol == nullptr) {
        error = "no PLADI in " + path;
        return false;
    }
    Dl_info info{};
    if (dladdr(symbol, &info) == 0) {
        error = "cannot find the image of " + path;
        return false;
    }
    g_base = info.dli_fbase;
    g_pladi = reinterpret_cast<Pladi>(symbol);
    return true;
}

Pladi pladi() {
    return g_pladi;
}

bool in_driver(const void* address) {
    Dl_info info{};
    return address != nullptr && dladdr(address, &info) != 0 && info.dli_fbase == g_base;
}

bool measure_pladi_stack(const void*, int32_t&, const void*&) {
    return false;
}

}  // namespace tvk::player
