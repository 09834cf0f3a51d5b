// Locating tvkplot.def, in the Windows and the POSIX variant of the rules,
// with a fake file system, current directory and environment.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "deffile/deffile.h"
#include "platform/platform.h"

namespace tvk::test {
namespace {

// The fake world the hooks answer from.
std::set<std::string> g_files;
std::map<std::string, std::string> g_env;
std::string g_cwd;

bool fake_exists(const char* path) {
    return g_files.count(path) != 0;
}
bool fake_cwd(char* buf, std::size_t size) {
    if (g_cwd.empty() || g_cwd.size() + 1 > size) return false;
    std::copy(g_cwd.begin(), g_cwd.end(), buf);
    buf[g_cwd.size()] = '\0';
    return true;
}
const char* fake_env(const char* name) {
    const auto it = g_env.find(name);
    return it == g_env.end() ? nullptr : it->second.c_str();
}

class Locate : public ::testing::Test {
  protected:
    void SetUp() override {
        g_files.clear();
        g_env.clear();
        g_cwd.clear();
        auto& h = platform::hooks();
        h.path_exists = fake_exists;
        h.current_directory = fake_cwd;
        h.get_env = fake_env;
    }
    void TearDown() override { platform::reset_hooks(); }
};

const PathRules& kWin = kWindowsPathRules;
const PathRules& kPosix = kPosixPathRules;

TEST_F(Locate, HostPathGivesItsDriveAndDirectory) {
    EXPECT_EQ(host_directory_candidate("C:\\ACAD\\R13\\ACAD.EXE", kWin),
              "c:\\acad\\r13\\tvkplot.def");
    EXPECT_EQ(host_directory_candidate("D:/Acad/acad.exe", kWin), "d:/acad/tvkplot.def");
    EXPECT_EQ(host_directory_candidate("E:acad.exe", kWin), "e:tvkplot.def");
    EXPECT_EQ(host_directory_candidate("acad.exe", kWin), "tvkplot.def");
    EXPECT_EQ(host_directory_candidate("", kWin), "tvkplot.def");
    // POSIX keeps the case and knows no backslash or drive.
    EXPECT_EQ(host_directory_candidate("/opt/Acad/acad", kPosix), "/opt/Acad/tvkplot.def");
    EXPECT_EQ(host_directory_candidate("C:\\ACAD\\ACAD.EXE", kPosix), "tvkplot.def");
}

TEST_F(Locate, TvkplotVariableLosesBlanksAndHighBytes) {
    EXPECT_EQ(tvkplot_candidate("C:\\PLOT ", kWin), "c:\\plot\\tvkplot.def");
    EXPECT_EQ(tvkplot_candidate("C:\\PLOT\\", kWin), "c:\\plot\\tvkplot.def");
    EXPECT_EQ(tvkplot_candidate(" C:\\My\tPl\xe9ot", kWin), "c:\\myplot\\tvkplot.def");
    EXPECT_EQ(tvkplot_candidate("  ", kWin), "tvkplot.def");
    EXPECT_EQ(tvkplot_candidate("/opt/Plot ", kPosix), "/opt/Plot/tvkplot.def");
    EXPECT_EQ(tvkplot_candidate("/opt/Plot/", kPosix), "/opt/Plot/tvkplot.def");
}

TEST_F(Locate, ListEntriesSkipEmptiesAndDropQuotes) {
    EXPECT_EQ(
        list_candidates(";C:\\BIN;;\"C:\\Program Files\\Acad\";D:\\;E:;F:/x/", kWin),
        (std::vector<std::string>{"c:\\bin\\tvkplot.def", "c:\\program files\\acad\\tvkplot.def",
                                  "d:\\tvkplot.def", "e:tvkplot.def", "f:/x/tvkplot.def"}));
    EXPECT_EQ(list_candidates(":/usr/Bin::/opt/acad/:\"/q\"", kPosix),
              (std::vector<std::string>{"/usr/Bin/tvkplot.def", "/opt/acad/tvkplot.def",
                                        "/q/tvkplot.def"}));
}

TEST_F(Locate, SearchOrder) {
    g_cwd = "/home/u";
    g_env["TVKPLOT"] = "/etc/tvk";
    g_env["PATH"] = "/bin:/usr/bin";
    g_env["ACAD"] = "/opt/acad";
    g_files = {"/a/tvkplot.def", "/etc/tvk/tvkplot.def", "/usr/bin/tvkplot.def",
               "/opt/acad/tvkplot.def"};
    EXPECT_EQ(locate_definition_path("/a/acad", kPosix), "/a/tvkplot.def");
    EXPECT_EQ(locate_definition_path("/b/acad", kPosix), "/etc/tvk/tvkplot.def");
    g_files.erase("/etc/tvk/tvkplot.def");
    EXPECT_EQ(locate_definition_path("/b/acad", kPosix), "/usr/bin/tvkplot.def");
    g_files.insert("/home/u/tvkplot.def");
    EXPECT_EQ(locate_definition_path("/b/acad", kPosix), "/home/u/tvkplot.def")
        << "the current directory before the PATH entries";
    g_files = {"/opt/acad/tvkplot.def"};
    EXPECT_EQ(locate_definition_path("/b/acad", kPosix), "/opt/acad/tvkplot.def");
    g_files.clear();
    EXPECT_EQ(locate_definition_path("/b/acad", kPosix), "/home/u/tvkplot.def")
        << "the fallback is taken without a test";
    g_env.clear();
    g_cwd = std::string(1, '/');
    EXPECT_EQ(locate_definition_path("", kPosix), "//tvkplot.def");
}

TEST_F(Locate, WindowsSearchLowerCasesAndHandlesDriveRoots) {
    g_cwd = "C:\\";
    g_env["PATH"] = "C:\\DOS;D:\\ACAD";
    g_files = {"c:\\tvkplot.def", "d:\\acad\\tvkplot.def"};
    EXPECT_EQ(locate_definition_path("X:\\NOWHERE\\ACAD.EXE", kWin), "c:\\tvkplot.def")
        << "no backslash added after a drive's root";
    g_files.erase("c:\\tvkplot.def");
    EXPECT_EQ(locate_definition_path("X:\\NOWHERE\\ACAD.EXE", kWin), "d:\\acad\\tvkplot.def");
    g_env.clear();
    g_files.clear();
    EXPECT_EQ(locate_definition_path("", kWin), "c:\\\\tvkplot.def")
        << "two backslashes at a drive's root";
    g_cwd = "C:\\Work\\Drawings";
    EXPECT_EQ(locate_definition_path("", kWin), "c:\\work\\drawings\\tvkplot.def");
}

TEST_F(Locate, FallbackNeedsAShortCurrentDirectory) {
    g_cwd = "/" + std::string(78, 'd');
    EXPECT_EQ(fallback_candidate(kPosix), g_cwd + "/tvkplot.def") << "79 characters";
    g_cwd += "d";
    EXPECT_EQ(fallback_candidate(kPosix), "tvkplot.def") << "80 characters";
    g_cwd.clear();
    EXPECT_EQ(fallback_candidate(kPosix), "tvkplot.def") << "no current directory";
}

TEST_F(Locate, OverlongCandidatesAreSkippedNotCut) {
    // A 127-character path is taken; a longer one is skipped even though a
    // file of its first 127 characters exists.
    const std::string dir127 = "/" + std::string(115, 'x');  // + "/tvkplot.def" = 128
    const std::string dir126 = "/" + std::string(114, 'x');  // 127
    g_env["PATH"] = dir127 + ":" + dir126;
    const std::string long_path = dir127 + "/tvkplot.def";
    g_files = {long_path, long_path.substr(0, 127), dir126 + "/tvkplot.def"};
    EXPECT_EQ(locate_definition_path("", kPosix), dir126 + "/tvkplot.def");
}

}  // namespace
}  // namespace tvk::test
