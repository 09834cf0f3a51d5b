// The configuration's paper menu, shown twenty papers a page: the prompt
// says how many there are and how to see the rest, and the name of a paper
// of the page shown is taken as well as its number.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

TEST(ConfigureMenuTest, PaperMenuShowsItsRangeAndTakesAName) {
    TempDir dir;
    std::string def = read_file(example("tvkplot.def"));
    std::string papers;
    for (int i = 1; i <= 25; ++i) {
        papers += "P" + std::to_string(i) + ", " + std::to_string(100 + i) + " MM, 100 MM\n";
    }
    const size_t at = def.find("%TK-GL1\nA3, 420 MM, 297 MM\nA4, 297 MM, 210 MM\n");
    ASSERT_NE(at, std::string::npos);
    def.insert(at + 8, papers);
    dir.write("many.def", def);
    TerminalSession t({"--def", dir.file("many.def"), "configure", "--model", "TVK-PL400",
                       "--profile", dir.file("p.toml")},
                      dir.file("config"));
    // Enter through the questions before the paper's.
    bool at_paper = false;
    for (int i = 0; i < 40 && !at_paper; ++i) {
        ASSERT_TRUE(t.wait_for(">: ")) << t.screen();
        at_paper = t.screen().ends_with("(1 to 27; more: type a number beyond 20) <1>: ");
        if (!at_paper) t.type("\r");
    }
    ASSERT_TRUE(at_paper) << t.screen();
    t.type("p12\r");
    EXPECT_EQ(t.finish_with_defaults(), 0) << t.screen();
    const std::string profile = read_file(dir.file("p.toml"));
    // P12: 112 mm wide.
    EXPECT_NE(profile.find("width_in = 4.409"), std::string::npos) << profile;
}

}  // namespace
}  // namespace tvk::host_test
