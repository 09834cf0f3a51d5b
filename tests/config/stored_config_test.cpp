// The 24-byte stored configuration: its byte layout, validation and defaults,
// and the plot-limits fields with the long-plot divisor.
#include "config_fixture.h"

namespace tvk::test {
namespace {

using StoredConfigTest = ConfigTest;

TEST_F(StoredConfigTest, BytesAreLittleEndianAtTheirOffsets) {
    const StoredConfig c{3, 8, 100, 2, 1, 7, 1, 19200, 0x01A5, 0x8F, 0x01020304};
    uint8_t out[24];
    stored_config_to_bytes(c, out);
    const auto expected = stored_block(3, 8, 100, 2, 1, 7, 1, 19200, 0x01A5, 0x8F, 0x01020304);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 24), expected);
    const StoredConfig back = stored_config_from_bytes(out);
    uint8_t again[24];
    stored_config_to_bytes(back, again);
    EXPECT_EQ(0, std::memcmp(out, again, 24));
}

TEST_F(StoredConfigTest, DefaultsTakeHandshakeAndPenOptionsFromTheModel) {
    spec.handshake = 1;
    spec.pen_options = 0x8B;
    set_stored_config_defaults();
    uint8_t out[24];
    stored_config_to_bytes(stored_config, out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 24),
              stored_block(1, 2, 1, 1, 0, 8, 1, 9600, 0x0084, 0x8B, 1));
}

TEST_F(StoredConfigTest, AnInvalidFieldReplacesTheWholeBlock) {
    const auto defaults = stored_block(1, 2, 1, 1, 0, 8, 0, 9600, 0x0084, 0x0F, 1);
    const std::vector<std::vector<uint8_t>> invalid = {
        stored_block(2, 4, 3, 3, 1, 8, 1, 4800, 0x21, 0x0F, 2),   // stop bits 3
        stored_block(2, 4, 3, 1, 1, 6, 1, 4800, 0x21, 0x0F, 2),   // data bits 6
        stored_block(2, 4, 0, 1, 1, 8, 1, 4800, 0x21, 0x0F, 2),   // copies 0
        stored_block(2, 4, 3, 1, 1, 8, 1, 4800, 0x21, 0x0F, 0),   // paper 0
        stored_block(0, 4, 3, 1, 1, 8, 1, 4800, 0x21, 0x0F, 2),   // menu position 0
        stored_block(2, -4, 3, 1, 1, 8, 1, 4800, 0x21, 0x0F, 2),  // language negative
        stored_block(2, 4, 3, 1, 1, 8, 1, -1, 0x21, 0x0F, 2),     // baud rate negative
    };
    for (const auto& block : invalid) {
        stored_config = stored_config_from_bytes(block.data());
        EXPECT_EQ(validate_stored_config(), -1);
        uint8_t out[24];
        stored_config_to_bytes(stored_config, out);
        EXPECT_EQ(std::vector<uint8_t>(out, out + 24), defaults);
    }
}

TEST_F(StoredConfigTest, UncheckedFieldsPassValidation) {
    const auto block = stored_block(4, 8, 101, 2, 5, 7, 9, 150, 0xFFFF, 0xFFFF, 200);
    stored_config = stored_config_from_bytes(block.data());
    EXPECT_EQ(validate_stored_config(), 0);
    uint8_t out[24];
    stored_config_to_bytes(stored_config, out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 24), block);
}

TEST_F(StoredConfigTest, FetchChangesTheWorkingCopyOnlyWhenDelivered) {
    stored_config.copies = 7;
    EXPECT_NE(fetch_stored_config(), 0) << "the host keeps nothing yet";
    EXPECT_EQ(stored_config.copies, 7);
    store_in_host(host, stored_block(1, 8, 5, 1, 0, 8, 0, 9600, 0x84, 0x0F, 3));
    EXPECT_EQ(fetch_stored_config(), 0);
    EXPECT_EQ(stored_config.copies, 5);
    EXPECT_EQ(stored_config.paper, 3);
    EXPECT_EQ(host.calls_of("load_config").at(0).ints, std::vector<int32_t>{24});
}

TEST_F(StoredConfigTest, KeepHandsTheHostTheBytes) {
    stored_config = {2, 4, 3, 2, 2, 7, 1, 2400, 0x1E5, 0x07, 9};
    EXPECT_EQ(keep_stored_config(), 0);
    ASSERT_EQ(host.saved.size(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(host.saved[0].begin(), host.saved[0].end()),
              stored_block(2, 4, 3, 2, 2, 7, 1, 2400, 0x1E5, 0x07, 9));
    host.save_result = 3;
    EXPECT_EQ(keep_stored_config(), 3);
}

// ---- plot limits ------------------------------------------------------------

TEST_F(StoredConfigTest, PlotLimitsFields) {
    Record r(40, 300);
    use_record(r);
    plotter_resolution = 1016;
    current_paper.area_x = 16.5;
    current_paper.area_y = 11.25;
    spec.optimize = 3;
    write_plot_limits(false);
    EXPECT_EQ(r.f64(9), 16.5);
    EXPECT_EQ(r.f64(25), 16.5);
    EXPECT_EQ(r.f64(17), 11.25);
    EXPECT_EQ(r.f64(33), 11.25);
    EXPECT_EQ(r.f64(41), 1016.0);
    EXPECT_EQ(r.f64(49), 1016.0);
    EXPECT_EQ(0, std::memcmp(r.data() + 73, "MAX\0", 4));
    EXPECT_EQ(r.u8(139), 0);
    EXPECT_EQ(r.u8(140), 0);
    write_plot_limits(true);
    EXPECT_EQ(r.u8(139), 3);
    EXPECT_EQ(r.u8(140), 6);
}

TEST_F(StoredConfigTest, LongPlotDividesTheResolutionByTheAreaDivisor) {
    plotter_resolution = 1016;
    struct Case {
        double x, y;
        int divisor;
        double resolution;
    };
    const Case cases[] = {{60, 40, 1, 1016},  {64.5, 64.5, 1, 1016}, {64.6, 10, 2, 508},
                          {130, 40, 4, 254},  {10, 258, 4, 254},     {300, 1, 8, 127},
                          {516, 516, 8, 127}, {600, 1, 16, 63}};
    stored_config.flags = kFlagLongPlot;
    for (const Case& c : cases) {
        current_paper.area_x = c.x;
        current_paper.area_y = c.y;
        EXPECT_EQ(reported_resolution(), c.resolution) << c.x << " by " << c.y;
        EXPECT_EQ(long_plot_divisor, c.divisor);
    }
    stored_config.flags = 0;
    current_paper.area_x = 600;
    EXPECT_EQ(reported_resolution(), 1016.0) << "not in long plot: undivided";
    EXPECT_EQ(long_plot_divisor, 16) << "keeps its last value";
}

}  // namespace
}  // namespace tvk::test
