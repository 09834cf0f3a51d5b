// Habits of the command line: the program's options anywhere on the line,
// --version, and the completion scripts and manual page made from the
// option definitions (loaded by bash as a shell loads them).
#include <gtest/gtest.h>

#include <cstdio>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

// What a bash that has loaded the completion script offers for a line.
std::string bash_completes(const std::string& script, const std::string& words, int cword) {
    const std::string command = "bash -c 'source " + script + " && COMP_WORDS=(" + words +
                                ") && COMP_CWORD=" + std::to_string(cword) +
                                " && _tvkplot && echo \"${COMPREPLY[*]}\"' 2>&1";
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        pclose(p);
    }
    return out;
}

TEST(CommandLine, ProgramOptionsStandAnywhereAndVersionIsShown) {
    TempDir dir;
    dir.write("d.dxf", dxf_of_lines({{0, 0, 10, 0, 1}}));
    // --lang after the command and its drawing: the driver's texts in German.
    const Outcome o =
        run_tvkplot({"plot", dir.file("d.dxf"), "--dry-run", "--lang", "DE"}, dir.file("config"));
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_NE(o.out.find("Papier"), std::string::npos) << o.out;

    const Outcome v = run_tvkplot({"--version"}, dir.file("config"));
    EXPECT_EQ(v.exit_code, 0);
    EXPECT_TRUE(v.out.starts_with("tvkplot ")) << v.out;
}

TEST(CommandLine, CompletionScriptsAndManualPageComeFromTheOptions) {
    TempDir dir;
    const std::string config = dir.file("config");
    const std::string bash = dir.file("tvkplot.bash");
    ASSERT_EQ(run_tvkplot({"completion", "bash", "-o", bash}, config).exit_code, 0);
    EXPECT_EQ(bash_completes(bash, "tvkplot pl", 1), "plot\n");
    EXPECT_EQ(bash_completes(bash, "tvkplot plot a.dxf --pap", 3), "--paper\n");
    EXPECT_EQ(bash_completes(bash, "tvkplot plot a.dxf --exc", 3), "--exclude-layers\n");
    // The program's own options, after the command too.
    EXPECT_EQ(bash_completes(bash, "tvkplot plot --la", 2),
              "--language --layout --layer-pen --layers --lang\n");
    EXPECT_EQ(bash_completes(bash, "tvkplot preview --un", 2), "--units-per-inch\n");

    // zsh and fish scripts name every option of plot; the manual page too.
    for (const char* shell : {"zsh", "fish"}) {
        const Outcome o = run_tvkplot({"completion", shell}, config);
        EXPECT_EQ(o.exit_code, 0);
        for (const char* option : {"paper", "layer-pen", "dry-run", "rotate"})
            EXPECT_NE(o.out.find(option), std::string::npos) << shell << " " << option;
    }
    const Outcome man = run_tvkplot({"man"}, config);
    EXPECT_EQ(man.exit_code, 0);
    EXPECT_TRUE(man.out.starts_with(".TH TVKPLOT 1")) << man.out.substr(0, 40);
    EXPECT_NE(man.out.find("\\fB\\-\\-exclude\\-layers\\fR \\fIA,B\\fR"), std::string::npos);
    // Listed in the help with the other commands.
    const Outcome help = run_tvkplot({"--help"}, config);
    EXPECT_NE(help.out.find("\n  completion "), std::string::npos) << help.out;
}

}  // namespace
}  // namespace tvk::host_test
