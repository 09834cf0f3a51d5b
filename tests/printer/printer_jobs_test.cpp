// Jobs through tvkplot-printer's own commands: what reaches the plotter's
// device is what `tvkplot plot` makes of the same drawing with the printer's
// profile; a drawing that cannot be read fails its job, not the server; and
// printers, their profiles and their jobs survive a restart.
#include <gtest/gtest.h>

#include "decoder/stream_decoder.h"
#include "fixtures.h"
#include "host/settings/profile.h"
#include "host_drawing/pdf/pdf_maker.h"
#include "printer_server.h"

namespace tvk::printer_test {
namespace {

const char* const kSquareSvg =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="100mm" height="80mm" viewBox="0 0 100 80">)"
    R"(<rect x="10" y="10" width="80" height="60" fill="none" stroke="red"/>)"
    R"(<circle cx="50" cy="40" r="25" stroke="blue" fill="none"/>)"
    R"(<text x="20" y="75" font-size="8">Plot 1</text></svg>)";

const char* const kHpgl =
    "IN;SP1;PU0,0;PD4000,0,4000,3000,0,3000,0,0;SP2;PU1000,1000;PD3000,2000;PU;SP0;";

decoder::Language language_of(const std::string& profile) {
    return static_cast<decoder::Language>(host::load_profile(profile).language_index());
}

class PrinterJobs : public ::testing::Test {
  protected:
    void SetUp() override {
        server.start();
        dir.write("square.svg", kSquareSvg);
        dir.write("frame.plt", kHpgl);
    }

    TempDir dir;
    PrinterServer server{dir};
};

TEST_F(PrinterJobs, EveryModelOfTheDefinitionFileIsADriver) {
    const Outcome models = run_program({TVKPLOT_PROGRAM, "models"}, dir);
    const Outcome drivers = server.command({"drivers"});
    ASSERT_EQ(drivers.exit_code, 0) << drivers.err;
    for (const char* model : {"TVK-PL400", "TVK-HG700", "TVK-RX24", "TVK-DX4"}) {
        EXPECT_NE(models.out.find(model), std::string::npos);
        EXPECT_NE(drivers.out.find(std::string(model) + " "), std::string::npos) << drivers.out;
    }
}

TEST_F(PrinterJobs, SvgDxfAndHpglReachTheDeviceAsTvkplotPlotsThem) {
    const std::string device = dir.file("rx24.plt");
    server.add_file_printer("rx24", "TVK-RX24", device);
    const std::vector<std::string> drawings{
        dir.file("square.svg"), host_test::example("bracket.dxf"), dir.file("frame.plt")};
    int job = 0;
    for (const std::string& drawing : drawings) {
        SCOPED_TRACE(drawing);
        const Outcome submitted = server.command({"submit", "-d", "rx24", drawing});
        ASSERT_EQ(submitted.exit_code, 0) << submitted.err;
        ++job;
        ASSERT_EQ(server.wait_for_job("rx24", job, {"completed", "aborted", "canceled"}),
                  "completed")
            << server.log();
        const std::string sent = host_test::read_file(device);
        EXPECT_EQ(sent, server.reference_plot(drawing));
        // And it draws: pen-down strokes, nothing the decoder does not follow.
        const decoder::Decoded decoded = decoder::decode(sent, language_of(server.profile(1)));
        EXPECT_TRUE(decoded.problems.empty());
        EXPECT_FALSE(decoder::drawn_segments(decoded).empty());
    }
}

TEST_F(PrinterJobs, APdfJobPlotsEachPageInOrder) {
    server.add_file_printer("rx24", "TVK-RX24", dir.file("rx24.plt"));
    dir.write("pages.pdf", pdf_test::pdf_of({"1 0 0 RG 10 10 m 190 90 l S",
                                             "0 0 1 RG 10 90 m 190 10 l 100 10 l S"}));
    ASSERT_EQ(server.command({"submit", "-d", "rx24", dir.file("pages.pdf")}).exit_code, 0);
    ASSERT_EQ(server.wait_for_job("rx24", 1, {"completed", "aborted"}), "completed")
        << server.log();
    const std::string first = server.reference_plot(dir.file("pages.pdf"), 1, {"--page", "1"});
    const std::string second = server.reference_plot(dir.file("pages.pdf"), 1, {"--page", "2"});
    EXPECT_NE(first, second);
    EXPECT_EQ(host_test::read_file(dir.file("rx24.plt")), first + second);
}

TEST_F(PrinterJobs, EachPrinterPlotsWithItsOwnModel) {
    server.add_file_printer("small", "TVK-PL250", dir.file("small.plt"));
    server.add_file_printer("large", "TVK-HG700", dir.file("large.plt"));
    ASSERT_EQ(server.command({"submit", "-d", "large", dir.file("square.svg")}).exit_code, 0);
    ASSERT_EQ(server.wait_for_job("large", 1, {"completed", "aborted"}), "completed");
    EXPECT_EQ(host::load_profile(server.profile(2)).model, "TVK-HG700");
    EXPECT_EQ(host_test::read_file(dir.file("large.plt")),
              server.reference_plot(dir.file("square.svg"), 2));
    EXPECT_EQ(host_test::read_file(dir.file("small.plt")), "");
}

TEST_F(PrinterJobs, ADrawingThatCannotBeReadFailsItsJobAndNotTheServer) {
    server.add_file_printer("rx24", "TVK-RX24", dir.file("rx24.plt"));
    dir.write("broken.dxf", "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\nnot a number\n");
    ASSERT_EQ(server.command({"submit", "-d", "rx24", dir.file("broken.dxf")}).exit_code, 0);
    EXPECT_EQ(server.wait_for_job("rx24", 1, {"completed", "aborted"}), "aborted");
    EXPECT_NE(server.log().find("not a number"), std::string::npos) << server.log();
    // The server goes on: the next job plots.
    ASSERT_EQ(server.command({"submit", "-d", "rx24", dir.file("square.svg")}).exit_code, 0);
    EXPECT_EQ(server.wait_for_job("rx24", 2, {"completed", "aborted"}), "completed");
}

TEST_F(PrinterJobs, PrintersAndTheirProfilesSurviveARestart) {
    server.add_file_printer("rx24", "TVK-RX24", dir.file("rx24.plt"));
    ASSERT_EQ(server.command({"submit", "-d", "rx24", dir.file("square.svg")}).exit_code, 0);
    ASSERT_EQ(server.wait_for_job("rx24", 1, {"completed", "aborted"}), "completed");
    const std::string kept = host_test::read_file(server.profile(1));
    server.stop();
    server.start();
    // The printer is there again: it takes the next job below (not asked
    // with `printers`, which asks whichever server holds the user's command
    // socket, whatever -u says).
    EXPECT_EQ(host_test::read_file(server.profile(1)), kept);
    ASSERT_EQ(server.command({"submit", "-d", "rx24", dir.file("frame.plt")}).exit_code, 0);
    EXPECT_EQ(server.wait_for_job("rx24", 2, {"completed", "aborted"}), "completed");
    EXPECT_EQ(host_test::read_file(dir.file("rx24.plt")),
              server.reference_plot(dir.file("frame.plt")));
}

}  // namespace
}  // namespace tvk::printer_test
