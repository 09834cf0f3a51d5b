// The stored configuration: the 24-byte block the host keeps for the driver,
// its defaults and its validation.
#include <cstring>

#include "config/config.h"
#include "driver/host_services.h"
#include "driver/le.h"

namespace tvk {

void stored_config_to_bytes(const StoredConfig& c, uint8_t out[kStoredConfigSize]) {
    store_i16(out + 0, c.language_position);
    store_i16(out + 2, c.language);
    store_i16(out + 4, c.copies);
    store_i16(out + 6, c.stop_bits);
    store_i16(out + 8, c.parity);
    store_i16(out + 10, c.data_bits);
    store_i16(out + 12, c.handshake);
    store_i16(out + 14, c.baud_rate);
    store_u16(out + 16, c.flags);
    store_u16(out + 18, c.pen_options);
    store_i32(out + 20, c.paper);
}

StoredConfig stored_config_from_bytes(const uint8_t in[kStoredConfigSize]) {
    StoredConfig c{};
    c.language_position = load_i16(in + 0);
    c.language = load_i16(in + 2);
    c.copies = load_i16(in + 4);
    c.stop_bits = load_i16(in + 6);
    c.parity = load_i16(in + 8);
    c.data_bits = load_i16(in + 10);
    c.handshake = load_i16(in + 12);
    c.baud_rate = load_i16(in + 14);
    c.flags = load_u16(in + 16);
    c.pen_options = load_u16(in + 18);
    c.paper = load_i32(in + 20);
    return c;
}

// TK-GL1 on a serial line at 9600 8N1 with the PE command; handshake and pen
// options are those of the model read last.
void set_stored_config_defaults() {
    stored_config = StoredConfig{};
    stored_config.language_position = 1;
    stored_config.language = 0x02;
    stored_config.copies = 1;
    stored_config.stop_bits = 1;
    stored_config.parity = 0;
    stored_config.data_bits = 8;
    stored_config.handshake = static_cast<int16_t>(spec.handshake);
    stored_config.baud_rate = 9600;
    stored_config.flags = kFlagPe | kFlagSerial;
    stored_config.pen_options = spec.pen_options;
    stored_config.paper = 1;
}

int validate_stored_config() {
    const StoredConfig& c = stored_config;
    const bool valid = c.language_position > 0 && c.language > 0 && c.copies > 0 &&
                       c.baud_rate > 0 && c.paper > 0 && (c.stop_bits == 1 || c.stop_bits == 2) &&
                       (c.data_bits == 8 || c.data_bits == 7);
    if (valid) return 0;
    set_stored_config_defaults();
    return -1;
}

// The working copy changes only when the host delivers a block.
int fetch_stored_config() {
    uint8_t block[kStoredConfigSize] = {};
    const int32_t result = host_load_config(kStoredConfigSize, block);
    if (result == 0) stored_config = stored_config_from_bytes(block);
    return result;
}

int keep_stored_config() {
    uint8_t block[kStoredConfigSize];
    stored_config_to_bytes(stored_config, block);
    return host_save_config(kStoredConfigSize, block);
}

}  // namespace tvk
