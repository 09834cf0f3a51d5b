// The bytes of one fuzz input, taken from the front as a target needs them;
// once they run out every read gives zero, so any input is a whole script.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tvk::fuzz {

class FuzzInput {
  public:
    FuzzInput(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t u16() { return static_cast<uint16_t>(byte() | byte() << 8); }
    int32_t i32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(byte()) << (8 * i);
        return static_cast<int32_t>(v);
    }
    // Up to `n` bytes (fewer at the end).
    std::string bytes(std::size_t n) {
        n = std::min(n, size_ - std::min(pos_, size_));
        std::string s(reinterpret_cast<const char*>(data_) + pos_, n);
        pos_ += n;
        return s;
    }
    std::string rest() { return bytes(size_); }

  private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// The part of the input before its first zero byte, and the rest after it.
inline std::pair<std::string_view, FuzzInput> split_at_zero(const uint8_t* data, std::size_t size) {
    std::size_t n = 0;
    while (n < size && data[n] != 0) ++n;
    const std::size_t after = n < size ? n + 1 : size;
    return {std::string_view(reinterpret_cast<const char*>(data), n),
            FuzzInput(data + after, size - after)};
}

// A scratch folder of this process, for readers that take a file name.
const std::string& scratch_folder();
// Writes `contents` to `name` in the scratch folder; returns its path.
std::string scratch_file(const std::string& name, std::string_view contents);

}  // namespace tvk::fuzz

// libFuzzer's entry, defined by each target.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);
