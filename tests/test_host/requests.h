// Request records as a host builds them, and the calls a host makes through
// the entry addresses of the information block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/le.h"

namespace tvk::test {

class Record {
public:
    explicit Record(int16_t code, size_t size = 4096) : bytes_(size, 0) { set_i16(0, code); }

    uint8_t* data() { return bytes_.data(); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

    int16_t i16(int off) const { return load_i16(bytes_.data() + off); }
    uint16_t u16(int off) const { return load_u16(bytes_.data() + off); }
    int32_t i32(int off) const { return load_i32(bytes_.data() + off); }
    uint8_t u8(int off) const { return bytes_[static_cast<size_t>(off)]; }
    double f64(int off) const { return load_f64(bytes_.data() + off); }
    std::string text(int off, int max) const;  // up to the first NUL or max bytes
    int16_t status() const { return i16(0); }
    uint16_t reply_length() const { return u16(2); }

    Record& set_i16(int off, int16_t v) { store_i16(bytes_.data() + off, v); return *this; }
    Record& set_u16(int off, uint16_t v) { store_u16(bytes_.data() + off, v); return *this; }
    Record& set_i32(int off, int32_t v) { store_i32(bytes_.data() + off, v); return *this; }
    Record& set_u8(int off, uint8_t v) { bytes_[static_cast<size_t>(off)] = v; return *this; }
    Record& set_f64(int off, double v) { store_f64(bytes_.data() + off, v); return *this; }
    Record& set_text(int off, const std::string& s);

private:
    std::vector<uint8_t> bytes_;
};

enum class Entry { kConfig, kPlot };

// Calls an entry through the address the information block gives.
void call(Entry entry, Record& record);

// Common requests, as a host sends them.
Record initialise(Entry entry, int16_t host_id = 1, uint8_t release = 2,
                  const std::string& host_path = "");
Record host_language(Entry entry, const std::string& code);
Record open_request(Entry entry, int16_t level = 3);

// Stored configuration bytes, as the host keeps them.
std::vector<uint8_t> stored_block(int16_t position, int16_t language, int16_t copies,
                                  int16_t stop_bits, int16_t parity, int16_t data_bits,
                                  int16_t handshake, int16_t baud, uint16_t flags,
                                  uint16_t pen_options, int32_t paper);

}  // namespace tvk::test
