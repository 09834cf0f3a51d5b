// The plot-time questions on a terminal: a cancel ends the plot with its own
// exit code, and the driver's yes/no questions asked as a choice of two
// numbers take Y and N as well.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

class QuestionsTest : public ::testing::Test {
  protected:
    void SetUp() override { dir.write("d.dxf", dxf_of_lines({{0, 0, 10, 10}, {10, 10, 20, 0}})); }
    // TVK-DX4 with its defaults asks for the paper, the copies, the PE
    // command and the coordinate system.
    std::vector<std::string> plot_args() const {
        return {"plot", dir.file("d.dxf"), "--model", "TVK-DX4", "-o", dir.file("out.plt")};
    }
    std::string config() const { return dir.file("config"); }
    TempDir dir;
};

TEST_F(QuestionsTest, ACancelAtAPlotTimeQuestionEndsThePlotWithExitCode3) {
    for (const std::string key : {"\x1b", "\x04"}) {
        TerminalSession t(plot_args(), config());
        ASSERT_TRUE(t.wait_for("Select the number  (1 to 4) <1>: ")) << t.screen();
        t.type(key);
        EXPECT_EQ(t.wait_exit(), 3) << t.screen();
        EXPECT_NE(t.screen().find("plot cancelled; nothing was written"), std::string::npos)
            << t.screen();
        // Nothing more is asked.
        EXPECT_EQ(t.screen().find("additinal copies <0>: \r\n"), std::string::npos) << t.screen();
        EXPECT_EQ(t.screen().find("YES - 1"), std::string::npos) << t.screen();
        // Nor are the texts of the questions the driver goes on through shown.
        const size_t cancel = t.screen().find("*Cancel*");
        ASSERT_NE(cancel, std::string::npos) << t.screen();
        const std::string after = t.screen().substr(cancel);
        for (const char* text : {"copies", "PE", "oordinate"}) {
            EXPECT_EQ(after.find(text), std::string::npos) << text << "\n" << t.screen();
        }
        EXPECT_FALSE(file_exists(dir.file("out.plt")));
        EXPECT_FALSE(file_exists(dir.file("out.plt.part")));
    }
}

TEST_F(QuestionsTest, YAndNAnswerTheDriversNumberedYesNoQuestions) {
    struct Case {
        std::string typed;
        bool pe_used;
    };
    for (const Case& c :
         {Case{"n", false}, Case{"N", false}, Case{"yes", true}, Case{"2", false}}) {
        SCOPED_TRACE(c.typed);
        TerminalSession t(plot_args(), config());
        for (const char* prompt : {"(1 to 4) <1>: ", "copies <0>: "}) {
            ASSERT_TRUE(t.wait_for(prompt)) << t.screen();
            t.type("\r");
        }
        ASSERT_TRUE(t.wait_for("Do you wish to use PE command ?\r\n  YES - 1  NO - 2 <1>: "))
            << t.screen();
        t.type("x\r");
        ASSERT_TRUE(t.wait_for("Please enter a number from 1 to 2, or Y or N.")) << t.screen();
        ASSERT_TRUE(t.wait_for("YES - 1  NO - 2 <1>: ")) << t.screen();
        t.type(c.typed + "\r");
        EXPECT_EQ(t.finish_with_defaults(), 0) << t.screen();
        // PE opens every polyline-encoded run; without it the plot draws with PD.
        const std::string stream = read_file(dir.file("out.plt"));
        EXPECT_EQ(stream.find("PE") != std::string::npos, c.pe_used) << stream;
    }
}

}  // namespace
}  // namespace tvk::host_test
