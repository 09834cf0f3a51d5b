// The definition file through a whole configuration session and a whole plot
// session. The input is the file up to its first zero byte; the bytes after
// it script the host: language, model, answers to every question, the
// stored configuration, refusals, the reply to the paper query, drawing.
#include <iterator>

#include "fuzz/driver_script.h"

using tvk::fuzz::FuzzInput;
using tvk::test::Entry;
using tvk::test::Record;

namespace {

void configure(FuzzInput& in, const std::string& language, uint8_t model) {
    tvk::test::initialise(Entry::kConfig);
    tvk::test::host_language(Entry::kConfig, language);
    tvk::test::open_request(Entry::kConfig);
    Record names(20);
    names.set_i16(4, 1);
    tvk::test::call(Entry::kConfig, names);
    for (int16_t number : {int16_t{0}, static_cast<int16_t>(names.i16(4) + 1)}) {
        Record r(20);
        r.set_i16(4, number);
        tvk::test::call(Entry::kConfig, r);
    }
    Record configure(21);
    configure.set_i16(4, model).set_i16(6, in.byte() & 1);
    tvk::test::call(Entry::kConfig, configure);
    for (int16_t code : {22, 23, 25}) {
        Record r(code);
        r.set_i16(4, model);
        tvk::test::call(Entry::kConfig, r);
    }
    Record widths(44);
    widths.set_i16(4, model).set_i32(8, in.i32()).set_u16(12, in.u16());
    tvk::test::call(Entry::kConfig, widths);
    for (int16_t code : {40, 47}) {
        Record r(code);
        r.set_i16(4, model);
        tvk::test::call(Entry::kConfig, r);
    }
}

void plot(FuzzInput& in, const std::string& language, uint8_t model) {
    tvk::test::initialise(Entry::kPlot);
    tvk::test::host_language(Entry::kPlot, language);
    tvk::test::open_request(Entry::kPlot);
    Record limits(43);
    limits.set_u8(4, model).set_u8(7, in.byte()).set_u8(8, in.byte() % 10);
    tvk::test::call(Entry::kPlot, limits);
    const int32_t host_flags = (in.byte() & 1) ? 0x40 : 0;
    for (int16_t code : {48, 46, 47, 30}) {
        Record r(code);
        r.set_i32(5, host_flags);
        tvk::test::call(Entry::kPlot, r);
    }
    // A square in pen 1, so that every plot sends its opening and closing,
    // then whatever the input asks for.
    Record pen(5);
    pen.set_u16(4, 1);
    tvk::test::call(Entry::kPlot, pen);
    const uint16_t square[][2] = {{100, 100}, {900, 100}, {900, 900}, {100, 900}, {100, 100}};
    for (std::size_t i = 0; i < std::size(square); ++i) {
        Record r(i == 0 ? 3 : 4);
        r.set_u16(4, square[i][0]).set_u16(6, square[i][1]);
        tvk::test::call(Entry::kPlot, r);
    }
    tvk::fuzz::drawing_requests(in, 64);
    Record end(2);
    tvk::test::call(Entry::kPlot, end);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    auto [file, in] = tvk::fuzz::split_at_zero(data, size);
    tvk::fuzz::use_definition_file(file);
    tvk::test::TestHost host;
    const uint8_t choice = in.byte();
    const std::string language = (choice & 1) ? "JA" : (choice & 2) ? "DE" : "EN";
    const uint8_t model = static_cast<uint8_t>(1 + (choice >> 2) % 8);
    tvk::fuzz::script_host(host, in);
    configure(in, language, model);
    tvk::fuzz::script_host(host, in);
    plot(in, language, model);
    return 0;
}
