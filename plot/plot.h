// Plot output: the plot entry, the output path with its buffer, command
// generation and polygon fill.
#pragma once

#include <cstdint>

#include "driver/globals.h"

namespace tvk {

// The plot entry, whose address stands second in the information block.
void plot_entry(void* record);

// The output operation: hands a string to the host at once or collects it in
// the output buffer. 0, or -1 when it did not (or will not) go out.
int output(const char* s);
int output(const char* s, int32_t length);
// Hands the buffered bytes to the host in 128-byte pieces. 0 or -1.
int flush_output();
// Drops buffered bytes after a failure: no closing sequence, no copies.
void abandon_output();
// Output buffer of `mebibytes` MiB (1 to 5), or none for any other value.
// False when the memory could not be had.
bool open_output_buffer(int32_t mebibytes);
void release_output_buffer();

}  // namespace tvk
