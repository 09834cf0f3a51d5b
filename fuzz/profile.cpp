// The profile reader: TOML text as a user may have edited it.
#include "host/settings/profile.h"

#include "fuzz/fuzz_input.h"
#include "host/host_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string path =
        tvk::fuzz::scratch_file("profile.toml", {reinterpret_cast<const char*>(data), size});
    try {
        (void)tvk::host::load_profile(path);
    } catch (const tvk::host::HostError&) {
    }
    return 0;
}
