// Printers on a plotter's port: the plotter emulator behind socket:// (a
// network adapter on loopback) and serial: (a pseudo-terminal) gets the pen
// paths `tvkplot plot` makes of the drawing; a job cancelled while it plots
// stops the plot, and the plotter is left with its pen up.
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

class PlotterPorts : public ::testing::Test {
  protected:
    void SetUp() override { server.start(); }

    std::vector<decoder::Polyline> pen_paths(const std::string& stream) {
        const auto language = static_cast<decoder::Language>(
            host::load_profile(server.spool() + "/printer-1.toml").language_index());
        return decoder::drawn_polylines(decoder::decode(stream, language));
    }
    void expect_same_paths(const std::string& got, const std::string& want) {
        const auto a = pen_paths(got), b = pen_paths(want);
        ASSERT_EQ(a.size(), b.size());
        ASSERT_FALSE(a.empty());
        for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i].points, b[i].points);
    }

    TempDir dir;
    PrinterServer server{dir};
};

TEST_F(PlotterPorts, ANetworkPlotterGetsThePenPathsOfTvkplotPlot) {
    Emulator plotter(dir, {"--tcp"});
    const std::string uri = "socket://" + plotter.port().substr(4);  // tcp:HOST:PORT
    ASSERT_EQ(server.command({"add", "-d", "net", "-v", uri, "-m", "TVK-RX24"}).exit_code, 0);
    const std::string drawing = host_test::example("bracket.dxf");
    ASSERT_EQ(server.command({"submit", "-d", "net", drawing}).exit_code, 0);
    ASSERT_EQ(server.wait_for_job("net", 1, {"completed", "aborted"}), "completed") << server.log();
    expect_same_paths(plotter.stop().bytes, server.reference_plot(drawing));
}

TEST_F(PlotterPorts, ASerialPlotterGetsThePenPathsOfTvkplotPlot) {
    Emulator plotter(dir, {"--rate", "20000"});
    ASSERT_EQ(server
                  .command({"add", "-d", "line", "-v", "serial:" + plotter.port() + "?baud=19200",
                            "-m", "TVK-RX24"})
                  .exit_code,
              0);
    const std::string drawing = host_test::example("bracket.dxf");
    ASSERT_EQ(server.command({"submit", "-d", "line", drawing}).exit_code, 0);
    ASSERT_EQ(server.wait_for_job("line", 1, {"completed", "aborted"}), "completed")
        << server.log();
    const host_test::Received got = plotter.stop();
    EXPECT_EQ(got.report.at("speed"), "19200");
    expect_same_paths(got.bytes, server.reference_plot(drawing));
}

TEST_F(PlotterPorts, CancellingAPlottingJobLeavesThePenUp) {
    // A slow plotter with a small buffer on a serial line: the job is still
    // plotting when cancelled, and what is queued for the line is dropped.
    Emulator plotter(dir, {"--rate", "4000", "--buffer", "512"});
    const std::string uri = "serial:" + plotter.port() + "?baud=19200";
    ASSERT_EQ(server.command({"add", "-d", "net", "-v", uri, "-m", "TVK-RX24"}).exit_code, 0);
    std::vector<host_test::Line> lines;
    for (int i = 0; i < 4000; ++i) {
        lines.push_back({double(i % 97), double(i % 89), double(i % 83) + 3, double(i % 79) + 5});
    }
    dir.write("many.dxf", host_test::dxf_of_lines(lines));
    const std::string drawing = dir.file("many.dxf");
    ASSERT_EQ(server.command({"submit", "-d", "net", drawing}).exit_code, 0);
    for (int i = 0; i < 300 && plotter.received_so_far() < 1500; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_GE(plotter.received_so_far(), 1500u);
    const Outcome cancelled = server.command({"cancel", "-d", "net", "-j", "1"});
    ASSERT_EQ(cancelled.exit_code, 0) << cancelled.out << cancelled.err;
    EXPECT_EQ(server.wait_for_job("net", 1, {"canceled", "completed", "aborted"}), "canceled");
    const std::string whole = server.reference_plot(drawing);
    const std::string got = plotter.stop().bytes;
    EXPECT_LT(got.size(), whole.size());
    // The last words the plotter heard lift the pen and put it away.
    ASSERT_GE(got.size(), 7u);
    EXPECT_EQ(got.substr(got.size() - 7), ";PU;SP;");
}

}  // namespace
}  // namespace tvk::printer_test

