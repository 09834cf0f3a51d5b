#include <cstring>

#include "config/config.h"
#include "driver/driver.h"
#include "driver/globals.h"
#include "driver/le.h"
#include "plot/plot.h"

namespace tvk {
namespace {

constexpr char kDescription[] = "Tarvik pen plotters: VTX-GL, TK-GL1, TK-GL2, TK-GL3 (tvkplot)";
static_assert(sizeof kDescription <= 80);

uint8_t block[kInfoBlockSize];

void put_text(std::size_t offset, const char* text) {
    std::memcpy(block + offset, text, std::strlen(text));
}

void store_address(std::size_t offset, Entry entry) {
    const auto address = reinterpret_cast<std::uintptr_t>(entry);
    if constexpr (sizeof(std::uintptr_t) > 4) {
        store_u64(block + offset, static_cast<uint64_t>(address));
    } else {
        store_u32(block + offset, static_cast<uint32_t>(address));
    }
}

const bool kBlockFilled = [] {
    std::memset(block, 0, sizeof block);
    put_text(0, kDescription);
    if constexpr (sizeof(void*) > 4) {
        store_address(504, &config_entry);
        store_address(512, &plot_entry);
    } else {
        store_address(410, &config_entry);
        store_address(414, &plot_entry);
    }
    store_u16(block + 418, 4);
    store_u16(block + 432, 3);
    put_text(434, "$ACADPLNAME$");
    put_text(449, "Microsoft Windows Win32");
    store_u16(block + 481, 6);
    put_text(483, "R.0.89-1");
    return true;
}();

}  // namespace

const uint8_t* info_block() { return block; }

const void* pladi(const void* services, int32_t /*unused*/) {
    host_service_table = static_cast<const void* const*>(services);
    return block;
}

}  // namespace tvk
