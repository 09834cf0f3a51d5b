#include "test_host/requests.h"

#include <cstring>

#include "driver/driver.h"
#include "test_host/test_host.h"

namespace tvk::test {

void call(Entry entry, Record& record) {
    const uint8_t* block = TestHost::current()->info_block();
    std::uintptr_t address;
    if constexpr (sizeof(void*) > 4) {
        address = static_cast<std::uintptr_t>(load_u64(block + (entry == Entry::kConfig ? 504 : 512)));
    } else {
        address = load_u32(block + (entry == Entry::kConfig ? 410 : 414));
    }
    reinterpret_cast<tvk::Entry>(address)(record.data());
}

Record initialise(Entry entry, int16_t host_id, uint8_t release, const std::string& host_path) {
    Record r(49);
    r.set_i16(4, host_id).set_u8(7, release).set_text(168, host_path.substr(0, 90));
    call(entry, r);
    return r;
}

Record host_language(Entry entry, const std::string& code) {
    Record r(50);
    r.set_text(8, code.substr(0, 8));
    call(entry, r);
    return r;
}

Record open_request(Entry entry, int16_t level) {
    Record r(entry == Entry::kConfig ? 11 : 29);
    r.set_i16(4, level);
    call(entry, r);
    return r;
}

std::vector<uint8_t> stored_block(int16_t position, int16_t language, int16_t copies,
                                  int16_t stop_bits, int16_t parity, int16_t data_bits,
                                  int16_t handshake, int16_t baud, uint16_t flags,
                                  uint16_t pen_options, int32_t paper) {
    std::vector<uint8_t> b(24, 0);
    store_i16(&b[0], position);
    store_i16(&b[2], language);
    store_i16(&b[4], copies);
    store_i16(&b[6], stop_bits);
    store_i16(&b[8], parity);
    store_i16(&b[10], data_bits);
    store_i16(&b[12], handshake);
    store_i16(&b[14], baud);
    store_u16(&b[16], flags);
    store_u16(&b[18], pen_options);
    store_i32(&b[20], paper);
    return b;
}

}  // namespace tvk::test
