// Request sequences on both entries, whatever their codes and fields, with
// every host service answering from the input (prompts, stored
// configuration, refused writes, breaks, the reply to the paper query). The
// bundled definition file is the one read.
#include <fstream>
#include <iterator>

#include "fuzz/driver_script.h"

namespace {

std::string bundled_definition_file() {
    std::ifstream file(TVK_SOURCE_DIR "/examples/tvkplot.def", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        tvk::fuzz::use_definition_file(bundled_definition_file());
        return true;
    }();
    (void)ready;
    tvk::fuzz::FuzzInput in(data, size);
    tvk::test::TestHost host;
    tvk::fuzz::script_host(host, in);
    // A well-begun session most of the time, so that the requests reach
    // further than the refusals of a driver not yet initialised.
    if (in.byte() & 1) {
        tvk::test::initialise(tvk::test::Entry::kConfig);
        tvk::test::open_request(tvk::test::Entry::kConfig);
    }
    for (int i = 0; i < 200 && !in.empty(); ++i) {
        const uint8_t head = in.byte();
        const auto entry = (head & 0x80) ? tvk::test::Entry::kPlot : tvk::test::Entry::kConfig;
        const int16_t code = static_cast<int16_t>(head & 0x3F);
        tvk::test::Record r = tvk::fuzz::fuzzed_record(code, in);
        tvk::test::call(entry, r);
    }
    return 0;
}
