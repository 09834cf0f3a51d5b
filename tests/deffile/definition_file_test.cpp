// The read at configuration and plot start, through the open request as a
// host sends it: messages, model list, and the reports about the file.
#include <cerrno>
#include <cstring>

#include "deffile_fixture.h"
#include "platform/platform.h"
#include "test_host/requests.h"

namespace tvk::test {
namespace {

// Initialise with a host path in the test's directory, so that the file
// written there is the one located; then the language code and the open request.
class ReadTest : public DefFileTest {
  protected:
    Record open_with(const std::string& content, const std::string& language = "") {
        use_file(content);
        initialise(Entry::kConfig, 1, 2, (dir / "acad.exe").string());
        if (!language.empty()) host_language(Entry::kConfig, language);
        host.clear_record();
        return open_request(Entry::kConfig);
    }
    std::string path() const { return (dir / "tvkplot.def").string(); }
    std::vector<std::string> models() const {
        std::vector<std::string> out;
        for (int i = 0; i < model_count; ++i) out.emplace_back(model_list[i]);
        return out;
    }
};

TEST_F(ReadTest, OnlyAPlotterSectionReadsWithEnglishMessages) {
    Record r = open_with("[PLOTTER]\n*TV-\n  a1 ; first\n a2\n%\n");
    EXPECT_EQ(r.status(), 0);
    EXPECT_EQ(host.printed, "");
    EXPECT_STREQ(definition_path, path().c_str());
    EXPECT_EQ(models(), (std::vector<std::string>{"TV-A1", "TV-A2"}));
    EXPECT_STREQ(message(10), "Select the number ");
}

TEST_F(ReadTest, OpenWorksAgainOnceInitialisedAfterAFailure) {
    use_file("[PLOTTER]\n*A\n1\n");
    const std::string host_path = (dir / "acad.exe").string();
    initialise(Entry::kConfig, 2, 2, host_path);  // not the AutoCAD host: latched
    host.clear_record();
    EXPECT_EQ(open_request(Entry::kConfig).status(), -1);
    EXPECT_EQ(host.printed, "");
    EXPECT_EQ(model_count, 0) << "the file was not read";
    initialise(Entry::kPlot, 1, 2, host_path);
    Record r(11);
    r.set_i16(4, 3).set_i16(6, 77);
    call(Entry::kConfig, r);
    EXPECT_EQ(r.status(), 0);
    EXPECT_EQ(r.i16(4), 3);
    EXPECT_EQ(r.i16(6), 0);
    EXPECT_EQ(model_count, 1);
}

TEST_F(ReadTest, MissingFileIsReportedWithItsPath) {
    initialise(Entry::kConfig, 1, 2, (dir / "acad.exe").string());
    // Nothing found anywhere: the fallback path is opened and fails.
    auto& hooks = platform::hooks();
    hooks.get_env = [](const char*) -> const char* { return nullptr; };
    hooks.current_directory = [](char*, std::size_t) { return false; };
    hooks.path_exists = [](const char*) { return false; };
    host.clear_record();
    Record r = open_request(Entry::kConfig);
    EXPECT_EQ(r.status(), -1);
    EXPECT_EQ(host.printed, "\nPlotter definition file does not exist. \"tvkplot.def\".\n");
    EXPECT_EQ(error_latch, kLatchSetup);
    EXPECT_EQ(host.paused_seconds(), 11);
}

TEST_F(ReadTest, NoModelsIsReportedWithM30) {
    Record r = open_with("[MESSAGE]\n<GERMAN>\nM30:\"Keine Modelle: %s\"\n%\n[PLOTTER]\n%\n", "de");
    EXPECT_EQ(r.status(), -1);
    EXPECT_EQ(host.printed, "\nKeine Modelle: %s\nPlotter definition file : " + path() + "\n");
    EXPECT_EQ(model_count, 0);
}

TEST_F(ReadTest, NoPlotterSectionAtAll) {
    EXPECT_EQ(open_with("; nothing\n").status(), -1);
    EXPECT_EQ(host.printed,
              "\nA list of supported plotter models does not exist in plotter definition file.\n"
              "Plotter definition file : " +
                  path() + "\n");
}

TEST_F(DefFileTest, ReadErrorReportNamesTheSystemReason) {
    std::strcpy(definition_path, "/x/tvkplot.def");
    errno = ENOENT;
    report_read_error(message(29), message(34));
    EXPECT_EQ(host.printed, std::string("\nPlotter definition file read error occured. : ") +
                                std::strerror(ENOENT) +
                                "\n\nPlotter definition file : /x/tvkplot.def\n");
}

TEST_F(ReadTest, ReadErrorWhileReadingMessagesUsesTheFixedTexts) {
    // A directory opens on POSIX but cannot be read.
    std::filesystem::create_directory(dir / "tvkplot.def");
    initialise(Entry::kConfig, 1, 2, (dir / "acad.exe").string());
    host.clear_record();
    EXPECT_EQ(open_request(Entry::kConfig).status(), -1);
    EXPECT_EQ(host.printed, std::string("\nPlotter definition file read error occured. : ") +
                                std::strerror(EISDIR) + "\n\nPlotter definition file :  " + path() +
                                "\n");
}

// ---- model list --------------------------------------------------------------------

TEST_F(ReadTest, ModelNamesJoinPrefixAndLine) {
    const std::string p20(20, 'P'), l20(20, 'l'), p32(32, 'Q');
    open_with(
        "[PLOTTER]\n"
        "orphan\n"  // before any prefix: skipped
        "*Series-\n"
        "10\n"
        "  lower case 20 \n"
        "\"Quoted Name\"\n"
        "*\n"
        "skipped\n"  // empty prefix
        "*" +
        p20 + "\n" + l20 +
        "\n"
        "*" +
        p32 +
        "\nx\ny\n"
        "[SPEC]\n"
        "*Series-\n"
        "not-a-model\n");
    EXPECT_EQ(models(),
              (std::vector<std::string>{"SERIES-10", "SERIES-LOWERCASE20", "SERIES-\"Quoted Name\"",
                                        p20 + std::string(12, 'L'), p32, p32}));
}

TEST_F(ReadTest, ModelListStopsAtAHundredAndAtTheFirstSection) {
    std::string file = "[PLOTTER]\n*M\n";
    for (int i = 0; i < 101; ++i) file += std::to_string(i) + "\n";
    file += "[PLOTTER]\n*N\n1\n";
    open_with(file);
    EXPECT_EQ(model_count, 100);
    EXPECT_STREQ(model_list[99], "M99");
    // Without "%" the list runs to the end of the file.
    open_with("[plotter]\n*A\n1\n2");
    EXPECT_EQ(models(), (std::vector<std::string>{"A1", "A2"}));
}

// ---- messages ----------------------------------------------------------------------

TEST_F(ReadTest, MessagesOfTheHostLanguageBlock) {
    const std::string file =
        "[MESSAGE]\n"
        "<ENGLISH>\nM10:\"english\"\n%\n"
        "<GERMAN>\n"
        "M10: \"Nummer w\xe4hlen; bitte \"  ; comment\n"
        "m11:\"Stoppbits:\"\n"
        "M05:\n"
        "M06:Wort\n"
        "M70:\"no such key\"\n"
        "M07:\"first\"\nM07:\"second\"\n"
        "M08:\"" +
        std::string(130, 'x') +
        "\"\n"
        "%\n"
        "[PLOTTER]\n*A\n1\n";
    open_with(file, "de");
    EXPECT_STREQ(tvk::host_language, "DE") << "upper-cased in place";
    EXPECT_STREQ(message(10), "Nummer w\xe4hlen; bitte ");
    EXPECT_STREQ(message(11), "Stoppbits:");
    EXPECT_STREQ(message(5), "");
    EXPECT_STREQ(message(6), "ORT") << "an unquoted text loses its first letter";
    EXPECT_STREQ(message(7), "second");
    EXPECT_EQ(std::string(message(8)), std::string(122, 'x')) << "what a 127-byte piece leaves";
    EXPECT_STREQ(message(9), "Baud rate :");
    EXPECT_EQ(model_count, 1) << "the file was rewound for the model list";
}

TEST_F(ReadTest, BlockIsFoundAfterOtherSectionsAndRunsToTheEnd) {
    open_with("[MESSAGE]\n[PLOTTER]\n*A\n1\n%\n<FRENCH>\nM10:\"Choisir \"", "FR");
    EXPECT_STREQ(message(10), "Choisir ");
    EXPECT_EQ(model_count, 1);
}

TEST_F(ReadTest, UnknownLanguageCodesUseTheEnglishBlock) {
    const std::string file = "[MESSAGE]\n<ENGLISH>\nM10:\"Pick \"\n[PLOTTER]\n*A\n1\n";
    for (const char* code : {"JAP", "EN"}) {
        reset_message_table();
        open_with(file, code);
        EXPECT_STREQ(message(10), "Pick ") << code;
    }
    // With a code of the list and no block of its own, English is not read.
    reset_message_table();
    open_with(file, "de");
    EXPECT_STREQ(message(10), "Select the number ");
}

TEST_F(ReadTest, JapaneseBlockKeepsShiftJisText) {
    open_with(
        "[MESSAGE]\n<JAPANESE>\nM10:\"\x94\xd4\x8d\x86\x81\x40\x82\xf0\x91\x49\x91\xf0\"\n"
        "[PLOTTER]\n*A\n1\n",
        "ja");
    EXPECT_STREQ(message(10), "\x94\xd4\x8d\x86  \x82\xf0\x91\x49\x91\xf0");
}

// ---- reports -----------------------------------------------------------------------

TEST_F(DefFileTest, DefinitionErrorReportCutsTheDataLine) {
    set_models({"TV-A1"});
    std::strcpy(definition_path, "/d/tvkplot.def");
    std::strcpy(raw_definition_line, (std::string(85, 'q') + "\n").c_str());
    definition_line_number = 37;
    report_definition_error("Bad 100%s");
    EXPECT_EQ(host.printed,
              "\nBad 100%s\nPlotter definition file : /d/tvkplot.def\nPlotter : TV-A1\n"
              "Line number : 37\nData : \n" +
                  std::string(79, 'q') + "\n");
}

TEST_F(DefFileTest, DefinitionErrorReportKeepsATwoByteCharacterWhole) {
    set_models({"M"});
    const std::string line = std::string(78, 'q') + "\x88\xa0" + "rest";
    std::strcpy(raw_definition_line, line.c_str());
    set_language("JA");
    report_definition_error("E");
    EXPECT_NE(host.printed.find("Data : \n" + line.substr(0, 80) + "\n"), std::string::npos);
    host.clear_record();
    set_language("DE");
    report_definition_error("E");
    EXPECT_NE(host.printed.find("Data : \n" + line.substr(0, 79) + "\n"), std::string::npos);
}

}  // namespace
}  // namespace tvk::test
