// Driving the driver's two entries from fuzz data, through the scripted test
// host (a real service table bound through PLADI).
#pragma once

#include <cstdint>

#include "fuzz/fuzz_input.h"
#include "test_host/requests.h"
#include "test_host/test_host.h"

namespace tvk::fuzz {

// Points the driver at the definition file `contents` (written to the
// scratch folder, found through TVKPLOT).
void use_definition_file(std::string_view contents);

// The host's behaviour from the input: answers to the prompts (values,
// defaults, Esc, skips), the stored configuration it delivers, whether it
// keeps a saved one, the write it refuses, the break it reports and its
// reply to the paper query.
void script_host(test::TestHost& host, FuzzInput& in);

// One request record from the input: the code, then up to 255 bytes laid
// over the record from offset 2. Polygon records are as large as their
// vertex count says, as a host builds them.
test::Record fuzzed_record(int16_t code, FuzzInput& in);

// Drawing requests (3 to 8, 33, 41 and the others the plot entry serves
// mid-plot) with fuzzed fields, until the input or `count` runs out.
void drawing_requests(FuzzInput& in, int count);

}  // namespace tvk::fuzz
