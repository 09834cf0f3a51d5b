// Two printers, one driver: the driver's state is the whole process's, so a
// printer whose job comes while another plots waits, saying so, and each
// plotter gets its own drawing whole.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "decoder/stream_decoder.h"
#include "emulator.h"
#include "fixtures.h"
#include "host/settings/profile.h"
#include "printer_server.h"

namespace tvk::printer_test {
namespace {

using host_test::Emulator;

std::vector<decoder::Polyline> pen_paths(const std::string& stream, const std::string& profile) {
    const auto language =
        static_cast<decoder::Language>(host::load_profile(profile).language_index());
    return decoder::drawn_polylines(decoder::decode(stream, language));
}

TEST(SharedDriver, ASecondPrinterWaitsForTheFirstAndBothPlotTheirOwnDrawing) {
    TempDir dir;
    PrinterServer server{dir};
    server.start();
    // A slow plotter with a small buffer: its job is still plotting when
    // the other printer's job comes (its line holds some 10 KB; the plot
    // has some 35 KB more than that, 9 s at the plotter's pace).
    Emulator slow(dir, {"--rate", "4000", "--buffer", "512", "--out", "slow"});
    Emulator fast(dir, {"--out", "fast"});
    ASSERT_EQ(server
                  .command({"add", "-d", "slow", "-v", "serial:" + slow.port() + "?baud=19200",
                            "-m", "TVK-RX24"})
                  .exit_code,
              0);
    ASSERT_EQ(server
                  .command({"add", "-d", "fast", "-v", "serial:" + fast.port() + "?baud=19200",
                            "-m", "TVK-HG700"})
                  .exit_code,
              0);
    std::vector<host_test::Line> lines;
    for (int i = 0; i < 5000; ++i) {
        lines.push_back({double(i % 97), double(i % 89), double(i % 83) + 3, double(i % 79) + 5});
    }
    dir.write("many.dxf", host_test::dxf_of_lines(lines));
    const std::string first = dir.file("many.dxf");
    const std::string second = host_test::example("bracket.dxf");

    ASSERT_EQ(server.command({"submit", "-d", "slow", first}).exit_code, 0);
    // Generous: under the sanitizers the plan alone takes a while.
    for (int i = 0; i < 2400 && slow.received_so_far() < 1500; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_GE(slow.received_so_far(), 1500u);
    ASSERT_EQ(server.command({"submit", "-d", "fast", second}).exit_code, 0);
    EXPECT_TRUE(server.wait_for_job_message("fast", 1, "another printer is plotting"))
        << server.log();
    EXPECT_EQ(fast.received_so_far(), 0u);  // nothing of it before the first plot ends

    ASSERT_EQ(server.wait_for_job("slow", 1, {"completed", "aborted", "canceled"}, 300),
              "completed")
        << server.log();
    ASSERT_EQ(server.wait_for_job("fast", 1, {"completed", "aborted", "canceled"}, 300),
              "completed")
        << server.log();
    const struct {
        Emulator& plotter;
        std::string drawing;
        int printer;
    } plots[] = {{slow, first, 1}, {fast, second, 2}};
    for (const auto& p : plots) {
        SCOPED_TRACE(p.drawing);
        const auto got = pen_paths(p.plotter.stop().bytes, server.profile(p.printer));
        const auto want =
            pen_paths(server.reference_plot(p.drawing, p.printer), server.profile(p.printer));
        ASSERT_EQ(got.size(), want.size());
        ASSERT_FALSE(got.empty());
        for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].points, want[i].points);
    }
}

}  // namespace
}  // namespace tvk::printer_test
