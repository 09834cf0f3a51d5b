#include "fuzz/driver_script.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>

namespace tvk::fuzz {

void use_definition_file(std::string_view contents) {
    scratch_file("tvkplot.def", contents);
    setenv("TVKPLOT", scratch_folder().c_str(), 1);
}

void script_host(test::TestHost& host, FuzzInput& in) {
    const int answers = in.byte() % 64;
    for (int i = 0; i < answers; ++i) {
        const uint8_t b = in.byte();
        if (b < 8) {
            host.answers.push_back(test::take_default());
        } else if (b == 8) {
            host.answers.push_back(test::cancel());
        } else if (b == 9) {
            host.answers.push_back(test::skip());
        } else if (b == 255) {
            host.answers.push_back(test::value(in.i32()));
        } else {
            host.answers.push_back(test::value(b - 30));
        }
    }
    const uint8_t flags = in.byte();
    if (flags & 0x01) {
        std::array<uint8_t, 24> block{};
        for (auto& b : block) b = in.byte();
        host.stored = block;
    }
    host.save_result = (flags & 0x02) ? -1 : 0;
    host.refuse_write_at = (flags & 0x04) ? in.byte() : 0;
    host.break_at = (flags & 0x08) ? in.byte() : 0;
    host.port_kind_answer = (flags >> 4) & 0x03;
    if (flags & 0x40) host.reply = in.bytes(in.byte() % 48);
}

test::Record fuzzed_record(int16_t code, FuzzInput& in) {
    const std::string body = in.bytes(in.byte());
    std::size_t size = 4096;
    if (code == 33) {
        // The vertex count at offset 10 (record offsets 2 on come from the body).
        const auto at = [&](std::size_t off) {
            return off - 2 < body.size() ? static_cast<uint8_t>(body[off - 2]) : uint8_t{0};
        };
        const int n = static_cast<int16_t>(at(10) | at(11) << 8);
        if (n > 0) size = std::max<std::size_t>(size, 16 + 4 * static_cast<std::size_t>(n));
    }
    test::Record r(code, size);
    for (std::size_t i = 0; i < body.size(); ++i) r.set_u8(2 + i, static_cast<uint8_t>(body[i]));
    return r;
}

void drawing_requests(FuzzInput& in, int count) {
    static constexpr int16_t kCodes[] = {3, 4, 3, 4, 5, 6, 7, 8, 33, 41, 9, 15, 31, 36, 37, 2};
    for (int i = 0; i < count && !in.empty(); ++i) {
        const int16_t code = kCodes[in.byte() % std::size(kCodes)];
        test::Record r(code, 4096);
        if (code == 33) {
            const int n = in.byte() % 40;
            r.set_i16(6, static_cast<int16_t>(in.byte() % 9)).set_i16(10, static_cast<int16_t>(n));
            for (int k = 0; k < n; ++k)
                r.set_u16(12 + 4 * k, in.u16()).set_u16(14 + 4 * k, in.u16());
        } else if (code == 41) {
            const double widths[] = {-1, 0, 0.01, 0.5, 1.9685, 2.5, 1e300};
            r.set_f64(4, widths[in.byte() % std::size(widths)]);
        } else {
            r.set_u16(4, in.u16()).set_u16(6, in.u16());
        }
        test::call(test::Entry::kPlot, r);
    }
}

}  // namespace tvk::fuzz
