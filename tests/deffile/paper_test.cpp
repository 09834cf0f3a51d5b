// "[PAPER]": the sub-block of the chosen language, entry lines, TK-GL2
// origins, the limits, and load_paper_table's notices and reports.
#include <cstring>

#include "deffile_fixture.h"

namespace tvk::test {
namespace {

class PaperTest : public DefFileTest {
  protected:
    // Reads the paper list of model "M1" in `language` (a language bit).
    int read(const std::string& file, int16_t language) {
        set_models({"M1"});
        stored_config.language = language;
        open_file(file);
        const int r = read_paper_table();
        close_definition_file();
        return r;
    }
    int load(const std::string& file, int16_t language) {
        set_models({"M1"});
        stored_config.language = language;
        path = use_file(file);
        return load_paper_table();
    }
    std::string path;
};

constexpr const char* kM67 =
    "\nA list of supported paper sizes of the plotter does not exist; Max_area specification is "
    "used instead.\n";

TEST_F(PaperTest, EntriesOfTheChosenLanguageOnly) {
    const std::string file =
        "[PAPER]\n*M0\n%TK-GL1\nX,1,1\n"
        "*M1\nstray line\n%VTX-GL\nV,1,1\n"
        "%TK-GL1\nA4, 297 mm, 210 mm\n\"Letter Size\",11,8.5,5,5\n%TK-GL3\nZ,1,1\n";
    EXPECT_EQ(read(file, 0x02), 2);
    EXPECT_STREQ(paper_table[1].name, "A4");
    EXPECT_NEAR(paper_table[1].size_x, 11.6929133858, 1e-9);
    EXPECT_NEAR(paper_table[1].size_y, 8.2677165354, 1e-9);
    EXPECT_EQ(paper_table[1].origin_x, 0);
    EXPECT_STREQ(paper_table[2].name, "\"Letter Size\"");
    EXPECT_DOUBLE_EQ(paper_table[2].size_y, 8.5);
    EXPECT_EQ(paper_table[2].origin_x, 0) << "origins are read for TK-GL2 only";
    EXPECT_EQ(read(file, 0x01), 1);
    EXPECT_STREQ(paper_table[1].name, "V");
    EXPECT_EQ(read(file, 0x08), 1);
    EXPECT_EQ(read(file, 0x04), 0) << "no TK-GL2 sub-block";
    EXPECT_EQ(read("[PAPER]\n*M1\n%TK-GL1\n%TK-GL3\nZ,1,1\n", 0x02), 0);
    EXPECT_EQ(read("[SPEC]\n*M1\n%TK-GL1\nA,1,1\n", 0x02), 0) << "no [PAPER] section";
}

TEST_F(PaperTest, TkGl2NeedsOrigins) {
    EXPECT_EQ(read("[PAPER]\n*M1\n%TK-GL2\nA1,841MM,594MM,-120,+40x,99\n", 0x04), 1);
    EXPECT_EQ(paper_table[1].origin_x, -120);
    EXPECT_EQ(paper_table[1].origin_y, 40);
    EXPECT_EQ(read("[PAPER]\n*M1\n%TK-GL2\nA1,841MM,594MM\n", 0x04), -16);
    EXPECT_EQ(read("[PAPER]\n*M1\n%TK-GL2\nA1,841MM,594MM,X,1\n", 0x04), -16);
    EXPECT_EQ(read("[PAPER]\n*M1\n%TK-GL2\nA1,1,1,2147483648,0\n", 0x04), -16)
        << "an origin beyond 32 bits";
}

TEST_F(PaperTest, MalformedEntries) {
    for (const char* line :
         {"A,0,1", "A,-1,1", "A,29.7CM,21CM", "A,1", "A,1,,", "A,1,X", "A,65536,1"}) {
        EXPECT_EQ(read("[PAPER]\n*M1\n%TK-GL1\nB,2,2\n" + std::string(line) + "\n", 0x02), -16)
            << line;
        EXPECT_STREQ(paper_table[1].name, "B") << "entries before it stay";
    }
}

TEST_F(PaperTest, NameAndCountLimits) {
    std::string file = "[PAPER]\n*M1\n%TK-GL1\n" + std::string(50, 'n') + ",1,1\n";
    for (int i = 2; i <= 250; ++i) {
        file += 'P';
        file += std::to_string(i);
        file += ",1,1\n";
    }
    EXPECT_EQ(read(file, 0x02), 200);
    EXPECT_EQ(std::string(paper_table[1].name), std::string(45, 'N'));
    EXPECT_STREQ(paper_table[200].name, "P200");
}

TEST_F(PaperTest, LoadWithTheQueryFlagReadsNothing) {
    stored_config.flags |= kFlagPaperQuery;
    paper_count = 5;
    std::strcpy(definition_path, "/nonexistent/tvkplot.def");
    EXPECT_EQ(load_paper_table(), 0);
    EXPECT_EQ(paper_count, 0);
    EXPECT_EQ(host.printed, "");
}

TEST_F(PaperTest, LoadNoticesAMissingList) {
    EXPECT_EQ(load("[PAPER]\n*M1\n%VTX-GL\nA,1,1\n%TK-GL1\nB,1,1\n", 0x08), 0);
    EXPECT_EQ(host.printed, kM67);
    EXPECT_EQ(paper_count, 0);
}

TEST_F(PaperTest, LoadReportsAMalformedEntryWithItsLine) {
    EXPECT_EQ(load("[PAPER]\n*M1\n%TK-GL2\nA0, 1189 mm, 841 mm, 0, 0\nA1, 841 mm, 594 mm\n", 0x04),
              -1);
    EXPECT_EQ(host.printed,
              "\nIncorrect list of paper sizes in plotter definition file.\n"
              "Plotter definition file : " +
                  path +
                  "\nPlotter : M1\nLine number : 5\n"
                  "Data : \nA1, 841 mm, 594 mm \n");
    EXPECT_EQ(paper_count, -16);
}

TEST_F(PaperTest, LoadGivesTheCount) {
    EXPECT_EQ(load("[PAPER]\n*M1\n%TK-GL1\nA,1,1\nB,2,2\n", 0x02), 2);
    EXPECT_EQ(paper_count, 2);
    EXPECT_EQ(host.printed, "");
}

}  // namespace
}  // namespace tvk::test
