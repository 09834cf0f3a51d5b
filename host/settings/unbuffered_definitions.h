// A plot that pauses at the user's word must see the driver's bytes as the
// driver makes them: a model whose driver collects its output in a buffer of
// megabytes hands a whole plot over at its end, long after any pause was
// asked for. The same definition file with that model's buffer set to none
// gives the very same bytes, one command at a time.
#pragma once

#include <string>

namespace tvk::host {

// The text of a definition file with "BUFFERS: 0" in the [SPEC] block of
// `model`: its BUFFERS line replaced, else a blank or comment line of the
// block, else a line added at the block's end. Lines keep their numbers
// (the driver names them in its reports) wherever the block has such a line.
std::string without_output_buffer(const std::string& text, const std::string& model);

}  // namespace tvk::host
