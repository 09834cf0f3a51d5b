// The paper menu in both forms and the plotter's paper query.
#include "config_fixture.h"

namespace tvk::test {
namespace {

using PaperMenuTest = ConfigTest;

std::string entries(int from, int to) {
    std::string s;
    char line[64];
    for (int i = from; i <= to; ++i) {
        std::snprintf(line, sizeof line, "  %3d. P%d\n", i, i);
        s += line;
    }
    return s;
}

TEST_F(PaperMenuTest, ConfigurationFormPagesToTheAnswerAndAcceptsOnThePageShown) {
    set_papers(45);
    current_paper.number = 23;
    host.answers = {value(41), value(41)};
    EXPECT_EQ(paper_menu(kPaperMenuConfiguration), 41);
    EXPECT_EQ(transcript(host), "\nPaper size :\n\n" + entries(21, 40) +
                                    "\n[ask_choice Select the number |1|45|23][c]"
                                    "\nPaper size :\n\n" +
                                    entries(41, 45) +
                                    "\n[ask_choice Select the number |1|45|23][c]");
    EXPECT_EQ(current_paper.number, 41);
    EXPECT_EQ(stored_config.paper, 41);
    EXPECT_EQ(current_paper.area_x, 41.0);
    EXPECT_EQ(current_paper.area_y, 20.5);
    EXPECT_EQ(current_paper.origin_x, -41);
    EXPECT_EQ(current_paper.origin_y, -82);
}

TEST_F(PaperMenuTest, AnotherPaperOnThePageShownIsAcceptedAtOnce) {
    set_papers(45);
    current_paper.number = 23;
    host.answers = {value(40)};
    EXPECT_EQ(paper_menu(kPaperMenuConfiguration), 40);
    EXPECT_EQ(host.prompts, 1);
}

TEST_F(PaperMenuTest, PlotTimeFormShowsTenAndTheCountInThePrompt) {
    set_papers(10);
    for (int answer = 1; answer <= 10; ++answer) {
        host.clear_record();
        current_paper.number = 3;
        host.answers = {value(answer)};
        EXPECT_EQ(paper_menu(kPaperMenuPlotTime), answer);
        EXPECT_EQ(host.prompts, 1);
    }
    EXPECT_EQ(transcript(host), "Paper size :\n" + entries(1, 10) +
                                    "[ask_choice Select the number  (1 to 10) |1|10|3][c]");
}

TEST_F(PaperMenuTest, JapaneseHostGetsTheJapanesePlotTimePromptOnly) {
    set_papers(12);
    std::strcpy(tvk::host_language, "JA");
    EXPECT_EQ(paper_menu(kPaperMenuPlotTime), 1);
    EXPECT_EQ(host.prompt_texts().at(0), "Select the number  (1 \x82\xa9\x82\xe7 12) ");
    host.clear_record();
    EXPECT_EQ(paper_menu(kPaperMenuConfiguration), 1);
    EXPECT_EQ(host.prompt_texts().at(0), "Select the number ");
}

TEST_F(PaperMenuTest, CancelChangesNothing) {
    set_papers(5);
    current_paper = {2, 7.0, 8.0, 1, 1};
    stored_config.paper = 2;
    host.answers = {cancel()};
    EXPECT_EQ(paper_menu(kPaperMenuPlotTime), -1);
    EXPECT_EQ(current_paper.number, 2);
    EXPECT_EQ(current_paper.area_x, 7.0);
    EXPECT_EQ(stored_config.paper, 2);
}

// A host that does not check the range: the nearest paper in the list.
TEST_F(PaperMenuTest, AnswersOutsideTheListTakeTheNearestPaper) {
    set_papers(45);
    current_paper.number = 23;
    host.answers = {value(999), value(45)};
    EXPECT_EQ(paper_menu(kPaperMenuConfiguration), 45);
    EXPECT_EQ(host.prompts, 2) << "999 showed the last page";
    host.clear_record();
    current_paper.number = 3;
    host.answers = {value(-5)};
    EXPECT_EQ(paper_menu(kPaperMenuPlotTime), 1);
    // A current paper number outside the list starts at paper 1.
    for (int32_t number : {0, -7, 300}) {
        host.clear_record();
        current_paper.number = number;
        EXPECT_EQ(paper_menu(kPaperMenuConfiguration), 1);
        EXPECT_EQ(host.calls_of("ask_choice").at(0).ints, (std::vector<int32_t>{1, 45, 1}));
    }
}

// ---- paper query --------------------------------------------------------------

class PaperQueryTest : public ConfigTest {
  protected:
    void SetUp() override {
        ConfigTest::SetUp();
        plotter_resolution = 1016;
        current_paper = {4, 16.53, 11.65, 0, 0};
    }
    bool paper_unchanged() const {
        return current_paper.area_x == 16.53 && current_paper.area_y == 11.65 &&
               current_paper.origin_x == 0 && current_paper.origin_y == 0 &&
               current_paper.number == 4;
    }
};

TEST_F(PaperQueryTest, QueriesThePlotterAndTakesTheWholeInches) {
    host.reply = "-100,-200,16400,10900\r";
    EXPECT_EQ(paper_query(), 0);
    EXPECT_EQ(current_paper.origin_x, -100);
    EXPECT_EQ(current_paper.origin_y, -200);
    EXPECT_EQ(current_paper.area_x, 16.0);
    EXPECT_EQ(current_paper.area_y, 10.0);
    EXPECT_EQ(host.direct,
              std::vector<std::string>{"\x1b.M300;0;0;13;26;0:\x1b.I81;0;17:\x1b.N50;19:"
                                       "\x1b.@;0:OH;"});
    std::vector<std::string> order;
    for (const auto& c : host.calls) order.push_back(c.service);
    EXPECT_EQ(order, (std::vector<std::string>{"set_wait", "send_direct", "reply_open",
                                               "reply_setup", "reply_read"}));
    EXPECT_EQ(host.calls[0].ints, (std::vector<int32_t>{3000, 0}));
    EXPECT_EQ(host.calls[2].ints, std::vector<int32_t>{2});
    EXPECT_EQ(host.calls[3].ints, (std::vector<int32_t>{5, 3, 3000, 40}));
    EXPECT_EQ(host.calls[4].ints, (std::vector<int32_t>{5, 40}));
    EXPECT_EQ(host.printed, "");
}

TEST_F(PaperQueryTest, RepliesThatScanAsFourNumbers) {
    struct Case {
        const char* reply;
        double x, y;
    };
    const Case cases[] = {{"0,0,16256,10160\r", 16, 10},
                          {" -10, -10, 2022, 1006\r", 2, 1},  // %d skips blanks
                          {"-1,-1,1100,1100;junk", 1, 1},     // text after the numbers
                          {"+0,-0,1016,1016\rmore", 1, 1}};
    for (const Case& c : cases) {
        current_paper = {4, 16.53, 11.65, 0, 0};
        host.reply = c.reply;
        EXPECT_EQ(paper_query(), 0) << c.reply;
        EXPECT_EQ(current_paper.area_x, c.x) << c.reply;
        EXPECT_EQ(current_paper.area_y, c.y) << c.reply;
    }
}

TEST_F(PaperQueryTest, UnusableRepliesLeaveThePaper) {
    for (const char* reply :
         {"100,-200,16400,10900\r", "-100,1,16400,10900\r", "-100,-200,16400\r",
          "-100,-200,16400,\r", "-100 ,-200,16400,10900\r", "junk\r", "\r",
          "-1,-1,99999999999,10900\r", "-1,-1,-2147483649,10900\r",
          "-100,-200,-5000,10900\r",  // no area: the far corner left of the near one
          "-100,-200,500,10900\r",    // under one inch
          "-100,-200,16400\r,10900"}) {
        host.reply = reply;
        EXPECT_EQ(paper_query(), -1) << reply;
        EXPECT_TRUE(paper_unchanged()) << reply;
    }
    EXPECT_EQ(host.printed, "");
}

TEST_F(PaperQueryTest, ExtremeCornersDoNotOverflow) {
    host.reply = "-2147483648,-2147483648,2147483647,2147483647";
    EXPECT_EQ(paper_query(), 0);
    EXPECT_EQ(current_paper.area_x, static_cast<double>(4294967295LL / 1016));
}

TEST_F(PaperQueryTest, NoReplyIsReported) {
    host.reply = "";
    EXPECT_EQ(paper_query(), -8);
    EXPECT_EQ(host.printed, "\nPlotter does not reply to query on paper size.\n");
    EXPECT_TRUE(paper_unchanged());
}

TEST_F(PaperQueryTest, AFullReplyWithoutTerminatorIsReadWithinTheBuffer) {
    host.reply = std::string(40, '7');
    EXPECT_EQ(paper_query(), -1);
    host.reply = "-1,-1,1017,2033," + std::string(30, '9');
    EXPECT_EQ(paper_query(), 0);
    EXPECT_EQ(current_paper.area_y, 2.0);
}

TEST_F(PaperQueryTest, AZeroResolutionIsRefused) {
    plotter_resolution = 0;
    host.reply = "-100,-200,16400,10900\r";
    EXPECT_EQ(paper_query(), -1);
    EXPECT_TRUE(paper_unchanged());
}

}  // namespace
}  // namespace tvk::test
