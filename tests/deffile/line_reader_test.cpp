// The line grammar: blanks, case, comments, quotes, 127-byte pieces and
// Shift JIS text in Japanese mode.
#include <string>
#include <vector>

#include "deffile_fixture.h"

namespace tvk::test {
namespace {

using Lines = std::vector<std::string>;

TEST_F(DefFileTest, BlanksCaseAndCommentsOutsideQuotes) {
    EXPECT_EQ(lines_of("  m05 : \"Do; you\" ; a comment\n"
                       "\n"
                       "   ; comment line\n"
                       "[ spec ]\r\n"
                       "pens:\t8\n"
                       "START(TK-GL1):\"a\tb\rc\"x\n"),
              (Lines{"M05:\"Do; you\"", "[SPEC]", "PENS:8", "START(TK-GL1):\"a\tb\rc\"X"}));
}

TEST_F(DefFileTest, OpenQuoteIsClosedAtTheEndOfItsLine) {
    // The newline inside the open quote stays; the next line starts outside
    // quotes, also after a comment line with an odd quote.
    EXPECT_EQ(lines_of("a \"b c\n"
                       "; comment \" odd\n"
                       "d e\n"),
              (Lines{"A\"b c\n\"", "DE"}));
}

TEST_F(DefFileTest, LongLinesComeInPiecesCountedAsLines) {
    const std::string long_line(126, 'a');
    open_file(long_line + "\n" + std::string(127, 'b') + "\n" + std::string(300, 'c') + "\nz\n");
    definition_line_number = 0;
    std::vector<std::pair<std::string, int>> got;
    while (read_definition_line() == 0) got.emplace_back(definition_line, definition_line_number);
    const std::vector<std::pair<std::string, int>> want = {
        {std::string(126, 'A'), 1},
        {std::string(127, 'B'), 2},  // its newline follows as a blank
                                     // piece (3), skipped
        {std::string(127, 'C'), 4},
        {std::string(127, 'C'), 5},
        {std::string(46, 'C'), 6},
        {"Z", 7},
    };
    EXPECT_EQ(got, want);
    EXPECT_EQ(definition_line_number, 8) << "the end of the file counts as a read";
}

TEST_F(DefFileTest, EndOfFileAndAFileWithoutFinalNewline) {
    open_file("x");
    EXPECT_EQ(read_definition_line(), 0);
    EXPECT_STREQ(definition_line, "X");
    EXPECT_EQ(read_definition_line(), 1);
    EXPECT_STREQ(definition_line, "") << "cleared before each read";
    close_definition_file();
    EXPECT_EQ(read_definition_line(), -1) << "no file open";
}

TEST_F(DefFileTest, JapaneseModeKeepsTwoByteCharactersInsideQuotes) {
    set_language("JA");
    // Outside quotes a full-width space is a blank; inside it becomes two
    // spaces. 0x81 0x81 is one character, and the 0x40 after it stays.
    EXPECT_EQ(lines_of("a\x81\x40"
                       "b \"\x81\x40\x81\x81\x40"
                       "a\"\n"),
              (Lines{"AB\"  \x81\x81@a\""}));
    // A second byte in a..z outside quotes is upper-cased like any byte.
    EXPECT_EQ(lines_of("\x88\x61\n"), (Lines{"\x88"
                                             "A"}));
}

TEST_F(DefFileTest, OtherLanguagesCopyShiftJisBytesAsTheyAre) {
    set_language("DE");
    EXPECT_EQ(lines_of("a\x81\x40"
                       "b \"\x81\x40\"\n"),
              (Lines{"A\x81@B\"\x81@\""}));
}

TEST_F(DefFileTest, LeadByteAtTheEndOfAPieceStaysInsideIt) {
    // A lead byte as the 127th byte of a piece, inside quotes: the reader
    // must not step past the piece's end into stale bytes.
    set_language("JA");
    const std::string line = "\"" + std::string(125, 'k') + "\x88";
    const auto got = lines_of(line + "x\n");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], line + "\"");
    EXPECT_EQ(got[1], "X");
}

}  // namespace
}  // namespace tvk::test
