// The drawing path through the plot entry (record read, pen state, output
// operation with its latch and break checks, buffer copy) in decimal and in
// 7-bit and 8-bit PE, beside a baseline that only formats the same
// displacements with std::to_chars and hands them on in 128-byte pieces.
#include <benchmark/benchmark.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "driver/driver.h"
#include "driver/globals.h"
#include "driver/host_services.h"
#include "driver/le.h"

namespace {

// ---- a host that only counts ---------------------------------------------------
int64_t g_port_bytes = 0;

int32_t write_port(int32_t, int32_t, const void* bytes, int32_t count, int32_t) {
    benchmark::DoNotOptimize(bytes);
    g_port_bytes += count;
    return 1;
}
int32_t no_break() {
    return 0;
}
int32_t set_wait(int32_t, int32_t) {
    return 0;
}
int32_t print(const char*) {
    return 0;
}

std::array<const void*, tvk::kHostSlotCount> g_services{};

tvk::Entry bind_plot_entry() {
    g_services[tvk::kSlotWritePort] = reinterpret_cast<const void*>(&write_port);
    g_services[tvk::kSlotCheckBreak] = reinterpret_cast<const void*>(&no_break);
    g_services[tvk::kSlotSetWait] = reinterpret_cast<const void*>(&set_wait);
    g_services[tvk::kSlotPrint] = reinterpret_cast<const void*>(&print);
    const auto* block = static_cast<const uint8_t*>(tvk::pladi(g_services.data(), 0));
    const uint64_t address =
        sizeof(void*) > 4 ? tvk::load_u64(block + 512) : tvk::load_u32(block + 414);
    return reinterpret_cast<tvk::Entry>(static_cast<uintptr_t>(address));
}

// ---- the drawing ---------------------------------------------------------------
// A random walk of short vectors, as CAD drawings are mostly made of: eight
// draws, then a move.
struct Request {
    int16_t code;
    uint16_t x, y;
};

const std::vector<Request>& drawing() {
    static const std::vector<Request> requests = [] {
        std::vector<Request> out;
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> step(-400, 400);
        int x = 30000, y = 30000;
        for (int i = 0; i < 4096; ++i) {
            x = std::clamp(x + step(rng), 0, 65535);
            y = std::clamp(y + step(rng), 0, 65535);
            out.push_back({static_cast<int16_t>(i % 9 == 0 ? 3 : 4), static_cast<uint16_t>(x),
                           static_cast<uint16_t>(y)});
        }
        return out;
    }();
    return requests;
}

// TK-GL3, relative, a 1 MiB buffer, then begin plot (30).
void begin_plot(tvk::Entry entry, uint16_t flags) {
    std::array<uint8_t, 512> record{};  // initialise writes up to offset 258
    tvk::store_i16(record.data(), 49);
    tvk::store_i16(record.data() + 4, 1);
    record[7] = 2;
    entry(record.data());
    tvk::spec = tvk::PlotterSpec{};
    tvk::spec.buffers = 1;
    tvk::spec.pen_options = 0x0F;
    tvk::stored_config = tvk::StoredConfig{1, 0x08, 1, 1, 0, 8, 0, 9600, flags, 0x0F, 1};
    tvk::store_i16(record.data(), 30);
    entry(record.data());
}

void report(benchmark::State& state, int64_t bytes) {
    state.SetItemsProcessed(state.iterations());
    state.counters["bytes_per_request"] =
        benchmark::Counter(static_cast<double>(bytes) / static_cast<double>(state.iterations()));
}

void BM_EntryDrawing(benchmark::State& state, uint16_t flags) {
    const tvk::Entry entry = bind_plot_entry();
    begin_plot(entry, flags);
    const auto& requests = drawing();
    std::array<uint8_t, 8> record{};
    size_t i = 0;
    g_port_bytes = 0;
    const int32_t before = tvk::plot.buffer_count;
    for (auto _ : state) {
        const Request& r = requests[i];
        i = (i + 1) & 4095;
        tvk::store_i16(record.data(), r.code);
        tvk::store_u16(record.data() + 4, r.x);
        tvk::store_u16(record.data() + 6, r.y);
        entry(record.data());
    }
    report(state, g_port_bytes + tvk::plot.buffer_count - before);
    if (tvk::error_latch != 0) state.SkipWithError("output failed");
}

// The same displacements, formatted and handed on, nothing else.
void BM_ToCharsBaseline(benchmark::State& state) {
    constexpr int32_t kCapacity = 1 << 20;
    static std::vector<char> buffer(kCapacity + 8);
    const auto& requests = drawing();
    int32_t count = 0;
    int32_t last_x = 0, last_y = 0;
    size_t i = 0;
    g_port_bytes = 0;
    auto flush = [&] {
        for (int32_t at = 0; at < count; at += 128)
            write_port(1, 0, buffer.data() + at, std::min(128, count - at), 0);
        count = 0;
    };
    for (auto _ : state) {
        const Request& r = requests[i];
        i = (i + 1) & 4095;
        char text[32];
        char* p = std::to_chars(text, text + 16, r.x - last_x).ptr;
        *p++ = ',';
        p = std::to_chars(p, p + 16, r.y - last_y).ptr;
        last_x = r.x;
        last_y = r.y;
        const auto n = static_cast<int32_t>(p - text);
        if (count + n >= kCapacity) flush();
        std::memcpy(buffer.data() + count, text, static_cast<size_t>(n));
        count += n;
    }
    report(state, g_port_bytes + count);
}

BENCHMARK(BM_ToCharsBaseline);
BENCHMARK_CAPTURE(BM_EntryDrawing, decimal, uint16_t{0});
BENCHMARK_CAPTURE(BM_EntryDrawing, pe_7bit, uint16_t{tvk::kFlagPe});
BENCHMARK_CAPTURE(BM_EntryDrawing, pe_8bit, uint16_t{tvk::kFlagPe | tvk::kFlagPe8});

}  // namespace

BENCHMARK_MAIN();
