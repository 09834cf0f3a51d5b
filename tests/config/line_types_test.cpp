// The line-type list of each language, exactly as printed.
#include "config_fixture.h"

namespace tvk::test {
namespace {

using LineTypesTest = ConfigTest;

constexpr const char* kHead = "\nLine types    0 = continuous line";
constexpr const char* kIndent = "\n                  ";
const char* const kPattern[9] = {"",
                                 " = ................................",
                                 " = ----    ----    ----    ----    ",
                                 " = -----   -----   -----   -----   ",
                                 " = ------. ------. ------. ------. ",
                                 " = ---- -  ---- -  ---- -  ---- -  ",
                                 " = --- - - --- - - --- - - --- - - ",
                                 " = ------ . . ------ . . ------ . .",
                                 " = ------ . - . ------ . - . ------ . - . "};

std::string hpgl_list(int last) {
    std::string s = kHead;
    for (int n = 1; n <= last; ++n) s += kIndent + std::to_string(n) + kPattern[n];
    return s + "\n";
}

TEST_F(LineTypesTest, EachLanguageListsItsTypes) {
    struct Case {
        int16_t language;
        std::string expected;
    };
    std::string vtx = kHead;
    for (int n = 1; n <= 5; ++n) vtx += kIndent + std::to_string(n) + kPattern[n + 1];
    vtx += "\n";
    const Case cases[] = {{2, hpgl_list(6)}, {4, hpgl_list(6)}, {8, hpgl_list(8)}, {1, vtx}};
    for (const Case& c : cases) {
        host.clear_record();
        stored_config.language = c.language;
        EXPECT_EQ(show_line_types(), 0);
        EXPECT_EQ(host.printed, c.expected) << "language bit " << c.language;
        EXPECT_EQ(host.prompts, 0);
    }
    // Only the VTX-GL list carries its closing line feed in its last line.
    EXPECT_EQ(host.calls.back().text, std::string(kIndent) + "5" + kPattern[6] + "\n");
}

TEST_F(LineTypesTest, PatternsFromTheDefinitionFileArePrintedAsData) {
    std::strcpy(message_table[23], " = %s%n%d");
    stored_config.language = 2;
    show_line_types();
    EXPECT_NE(host.printed.find("\n                  1 = %s%n%d"), std::string::npos);
}

}  // namespace
}  // namespace tvk::test
