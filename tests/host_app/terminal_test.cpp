// tvkplot typed at on a terminal: the configuration dialog's prompts with
// their defaults, answers out of range, cancelling, and a driver failure whose
// pause a key press ends.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "fixtures.h"
#include "host/settings/profile.h"
#include "program.h"

namespace tvk::host_test {
namespace {

class TerminalTest : public ::testing::Test {
  protected:
    std::string config() const { return dir.file("config"); }
    std::string profile() const { return config() + "/tvkplot/TVK-HG700.toml"; }
    TempDir dir;
};

TEST_F(TerminalTest, AnAnswerOutOfRangeIsAskedAgainAndEnterTakesTheDefaults) {
    TerminalSession t({"configure", "--model", "TVK-HG700"}, config());
    ASSERT_TRUE(t.wait_for("TK-GL2")) << t.screen();
    ASSERT_TRUE(t.wait_for("Select the number <1>: ")) << t.screen();
    t.type("7\r");
    ASSERT_TRUE(t.wait_for("Please enter a number from 1 to 2.")) << t.screen();
    ASSERT_TRUE(t.wait_for("Select the number <1>: ")) << t.screen();
    t.type("2\r");  // TK-GL2
    EXPECT_EQ(t.finish_with_defaults(), 0) << t.screen();
    // Enter alone shows the default it took.
    EXPECT_NE(t.screen().find("Do you wish to use PE command (Y/N) <Y>: Y\r\n"), std::string::npos)
        << t.screen();
    EXPECT_NE(t.screen().find("Do you wish to have the plotter fill polygons (Y/N) <N>: "),
              std::string::npos)
        << t.screen();
    EXPECT_EQ(host::load_profile(profile()).language_index(), 2);
}

TEST_F(TerminalTest, EscEndOfInputAndCtrlCCancelWithoutSaving) {
    // Ctrl-C stops the program as a shell reports it.
    for (const auto& [key, exit_code] :
         {std::pair<std::string, int>{"\x1b", 3}, {"\x04", 3}, {"\x03", 130}}) {
        TerminalSession t({"configure", "--model", "TVK-HG700"}, config());
        ASSERT_TRUE(t.wait_for("Select the number <1>: ")) << t.screen();
        t.type(key);
        EXPECT_EQ(t.wait_exit(), exit_code);
        EXPECT_NE(t.screen().find("*Cancel*"), std::string::npos) << t.screen();
        EXPECT_NE(t.screen().find("configuration cancelled"), std::string::npos) << t.screen();
        EXPECT_FALSE(file_exists(profile()));
    }
}

TEST_F(TerminalTest, YesTakesEveryDefaultOnATerminalToo) {
    TerminalSession t({"configure", "--model", "TVK-HG700", "--yes"}, config());
    EXPECT_EQ(t.wait_exit(), 0) << t.screen();
    EXPECT_NE(t.screen().find("Select the number <1>: 1"), std::string::npos) << t.screen();
    EXPECT_TRUE(file_exists(profile()));
}

TEST_F(TerminalTest, ADriverFailureIsShownAsTheDriverPrintedItAndFailsThePlot) {
    // A good definition file to configure with; the same model with a bad
    // specification line to plot with.
    const std::string models =
        "[PLOTTER]\n*TEST-\nONE\n%\n[PAPER]\n*TEST-ONE\n%TK-GL1\nA4, 297 MM, 210 MM\n";
    dir.write("good.def", models + "[SPEC]\n*TEST-ONE\nPENS: 4\n");
    dir.write("bad.def", models + "[SPEC]\n*TEST-ONE\nPENS: 4\nCOLOUR: BLUE\n");
    dir.write("d.dxf", dxf_of_lines({{0, 0, 10, 10}}));
    const std::string prof = dir.file("p.toml");
    ASSERT_EQ(run_tvkplot({"--def", dir.file("good.def"), "configure", "--profile", prof, "--yes"},
                          config())
                  .exit_code,
              0);

    TerminalSession t({"--def", dir.file("bad.def"), "plot", dir.file("d.dxf"), "--profile", prof,
                       "-o", dir.file("out.plt"), "--yes"},
                      config());
    ASSERT_TRUE(t.wait_for("Incorrect plotter specifications in plotter definition file."))
        << t.screen();
    ASSERT_TRUE(t.wait_for("COLOUR: BLUE")) << t.screen();
    t.type("\r");  // ends the driver's pause at once
    EXPECT_EQ(t.wait_exit(), 1) << t.screen();
    // The driver names the file it reads; tvkplot names the one given.
    EXPECT_NE(t.screen().find("definition file " + dir.file("bad.def")), std::string::npos)
        << t.screen();
    EXPECT_FALSE(file_exists(dir.file("out.plt")));
    EXPECT_FALSE(file_exists(dir.file("out.plt.part")));
}

TEST_F(TerminalTest, CtrlCAtAPlotTimeQuestionStopsThePlotAndAsksNoMore) {
    dir.write("d.dxf", dxf_of_lines({{0, 0, 10, 10}}));
    TerminalSession t({"plot", dir.file("d.dxf"), "--model", "TVK-DX4", "-o", dir.file("out.plt")},
                      config());
    ASSERT_TRUE(t.wait_for("Select the number  (1 to 4) <1>: ")) << t.screen();
    t.type("\x03");
    EXPECT_EQ(t.wait_exit(), 130) << t.screen();
    EXPECT_TRUE(t.wait_for("plot stopped; nothing was written")) << t.screen();
    EXPECT_EQ(t.screen().find("additinal copies"), std::string::npos) << t.screen();
    EXPECT_FALSE(file_exists(dir.file("out.plt")));
    EXPECT_FALSE(file_exists(dir.file("out.plt.part")));
}

TEST_F(TerminalTest, CtrlCWhileALargeDrawingIsReadStopsAtOnce) {
    // Some 400,000 lines: Ctrl-C while they are read stops the reading, and
    // nothing after it begins.
    std::vector<Line> lines;
    for (int i = 0; i < 400'000; ++i) lines.push_back({i * 0.01, 0, i * 0.01, 5.0 + i % 7});
    dir.write("big.dxf", dxf_of_lines(lines));
    TerminalSession t(
        {"plot", dir.file("big.dxf"), "--model", "TVK-DX4", "--yes", "-o", dir.file("out.plt")},
        config());
    ASSERT_TRUE(t.wait_for("Reading [")) << t.screen();
    t.type("\x03");
    EXPECT_EQ(t.wait_exit(), 130) << t.screen();
    EXPECT_TRUE(t.wait_for("plot stopped; nothing was written")) << t.screen();
    EXPECT_EQ(t.screen().find("Flattening"), std::string::npos) << t.screen();
    EXPECT_FALSE(file_exists(dir.file("out.plt")));
}

TEST_F(TerminalTest, CtrlCWhileThePlotWaitsOnAFullPortStopsThePlot) {
    // TVK-HG900L would buffer the whole plot; on a port its driver hands
    // each command over as it comes, here to a pipe that takes it only as
    // the test reads.
    const std::string profile = dir.file("p.toml");
    ASSERT_EQ(
        run_tvkplot({"configure", "--model", "TVK-HG900L", "--profile", profile, "--yes"}, config())
            .exit_code,
        0);
    std::string text = read_file(profile);
    text.replace(text.find("kind = \"serial\""), 15, "kind = \"other\"");
    dir.write("p.toml", text);
    std::vector<Line> lines;
    for (int i = 0; i < 20000; ++i) lines.push_back({0, i * 0.01, 100, (i % 97) * 1.0});
    dir.write("d.dxf", dxf_of_lines(lines));
    const std::string fifo = dir.file("port");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    TerminalSession t({"plot", dir.file("d.dxf"), "--profile", profile, "--port", fifo, "--yes"},
                      config());
    const int port = open(fifo.c_str(), O_RDONLY);
    ASSERT_GE(port, 0);
    char buffer[4096];
    ASSERT_GT(read(port, buffer, sizeof buffer), 0);
    // The plot is sending: it waits on the full pipe.
    ASSERT_TRUE(t.wait_for("p or the space bar pauses the plot")) << t.screen();
    t.type("\x03");
    // The terminal echoes ^C only after it has signalled the program; draining
    // the pipe before that would let the plot finish.
    ASSERT_TRUE(t.wait_for("^C")) << t.screen();
    while (read(port, buffer, sizeof buffer) > 0) {
    }
    close(port);
    EXPECT_EQ(t.wait_exit(), 130) << t.screen();
    EXPECT_TRUE(t.wait_for("plot stopped; ")) << t.screen();
    EXPECT_TRUE(t.wait_for(" bytes of the plot went to " + fifo)) << t.screen();
}

}  // namespace
}  // namespace tvk::host_test
