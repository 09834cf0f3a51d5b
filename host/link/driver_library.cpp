#include "host/link/driver_library.h"

#include <dlfcn.h>

#include <cstdint>

#include "driver/le.h"

namespace tvk::host {
namespace {

using Pladi = const void* (*)(const void* services, int32_t unused);

// Where an address is wider than 4 bytes the entries stand at full width
// behind the 504 bytes of the block; otherwise at offsets 410 and 414.
uintptr_t entry_address(const uint8_t* block, bool plot) {
    if constexpr (sizeof(void*) > 4) {
        return static_cast<uintptr_t>(load_u64(block + (plot ? 512 : 504)));
    } else {
        return load_u32(block + (plot ? 414 : 410));
    }
}

}  // namespace

DriverLibrary::DriverLibrary(const std::string& path, const void* const* services) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = dlerror();
        throw HostError("cannot load the driver " + path + ": " + (why ? why : "unknown error"));
    }
    auto pladi = reinterpret_cast<Pladi>(dlsym(handle_, "PLADI"));
    if (pladi == nullptr) {
        dlclose(handle_);
        throw HostError("the driver " + path + " does not export PLADI");
    }
    const auto* block = static_cast<const uint8_t*>(pladi(services, 0));
    const uintptr_t config = block ? entry_address(block, false) : 0;
    const uintptr_t plot = block ? entry_address(block, true) : 0;
    if (config == 0 || plot == 0) {
        dlclose(handle_);
        throw HostError("the driver " + path + " returned no entries");
    }
    config_entry_ = reinterpret_cast<Entry>(config);
    plot_entry_ = reinterpret_cast<Entry>(plot);
    for (size_t i = 0; i < 80 && block[i] != 0; ++i)
        description_.push_back(static_cast<char>(block[i]));
}

DriverLibrary::~DriverLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
}

}  // namespace tvk::host
