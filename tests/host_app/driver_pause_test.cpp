// The driver's pause after a definition-file error, as a user meets it: the
// message is shown before the pause and names the user's file, a terminal is
// told that Enter continues, Ctrl-C ends it, and nothing is left behind.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

class DriverPauseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // An upper-case name that the driver cannot be given: it reads a
        // private link to it, made in TMPDIR.
        const std::string models =
            "[PLOTTER]\n*TEST-\nONE\n%\n[PAPER]\n*TEST-ONE\n%TK-GL1\nA4, 297 MM, 210 MM\n";
        dir.write("Good.DEF", models + "[SPEC]\n*TEST-ONE\nPENS: 4\n");
        dir.write("Bad.DEF", models + "[SPEC]\n*TEST-ONE\nPENS: 4\nCOLOUR: BLUE\n");
        dir.write("d.dxf", dxf_of_lines({{0, 0, 10, 10}}));
        // The private directory goes to TMPDIR only where its name is lower case.
        tmp = "/tmp/tvkpausetest" + std::to_string(getpid());
        std::filesystem::create_directory(tmp);
        setenv("TMPDIR", tmp.c_str(), 1);
        ASSERT_EQ(run_tvkplot({"--def", dir.file("Good.DEF"), "configure", "--profile",
                               dir.file("p.toml"), "--yes"},
                              config())
                      .exit_code,
                  0);
    }
    void TearDown() override {
        unsetenv("TMPDIR");
        std::error_code ec;
        std::filesystem::remove_all(tmp, ec);
    }
    std::string config() const { return dir.file("config"); }
    std::vector<std::string> plot(bool with_profile) const {
        std::vector<std::string> args = {"--def", dir.file("Bad.DEF"), "plot", dir.file("d.dxf"),
                                         "-o",    dir.file("out.plt")};
        if (with_profile) args.insert(args.end(), {"--profile", dir.file("p.toml")});
        return args;
    }
    bool left_behind() const {
        return !std::filesystem::is_empty(tmp) || file_exists(dir.file("out.plt")) ||
               file_exists(dir.file("out.plt.part"));
    }
    TempDir dir;
    std::string tmp;
};

TEST_F(DriverPauseTest, TheMessageIsShownBeforeThePauseAndEnterEndsIt) {
    for (const bool with_profile : {true, false}) {
        SCOPED_TRACE(with_profile ? "with a profile" : "without a profile");
        TerminalSession t(plot(with_profile), config());
        if (!with_profile) {
            ASSERT_TRUE(t.wait_for("No profile for TEST-ONE")) << t.screen();
        }
        ASSERT_TRUE(t.wait_for("Incorrect plotter specifications")) << t.screen();
        // The user's file, not the private link the driver reads.
        ASSERT_TRUE(t.wait_for("Plotter definition file : " + dir.file("Bad.DEF"))) << t.screen();
        ASSERT_TRUE(t.wait_for("COLOUR: BLUE")) << t.screen();
        ASSERT_TRUE(t.wait_for("Press Enter to continue.")) << t.screen();
        const auto pressed = std::chrono::steady_clock::now();
        t.type("\r");
        EXPECT_EQ(t.wait_exit(), 1) << t.screen();
        // Well before the driver's 10 seconds.
        EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::seconds(5));
        EXPECT_EQ(t.screen().find("/tvkplot-"), std::string::npos) << t.screen();
        EXPECT_FALSE(left_behind());
    }
}

TEST_F(DriverPauseTest, CtrlCDuringThePauseEndsTheProgramLeavingNothingBehind) {
    const std::vector<std::vector<std::string>> commands = {
        plot(true),
        plot(false),
        {"--def", dir.file("Bad.DEF"), "configure", "--profile", dir.file("p.toml")},
        {"--def", dir.file("Bad.DEF"), "show", "--profile", dir.file("p.toml")},
    };
    for (const auto& args : commands) {
        SCOPED_TRACE(args[2]);
        TerminalSession t(args, config());
        ASSERT_TRUE(t.wait_for("Press Enter to continue.")) << t.screen();
        // The driver reads the private link meanwhile.
        EXPECT_FALSE(std::filesystem::is_empty(tmp));
        t.type("\x03");
        EXPECT_EQ(t.wait_exit(), 130) << t.screen();
        EXPECT_FALSE(left_behind());
    }
}

TEST_F(DriverPauseTest, InAScriptThePauseRunsAsTheDriverSays) {
    const auto started = std::chrono::steady_clock::now();
    const Outcome o = run_tvkplot(plot(true), config());
    EXPECT_EQ(o.exit_code, 1);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_NE(o.out.find("Plotter definition file : " + dir.file("Bad.DEF")), std::string::npos)
        << o.out;
    EXPECT_EQ(o.out.find("Press Enter"), std::string::npos) << o.out;
    EXPECT_FALSE(left_behind());
}

}  // namespace
}  // namespace tvk::host_test
