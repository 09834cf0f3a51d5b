// Plot output: the plot entry, the output path with its buffer, command
// generation and polygon fill.
#pragma once

#include <cstdint>
#include <cstring>

#include "driver/globals.h"

namespace tvk {

// The plot entry, whose address stands second in the information block.
void plot_entry(void* record);

// The output operation: hands a string to the host at once or collects it in
// the output buffer. 0, or -1 when it did not (or will not) go out.
int output(const char* s);
// The whole output operation, with its latch and break checks, flushes and
// direct host calls; output() takes a shortcut around it when the string
// simply joins the buffered bytes.
int output_checked(const char* s, int32_t length);

// Where up to `most` bytes may be written straight into the output buffer,
// because they would simply join the buffered bytes (latch clear, no break
// check, and room to spare); null when they must go through output().
// Writing there and committing is the same as output() of those bytes.
inline char* output_room(int32_t most) {
    if (error_latch != kLatchNone || plot.break_check || !plot.buffer ||
        plot.buffer_count + most >= plot.buffer_capacity)
        return nullptr;
    return reinterpret_cast<char*>(plot.buffer.get()) + plot.buffer_count;
}
inline void output_commit(const char* end) {
    plot.buffer_count = static_cast<int32_t>(end - reinterpret_cast<char*>(plot.buffer.get()));
}

inline int output(const char* s, int32_t length) {
    if (char* room = output_room(length)) {
        std::memcpy(room, s, static_cast<size_t>(length));
        plot.buffer_count += length;
        return 0;
    }
    return output_checked(s, length);
}
// Hands the buffered bytes to the host in 128-byte pieces. 0 or -1.
int flush_output();
// Drops buffered bytes after a failure: no closing sequence, no copies.
void abandon_output();
// Output buffer of `mebibytes` MiB (1 to 5), or none for any other value.
// False when the memory could not be had.
bool open_output_buffer(int32_t mebibytes);
void release_output_buffer();

}  // namespace tvk
