// Request records as a host builds them, and the calls a host makes through
// the entry addresses of the information block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/le.h"
#include "host/link/record.h"

namespace tvk::test {

// The host program's request record serves the tests too.
using Record = tvk::host::Record;

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
