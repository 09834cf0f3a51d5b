// Several drawings plotted to a port from a terminal: tvkplot asks for new
// paper between them, and Esc there stops before the next one.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

class PlotTerminalTest : public ::testing::Test {
  protected:
    // A profile of the first model whose port is written as it stands, and
    // that port as a plain file.
    void SetUp() override {
        ASSERT_EQ(
            run_tvkplot({"configure", "--model", "TVK-PL400", "--profile", profile(), "--yes"},
                        config())
                .exit_code,
            0);
        std::string text = read_file(profile());
        text.replace(text.find("kind = \"serial\""), 15, "kind = \"other\"");
        dir.write("p.toml", text);
        dir.write("port", "");
        dir.write("a.dxf", dxf_of_lines({{0, 0, 10, 0, 1}}));
        dir.write("b.dxf", dxf_of_lines({{0, 0, 0, 10, 2}}));
    }
    std::string config() const { return dir.file("config"); }
    std::string profile() const { return dir.file("p.toml"); }
    std::vector<std::string> plot_both() const {
        return {"plot",   dir.file("a.dxf"), dir.file("b.dxf"), "--profile", profile(),
                "--port", dir.file("port"),  "--paper",         "A4"};
    }
    TempDir dir;
};

TEST_F(PlotTerminalTest, NewPaperIsAskedForBetweenDrawingsOnAPort) {
    TerminalSession t(plot_both(), config());
    ASSERT_TRUE(t.wait_for("Put in new paper for " + dir.file("b.dxf") + ", then go on?"))
        << t.screen();
    EXPECT_NE(t.screen().find("Sent the plot of " + dir.file("a.dxf")), std::string::npos);
    EXPECT_EQ(t.finish_with_defaults(), 0) << t.screen();
    EXPECT_NE(t.screen().find("Sent the plot of " + dir.file("b.dxf")), std::string::npos)
        << t.screen();
}

TEST_F(PlotTerminalTest, EscAtThePaperQuestionStopsBeforeTheNextDrawing) {
    TerminalSession t(plot_both(), config());
    ASSERT_TRUE(t.wait_for("then go on?")) << t.screen();
    t.type("\x1b");
    EXPECT_EQ(t.wait_exit(), 3) << t.screen();
    EXPECT_TRUE(t.wait_for("stopped before " + dir.file("b.dxf"))) << t.screen();
    EXPECT_EQ(t.screen().find("Sent the plot of " + dir.file("b.dxf")), std::string::npos);
}

TEST_F(PlotTerminalTest, WithYesNothingIsAsked) {
    std::vector<std::string> args = plot_both();
    args.push_back("--yes");
    const Outcome o = run_tvkplot(args, config());
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(o.out.find("new paper"), std::string::npos) << o.out;
    EXPECT_EQ(o.err.find("new paper"), std::string::npos) << o.err;
    EXPECT_NE(o.out.find("Sent the plot of " + dir.file("b.dxf")), std::string::npos) << o.out;
}

}  // namespace
}  // namespace tvk::host_test
