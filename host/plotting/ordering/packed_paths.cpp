#include "host/plotting/ordering/packed_paths.h"

namespace tvk::host {
namespace {

// Seven bits a byte, the sign folded into the lowest bit.
void put(std::vector<uint8_t>& out, int64_t value) {
    uint64_t v = (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63);
    while (v >= 0x80) {
        out.push_back(static_cast<uint8_t>(v | 0x80));
        v >>= 7;
    }
    out.push_back(static_cast<uint8_t>(v));
}

int64_t get(const uint8_t*& at) {
    uint64_t v = 0;
    for (int shift = 0;; shift += 7) {
        const uint8_t b = *at++;
        v |= static_cast<uint64_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) break;
    }
    return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1);
}

}  // namespace

PackedPaths::PackedPaths(const std::vector<PenPath>& paths) : count_(paths.size()) {
    // Room for the most it can take, reserved once: what is not written is
    // never touched, and costs no memory, while growing by copies would
    // hold two copies at a time.
    size_t most = 0;
    for (const PenPath& p : paths) most += 4 * 10 + p.points.size() * 2 * 5;
    bytes_.reserve(most);
    int64_t x = 0, y = 0;
    for (const PenPath& p : paths) {
        put(bytes_, p.pen);
        put(bytes_, p.line_type);
        put(bytes_, p.speed);
        put(bytes_, static_cast<int64_t>(p.points.size()));
        for (const auto& [px, py] : p.points) {
            put(bytes_, px - x);
            put(bytes_, py - y);
            x = px, y = py;
        }
    }
}

std::vector<PenPath> PackedPaths::unpack() const {
    std::vector<PenPath> paths(count_);
    const uint8_t* at = bytes_.data();
    int64_t x = 0, y = 0;
    for (PenPath& p : paths) {
        p.pen = static_cast<int>(get(at));
        p.line_type = static_cast<int>(get(at));
        p.speed = static_cast<int>(get(at));
        p.points.resize(static_cast<size_t>(get(at)));
        for (auto& [px, py] : p.points) {
            x += get(at), y += get(at);
            px = static_cast<int32_t>(x), py = static_cast<int32_t>(y);
        }
    }
    return paths;
}

}  // namespace tvk::host
