// What a new user is told when a command line goes wrong: each message says
// what is wrong in the user's words, and a command line that cannot be
// carried out exits with 2 before anything is plotted.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

class FirstMessagesTest : public ::testing::Test {
  protected:
    Outcome tvkplot(const std::vector<std::string>& args) const {
        return run_tvkplot(args, dir.file("config"));
    }
    TempDir dir;
};

TEST_F(FirstMessagesTest, CommandLinesThatCannotBeCarriedOutExitWith2) {
    dir.write("a.dxf", dxf_of_lines({{0, 0, 10, 0}}));
    dir.write("b.dxf", dxf_of_lines({{0, 0, 10, 10}}));
    const std::string a = dir.file("a.dxf"), b = dir.file("b.dxf");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"plot"}, "give a drawing to plot (DXF, SVG or a plot file)"},
        {{"plot", a, "--rotate", "sideways", "-o", dir.file("x.plt")},
         "takes no value but \"auto\", not \"sideways\""},
        {{"plot", a, "--margin", "-5", "--dry-run"}, "must be millimetres from 0 to 1000, not \"-5\""},
        {{"plot", a, "--copies", "0", "--dry-run"}, "from 1 to 100, not \"0\""},
        {{"plot", a, "--margin", "300", "--dry-run", "--yes"},
         "--margin 300 leaves nothing to draw on: the paper is 420 x 297 mm"},
        {{"plot", a, "--margin", "120", "--paper", "A4", "--scale", "1", "--dry-run", "--yes"},
         "the paper A4 is 297 x 210 mm"},
        {{"plot", a, b, "-o", dir.file("x.plt")}, "several drawings need several outputs"},
        {{"plot", a, "--json", "-o", "-"}, "--json writes the summary on standard output"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const Outcome o = tvkplot(c.args);
        EXPECT_EQ(o.exit_code, 2) << o.err;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_EQ(o.err.find("flatten"), std::string::npos) << o.err;
        EXPECT_EQ(o.err.find("cannot open"), std::string::npos) << o.err;
        EXPECT_EQ(o.err.find("000000"), std::string::npos) << o.err;
        EXPECT_FALSE(file_exists(dir.file("x.plt")));
    }
}

TEST_F(FirstMessagesTest, AWrongPaperIsRefusedBeforeTheOtherQuestions) {
    dir.write("a.dxf", dxf_of_lines({{0, 0, 10, 0}}));
    const Outcome o = tvkplot({"plot", dir.file("a.dxf"), "--model", "TVK-DX4", "--paper", "A9",
                               "--dry-run", "--yes"});
    EXPECT_EQ(o.exit_code, 1);
    EXPECT_NE(o.err.find("no paper \"A9\""), std::string::npos) << o.err;
    // The copies, PE and coordinate questions follow the paper's: not asked.
    EXPECT_EQ(o.out.find("copies"), std::string::npos) << o.out;
    EXPECT_EQ(o.out.find("YES - 1"), std::string::npos) << o.out;
}

TEST_F(FirstMessagesTest, ALanguageTheDefinitionFileHasNoTextsForIsNamed) {
    const Outcome es = tvkplot({"--lang", "es", "models"});
    EXPECT_EQ(es.exit_code, 0) << es.err;
    EXPECT_NE(es.err.find("has no texts in the language \"es\" (no <SPANISH> block)"),
              std::string::npos)
        << es.err;
    const Outcome de = tvkplot({"--lang", "de", "models"});
    EXPECT_EQ(de.err.find("no texts"), std::string::npos) << de.err;
}

}  // namespace
}  // namespace tvk::host_test
