// The driver interface through the entries: information block, unserved
// codes, initialise, host language code and the common part of open.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "driver/driver.h"
#include "driver/globals.h"
#include "driver/le.h"
#include "platform/platform.h"
#include "test_host/requests.h"
#include "test_host/test_host.h"

namespace tvk::test {
namespace {

TEST(InfoBlock, FixedFieldsAndEntryAddresses) {
    TestHost host;
    const uint8_t* b = host.info_block();
    EXPECT_EQ(b, tvk::pladi(host.table(), 0)) << "same block on every call";
    EXPECT_LT(std::strlen(reinterpret_cast<const char*>(b)), 80u);
    EXPECT_EQ(b[80], 0);
    EXPECT_EQ(load_u16(b + 418), 4);
    EXPECT_EQ(load_u16(b + 432), 3);
    EXPECT_STREQ(reinterpret_cast<const char*>(b + 434), "$ACADPLNAME$");
    EXPECT_STREQ(reinterpret_cast<const char*>(b + 449), "Microsoft Windows Win32");
    EXPECT_EQ(load_u16(b + 481), 6);
    EXPECT_STREQ(reinterpret_cast<const char*>(b + 483), "R.0.89-1");
    if constexpr (sizeof(void*) > 4) {
        EXPECT_EQ(tvk::kInfoBlockSize, 520u);
        EXPECT_EQ(load_u32(b + 410), 0u);
        EXPECT_EQ(load_u32(b + 414), 0u);
        EXPECT_NE(load_u64(b + 504), 0u);
        EXPECT_NE(load_u64(b + 512), load_u64(b + 504));
    }
}

std::string g_second_table_printed;
int32_t print_to_second_table(const char* text) {
    g_second_table_printed += text;
    return 0;
}

TEST(Pladi, TheLastTableGivenWins) {
    TestHost host;
    std::array<const void*, 67> second{};
    second[28] = reinterpret_cast<const void*>(&print_to_second_table);
    g_second_table_printed.clear();
    EXPECT_EQ(tvk::pladi(second.data(), 0), host.info_block());
    initialise(Entry::kConfig, 2, 2);
    tvk::pladi(host.table(), 0);
    EXPECT_EQ(g_second_table_printed,
              "\nYou have tried to call the driver from a non-AutoCAD application.\n");
    EXPECT_EQ(host.printed, "");
}

TEST(EntryFrame, UnservedCodesComeBackUntouched) {
    TestHost host;
    for (Entry e : {Entry::kConfig, Entry::kPlot}) {
        for (int16_t code : {1, 51, 100, -3, 0, 32767}) {
            Record r(code);
            for (int i = 2; i < 300; ++i) r.set_u8(i, static_cast<uint8_t>(i * 7));
            const auto before = r.bytes();
            call(e, r);
            EXPECT_EQ(r.bytes(), before) << "code " << code;
        }
    }
    for (int16_t code : {10, 12, 13, 14, 16, 28, 32, 34, 35, 38, 39, 40, 42, 44, 45}) {
        Record r(code);
        r.set_i16(4, 1);
        const auto before = r.bytes();
        call(Entry::kPlot, r);
        EXPECT_EQ(r.bytes(), before) << "plot code " << code;
    }
    EXPECT_TRUE(host.calls.empty());
}

TEST(Initialise, AcceptsTheHostAndCopiesTheDescription) {
    TestHost host;
    std::string path(90, 'p');
    Record r = initialise(Entry::kConfig, 1, 2, path);
    EXPECT_EQ(r.status(), 49) << "initialise writes no status";
    EXPECT_EQ(r.i16(10), 0);
    EXPECT_EQ(r.i16(12), 0);
    EXPECT_EQ(0, std::memcmp(r.data() + 86, host.info_block(), 81));
    EXPECT_EQ(r.u8(166), 0);
    EXPECT_EQ(std::string(tvk::host_path), path) << "90 bytes without a zero, terminated";
    EXPECT_EQ(tvk::table_length, 255);
    EXPECT_EQ(host.printed, "");
    EXPECT_EQ(host.paused_seconds(), 0);
}

TEST(Initialise, WrongHostLatchesAndPauses) {
    TestHost host;
    Record r = initialise(Entry::kPlot, 2, 5);
    EXPECT_EQ(r.i16(10), -3);
    EXPECT_EQ(host.printed, "\nYou have tried to call the driver from a non-AutoCAD application.\n");
    EXPECT_EQ(tvk::error_latch, -888);
    EXPECT_EQ(host.paused_seconds(), 11) << "10-second pause: ends when 11 whole seconds passed";
    host.clear_record();
    Record o = open_request(Entry::kConfig);
    EXPECT_EQ(o.status(), -1);
    EXPECT_EQ(o.i16(4), 3) << "refused open leaves offset 4 alone";
    EXPECT_TRUE(host.calls.empty());
}

TEST(Initialise, OldReleaseAndRecovery) {
    TestHost host;
    Record r = initialise(Entry::kConfig, 1, 1);
    EXPECT_EQ(r.i16(10), -5);
    EXPECT_EQ(host.printed,
              "\nThis release of AutoCAD is incorrect; you must use AutoCAD R13 or later.\n");
    EXPECT_EQ(tvk::error_latch, -888);
    Record again = initialise(Entry::kConfig, 1, 3);
    EXPECT_EQ(again.i16(10), 0);
    EXPECT_EQ(tvk::error_latch, 0);
}

TEST(HostLanguage, StoresUpToEightCharacters) {
    TestHost host;
    Record r = host_language(Entry::kConfig, "JAPANESE");
    EXPECT_EQ(r.status(), 50);
    EXPECT_EQ(std::string(tvk::host_language), "JAPANESE");
    Record en(50);
    en.set_text(8, std::string("EN\0XYZ", 6));
    call(Entry::kPlot, en);
    EXPECT_EQ(0, std::memcmp(tvk::host_language, "EN\0\0\0\0\0\0\0", 9))
        << "the copy stops at the zero byte";
}

TEST(TimedPause, AKeyWaitingEndsItAtOnce) {
    TestHost host;
    platform::hooks().key_waiting = [] { return true; };
    Record r = initialise(Entry::kConfig, 2, 2);
    EXPECT_EQ(r.i16(10), -3);
    EXPECT_EQ(host.paused_seconds(), 0);
}

TEST(Open, OldInterfaceLevelFails) {
    TestHost host;
    initialise(Entry::kConfig);
    Record r = open_request(Entry::kConfig, 2);
    EXPECT_EQ(r.status(), -1);
    EXPECT_EQ(r.i16(4), 3);
    EXPECT_EQ(r.i16(6), 0);
    EXPECT_EQ(host.printed,
              "\nThis release of AutoCAD is incorrect; you must use AutoCAD R13 or later.\n");
    EXPECT_EQ(tvk::error_latch, -888);
    EXPECT_EQ(host.paused_seconds(), 11);
}

}  // namespace
}  // namespace tvk::test
