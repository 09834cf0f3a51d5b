// The output path of a plot: straight to host_write_port, or through an
// output buffer handed over in 128-byte pieces when it fills and at the end.
#include <cstring>
#include <new>

#include "driver/globals.h"
#include "driver/host_services.h"
#include "plot/plot.h"

namespace tvk {
namespace {

constexpr int32_t kPieceSize = 128;

bool user_stopped() {
    if (plot.break_check && host_check_break() == 1) {
        error_latch = kLatchStopped;
        abandon_output();
        return true;
    }
    return false;
}

int write_piece(const uint8_t* bytes, int32_t count) {
    if (user_stopped()) return -1;
    if (host_write_port(1, 0, bytes, count, 0) == 0) {
        error_latch = kLatchOutput;
        abandon_output();
        return -1;
    }
    return 0;
}

// Flush of exactly `count` bytes at the start of the buffer.
int flush_bytes(int32_t count) {
    if (!plot.buffer) return 0;
    if (error_latch != kLatchNone) {
        abandon_output();
        return -1;
    }
    const uint8_t* data = plot.buffer.get();
    for (int32_t at = 0; at < count; at += kPieceSize) {
        const int32_t piece = count - at < kPieceSize ? count - at : kPieceSize;
        if (write_piece(data + at, piece) != 0) return -1;
    }
    plot.buffer_count = 0;
    return 0;
}

}  // namespace

void abandon_output() {
    plot.buffer_count = 0;
    plot.drawn = 0;
    plot.additional_copies = 0;
}

int flush_output() {
    return flush_bytes(plot.buffer_count);
}

int output(const char* s) {
    return output(s, static_cast<int32_t>(std::strlen(s)));
}

int output_checked(const char* s, int32_t n) {
    if (error_latch != kLatchNone) {
        abandon_output();
        return -1;
    }
    if (user_stopped()) return -1;
    if (!plot.buffer) {
        if (host_write_port(1, 0, s, n, 0) == 0) {
            error_latch = kLatchOutput;
            abandon_output();
            return -1;
        }
        return 0;
    }
    if (n == 0) return 0;
    uint8_t* buffer = plot.buffer.get();
    const int32_t capacity = plot.buffer_capacity;
    if (n >= capacity) {
        // A string at least as long as the buffer goes out in capacity-sized parts.
        if (plot.buffer_count > 0 && flush_output() != 0) return -1;
        plot.buffer_count = 0;
        while (n >= capacity) {
            std::memcpy(buffer, s, static_cast<size_t>(capacity));
            plot.buffer_count = capacity;
            if (flush_output() != 0) return -1;
            s += capacity;
            n -= capacity;
        }
        if (n == 0) return 0;
    }
    if (plot.buffer_count + n < capacity) {
        std::memcpy(buffer + plot.buffer_count, s, static_cast<size_t>(n));
        plot.buffer_count += n;
        return 0;
    }
    // Never split a string between two buffer loads.
    if (plot.buffer_count > 0 && flush_output() != 0) return -1;
    std::memcpy(buffer, s, static_cast<size_t>(n));
    plot.buffer_count = n;
    return 0;
}

bool open_output_buffer(int32_t mebibytes) {
    release_output_buffer();
    if (mebibytes < 1 || mebibytes > 5) return true;
    const int32_t capacity = mebibytes * kDefaultBufferCapacity;
    plot.buffer.reset(new (std::nothrow) uint8_t[static_cast<size_t>(capacity) + 8]());
    if (!plot.buffer) return false;
    plot.buffer_capacity = capacity;
    return true;
}

void release_output_buffer() {
    plot.buffer.reset();
    plot.buffer_capacity = kDefaultBufferCapacity;
}

}  // namespace tvk
