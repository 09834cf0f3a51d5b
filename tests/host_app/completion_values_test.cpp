// The bash completion offers model names, languages and the model's papers
// where those are asked for, by asking tvkplot itself.
#include <gtest/gtest.h>

#include <cstdio>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

// What the completion offers for the words typed so far (the last being completed).
std::string offered(const std::string& script,
                    const std::vector<std::string>& words) {
    std::string array;
    for (const auto& w : words) array += " '" + w + "'";
    const std::string command = "bash -c 'source \"$0\"; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); "
                                "_tvkplot; printf \"%s\\n\" \"${COMPREPLY[@]}\"' " +
                                script + array + " 2>&1";
    std::string out;
    if (std::FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    return out;
}

TEST(CompletionValuesTest, ModelsLanguagesAndPapersComeFromTvkplot) {
    TempDir dir;
    const Outcome script = run_tvkplot({"completion", "bash", "-o", dir.file("tvkplot.bash")},
                                       dir.file("config"));
    ASSERT_EQ(script.exit_code, 0) << script.err;
    const std::string program = TVKPLOT_PROGRAM;
    EXPECT_EQ(offered(dir.file("tvkplot.bash"), {program, "plot", "x.dxf", "--model", "TVK-R"}),
              "TVK-RX24\nTVK-RX36\n");
    EXPECT_EQ(offered(dir.file("tvkplot.bash"), {program, "--lang", "J"}), "JA\n");
    EXPECT_EQ(offered(dir.file("tvkplot.bash"), {program, "preview", "--language", "TK-GL"}),
              "TK-GL1\nTK-GL2\nTK-GL3\n");
    EXPECT_EQ(offered(dir.file("tvkplot.bash"),
                      {program, "plot", "x.dxf", "--model", "TVK-RX24", "--paper", "ANSI-"}),
              "ANSI-D\nANSI-C\nANSI-B\n");
}

}  // namespace
}  // namespace tvk::host_test