namespace tvk::printer_test {
namespace {

TEST_F(PlotterPorts, AJobPlottingWhenTheServerDiedIsHeldWithTheReason) {
    host_test::Emulator plotter(dir, {"--rate", "3000", "--buffer", "512"});
    ASSERT_EQ(server
                  .command({"add", "-d", "slow", "-v", "serial:" + plotter.port() + "?baud=19200",
                            "-m", "TVK-RX24"})
                  .exit_code,
              0);
    ASSERT_TRUE(server.wait_for_saved_printer("slow"));
    std::vector<host_test::Line> lines;
    for (int i = 0; i < 3000; ++i) {
        lines.push_back({double(i % 97), double(i % 89), double(i % 83) + 3, double(i % 79) + 5});
    }
    dir.write("many.dxf", host_test::dxf_of_lines(lines));
    ASSERT_EQ(server.command({"submit", "-d", "slow", dir.file("many.dxf")}).exit_code, 0);
    for (int i = 0; i < 300 && plotter.received_so_far() < 1500; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_GE(plotter.received_so_far(), 1500u);
    server.kill_now();  // as a power cut would
    server.start();
    // PAPPL ends the half-done job; it is held again as a new one.
    const std::string state = server.job_state("slow", 1);
    const int held = state == "pending-held" ? 1 : 2;
    EXPECT_EQ(server.job_state("slow", held), "pending-held") << server.log();
    // The job says why it waits.
    dir.write("job.test",
              "{\n  OPERATION Get-Job-Attributes\n  GROUP operation-attributes-tag\n"
              "  ATTR charset attributes-charset utf-8\n"
              "  ATTR naturalLanguage attributes-natural-language en\n"
              "  ATTR uri printer-uri $uri\n  ATTR integer job-id " +
                  std::to_string(held) +
                  "\n  STATUS successful-ok\n"
                  "  EXPECT job-state-message WITH-VALUE \"/server stopped while this job was "
                  "plotting/\"\n}\n");
    const Outcome attributes =
        run_program({"ipptool", "-tv", server.printer_uri("slow"), dir.file("job.test")}, dir);
    EXPECT_EQ(attributes.exit_code, 0) << attributes.out;
}

}  // namespace
}  // namespace tvk::printer_test

namespace tvk::printer_test {
namespace {

TEST_F(PlotterPorts, APlotterThatVanishesFailsTheJobAndIsReportedOffline) {
    host_test::Emulator plotter(dir, {"--tcp", "--rate", "20000", "--vanish-after", "2000"});
    const std::string uri = "socket://" + plotter.port().substr(4);
    ASSERT_EQ(server.command({"add", "-d", "net", "-v", uri, "-m", "TVK-RX24"}).exit_code, 0);
    std::vector<host_test::Line> lines;
    for (int i = 0; i < 3000; ++i) {
        lines.push_back({double(i % 97), double(i % 89), double(i % 83) + 3, double(i % 79) + 5});
    }
    dir.write("many.dxf", host_test::dxf_of_lines(lines));
    ASSERT_EQ(server.command({"submit", "-d", "net", dir.file("many.dxf")}).exit_code, 0);
    EXPECT_EQ(server.wait_for_job("net", 1, {"completed", "aborted", "canceled"}), "aborted");
    dir.write("printer.test",
              "{\n  OPERATION Get-Printer-Attributes\n  GROUP operation-attributes-tag\n"
              "  ATTR charset attributes-charset utf-8\n"
              "  ATTR naturalLanguage attributes-natural-language en\n"
              "  ATTR uri printer-uri $uri\n  STATUS successful-ok\n"
              "  EXPECT printer-state-reasons WITH-VALUE \"/^offline/\"\n}\n");
    const Outcome o =
        run_program({"ipptool", "-tv", server.printer_uri("net"), dir.file("printer.test")}, dir);
    EXPECT_EQ(o.exit_code, 0) << o.out;
    // The server goes on (asked over IPP: PAPPL's `printers` command asks
    // whichever server holds the user's command socket, whatever -u says).
    EXPECT_EQ(server.job_state("net", 1), "aborted");
}

}  // namespace
}  // namespace tvk::printer_test
