// A request record as the host builds it: a zero-filled byte block whose
// fields are read and written at their byte offsets, little-endian.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "driver/le.h"

namespace tvk::host {

class Record {
  public:
    // 4 KiB holds every fixed request; polygons ask for their own size.
    explicit Record(int16_t code, size_t size = 4096) : bytes_(size, 0) { set_i16(0, code); }

    // Zero-filled again under another code: one record for many requests.
    void reset(int16_t code) {
        std::fill(bytes_.begin(), bytes_.end(), uint8_t{0});
        set_i16(0, code);
    }

    uint8_t* data() { return bytes_.data(); }
    size_t size() const { return bytes_.size(); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

    int16_t i16(size_t off) const { return load_i16(at(off)); }
    uint16_t u16(size_t off) const { return load_u16(at(off)); }
    int32_t i32(size_t off) const { return load_i32(at(off)); }
    uint8_t u8(size_t off) const { return bytes_[off]; }
    double f64(size_t off) const { return load_f64(at(off)); }
    int16_t status() const { return i16(0); }
    uint16_t reply_length() const { return u16(2); }

    // The text at off, up to its first zero byte or max bytes.
    std::string text(size_t off, size_t max) const {
        std::string s;
        for (size_t i = off; i < off + max && i < bytes_.size() && bytes_[i] != 0; ++i) {
            s.push_back(static_cast<char>(bytes_[i]));
        }
        return s;
    }

    Record& set_i16(size_t off, int16_t v) {
        store_i16(at(off), v);
        return *this;
    }
    Record& set_u16(size_t off, uint16_t v) {
        store_u16(at(off), v);
        return *this;
    }
    Record& set_i32(size_t off, int32_t v) {
        store_i32(at(off), v);
        return *this;
    }
    Record& set_u32(size_t off, uint32_t v) {
        store_u32(at(off), v);
        return *this;
    }
    Record& set_u8(size_t off, uint8_t v) {
        bytes_[off] = v;
        return *this;
    }
    Record& set_f64(size_t off, double v) {
        store_f64(at(off), v);
        return *this;
    }
    // Copies at most max bytes of s; the record is zero-filled behind it.
    Record& set_text(size_t off, const std::string& s, size_t max = SIZE_MAX) {
        std::memcpy(at(off), s.data(), std::min(s.size(), max));
        return *this;
    }

  private:
    uint8_t* at(size_t off) { return bytes_.data() + off; }
    const uint8_t* at(size_t off) const { return bytes_.data() + off; }

    std::vector<uint8_t> bytes_;
};

}  // namespace tvk::host
