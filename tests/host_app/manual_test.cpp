// The help and the manual page a new user reads: every command and option
// is there, the exit codes are, and the manual holds the reference text.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

const char* const kCommands[] = {"models", "configure", "show",   "plot",       "preview",
                                 "layers", "layouts",   "ports",  "send",       "completion",
                                 "man"};

TEST(ManualTest, HelpListsEveryCommandAndTheExitCodes) {
    TempDir dir;
    const Outcome help = run_tvkplot({"--help"}, dir.file("config"));
    ASSERT_EQ(help.exit_code, 0) << help.err;
    for (const char* command : kCommands) {
        EXPECT_NE(help.out.find("\n  " + std::string(command) + " "), std::string::npos)
            << command << "\n"
            << help.out;
    }
    for (const char* code : {"\n  0  ", "\n  1  ", "\n  2  ", "\n  3  ", "\n  130  "}) {
        EXPECT_NE(help.out.find(code), std::string::npos) << code << help.out;
    }
    const Outcome plot = run_tvkplot({"plot", "--help"}, dir.file("config"));
    EXPECT_NE(plot.out.find("--rotate-auto"), std::string::npos) << plot.out;
    EXPECT_NE(plot.out.find("The same as --rotate auto"), std::string::npos) << plot.out;
    EXPECT_NE(plot.out.find("--keep-going"), std::string::npos) << plot.out;
}

TEST(ManualTest, ManualPageHasTheReferenceAndAnExitStatusSection) {
    TempDir dir;
    const std::string reference = std::string(TVK_SOURCE_DIR) + "/doc/reference.md";
    const Outcome man =
        run_tvkplot({"man", "--reference", reference, "-o", dir.file("tvkplot.1")},
                    dir.file("config"));
    ASSERT_EQ(man.exit_code, 0) << man.err;
    const std::string page = read_file(dir.file("tvkplot.1"));
    for (const char* section : {".SH \"EXIT STATUS\"", ".SH \"PROFILES\"", ".SH \"PLOTTING\"",
                                ".SS \"SVG\"", ".SH \"SCRIPTS AND EXIT CODES\""}) {
        EXPECT_NE(page.find(section), std::string::npos) << section;
    }
    for (const char* command : kCommands) {
        EXPECT_NE(page.find(".SS \"tvkplot " + std::string(command) + "\""), std::string::npos)
            << command;
    }
    // Every option has its description.
    EXPECT_EQ(page.find(".TP\n\\fB\\-\\-rotate\\-auto\\fR\n\n"), std::string::npos);
    // Markdown marks do not reach the page.
    EXPECT_EQ(page.find('`'), std::string::npos);
    EXPECT_EQ(page.find("**"), std::string::npos);
}

}  // namespace
}  // namespace tvk::host_test
