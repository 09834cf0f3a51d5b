// The configuration entry's requests through the entry address, as a host
// sends them: model names, per-colour tables, plot limits and save.
#include "config_fixture.h"

namespace tvk::test {
namespace {

using ConfigEntryTest = ConfigTest;

Record send(int16_t code, size_t size = 2200) {
    Record r(code, size);
    call(Entry::kConfig, r);
    return r;
}

TEST_F(ConfigEntryTest, ModelNamesByNumber) {
    model_count = 3;
    std::strcpy(model_list[0], "TVK-100");
    std::strcpy(model_list[1], "TVK-200 A3");
    std::strcpy(model_list[2], "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");  // 32 characters
    Record r(20, 64);
    for (int i = 6; i < 64; ++i) r.set_u8(i, 0xEE);
    r.set_i16(4, 2);
    call(Entry::kConfig, r);
    EXPECT_EQ(r.status(), 0);
    EXPECT_EQ(r.reply_length(), 40);
    EXPECT_EQ(r.i16(4), 3);
    EXPECT_EQ(r.text(8, 32), "TVK-200 A3");
    for (int i = 18; i < 40; ++i) EXPECT_EQ(r.u8(i), 0) << "zero-padded at " << i;
    EXPECT_EQ(r.u8(40), 0xEE);
    r.set_i16(0, 20).set_i16(4, 3);
    call(Entry::kConfig, r);
    EXPECT_EQ(r.text(8, 32), "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
    EXPECT_EQ(r.u8(40), 0xEE) << "no terminator after a full name";

    for (int16_t number : {0, 4, -1}) {
        Record bad(20, 64);
        for (int i = 6; i < 64; ++i) bad.set_u8(i, 0xEE);
        bad.set_i16(4, number);
        call(Entry::kConfig, bad);
        EXPECT_EQ(bad.status(), 0);
        EXPECT_EQ(bad.reply_length(), 40);
        EXPECT_EQ(bad.i16(4), number);
        EXPECT_EQ(bad.i16(6), 0);
        EXPECT_EQ(bad.u8(8), 0xEE);
        EXPECT_EQ(bad.u8(39), 0xEE);
    }
}

TEST_F(ConfigEntryTest, ByteTablesPerColour) {
    spec.max_line_type = 8;
    spec.pens = 8;
    spec.pen_speed = 30;
    Record lines = send(22);
    EXPECT_EQ(lines.status(), 0);
    EXPECT_EQ(lines.reply_length(), 262);
    EXPECT_EQ(lines.i16(4), 8);
    Record speeds = send(23);
    EXPECT_EQ(speeds.i16(4), 8);
    for (int k = 0; k < 256; ++k) EXPECT_EQ(speeds.u8(6 + k), 30);
    EXPECT_EQ(speeds.u8(262), 0);
    Record pens = send(25);
    EXPECT_EQ(pens.reply_length(), 262);
    EXPECT_EQ(pens.i16(4), 8);
    const std::vector<uint8_t> first(pens.bytes().begin() + 6, pens.bytes().begin() + 17);
    EXPECT_EQ(first, (std::vector<uint8_t>{1, 1, 2, 3, 4, 5, 6, 7, 8, 1, 2}));
    EXPECT_EQ(pens.u8(6 + 255), 255 % 8 == 0 ? 8 : 255 % 8);
}

TEST_F(ConfigEntryTest, ByteTablesBeforeInitialiseFillOnlyColourZero) {
    table_length = 0;
    spec.pen_speed = 30;
    Record r(23, 300);
    for (int i = 6; i < 300; ++i) r.set_u8(i, 0xEE);
    call(Entry::kConfig, r);
    EXPECT_EQ(r.reply_length(), 262);
    EXPECT_EQ(r.u8(6), 30);
    EXPECT_EQ(r.u8(7), 0xEE);
}

TEST_F(ConfigEntryTest, PenWidthsAlwaysFillTheWholeTable) {
    error_latch = kLatchSetup;
    table_length = 0;
    spec.pens = 6;
    spec.pen_width = 0.35 / 25.4;
    Record r(44, 2200);
    r.set_i32(8, 0x00070010).set_i16(12, 0x0100);
    call(Entry::kConfig, r);
    EXPECT_EQ(r.status(), 0);
    EXPECT_EQ(r.reply_length(), 0x0110) << "low half of offset 8 plus offset 12";
    EXPECT_EQ(r.i32(4), 6);
    for (int k = 0; k < 256; ++k) EXPECT_EQ(r.f64(16 + 8 * k), 0.35 / 25.4);
    EXPECT_EQ(r.u8(16 + 8 * 256), 0);
}

TEST_F(ConfigEntryTest, PlotLimitsWithTheJapaneseFlag) {
    plotter_resolution = 1016;
    current_paper = {1, 16.53, 11.65, 0, 0};
    spec.optimize = 5;
    Record r = send(40, 200);
    EXPECT_EQ(r.status(), 0);
    EXPECT_EQ(r.f64(9), 16.53);
    EXPECT_EQ(r.f64(33), 11.65);
    EXPECT_EQ(r.f64(41), 1016.0);
    EXPECT_EQ(r.u8(139), 5);
    EXPECT_EQ(r.u8(140), 6);
    EXPECT_EQ(r.u8(4), 0);
    host_language(Entry::kConfig, "JA");
    EXPECT_EQ(send(40, 200).u8(4), 1);
    host_language(Entry::kConfig, "JAPANESE");
    EXPECT_EQ(send(40, 200).u8(4), 0);
    error_latch = kLatchSetup;
    Record refused = send(40, 200);
    EXPECT_EQ(refused.status(), -1);
    EXPECT_EQ(refused.f64(9), 0.0);
}

TEST_F(ConfigEntryTest, SaveHandsTheHostTheStoredConfiguration) {
    stored_config = {2, 8, 4, 1, 0, 8, 1, 19200, 0x1A5, 0x0F, 3};
    Record r = send(47, 200);
    EXPECT_EQ(r.status(), 0);
    EXPECT_EQ(r.f64(25), current_paper.area_x);
    EXPECT_EQ(r.u8(139), 0) << "no optimisation level on save";
    ASSERT_EQ(host.saved.size(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(host.saved[0].begin(), host.saved[0].end()),
              stored_block(2, 8, 4, 1, 0, 8, 1, 19200, 0x1A5, 0x0F, 3));
    host.save_result = 5;
    EXPECT_EQ(send(47, 200).status(), -1);
    EXPECT_EQ(error_latch, kLatchSetup);
    EXPECT_EQ(send(47, 200).status(), -1);
    EXPECT_EQ(host.saved.size(), 2u) << "refused at once while latched";
    EXPECT_EQ(send(21, 200).status(), -1);
    EXPECT_EQ(host.prompts, 0);
}

}  // namespace
}  // namespace tvk::test
