// The user's files are never lost: an output that is an input or another
// output is refused before anything is written, and what a drawing that is
// not text holds is never echoed raw.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

TEST(UserFiles, AnOutputThatIsAnInputOrAnotherOutputIsRefusedBeforeAnythingIsWritten) {
    TempDir dir;
    const std::string config = dir.file("config");
    const std::string drawing = dxf_of_lines({{0, 0, 10, 10}});
    dir.write("d.dxf", drawing);
    dir.write("p.plt", "IN;SP1;PD100,100;");
    ASSERT_EQ(symlink("d.dxf", dir.file("link.dxf").c_str()), 0);
    std::filesystem::create_directory(dir.file("sub"));
    ASSERT_EQ(
        run_tvkplot({"configure", "--model", "TVK-PL400", "--profile", dir.file("p.toml"), "--yes"},
                    config)
            .exit_code,
        0);
    const std::string profile = read_file(dir.file("p.toml"));
    struct Case {
        std::vector<std::string> args;
        std::string said;
    };
    const std::string d = dir.file("d.dxf");
    const std::vector<Case> cases = {
        {{"plot", d, "-o", d}, "the plot (-o) " + d + " is the drawing:"},
        {{"plot", d, "-o", dir.path() + "/./sub/../d.dxf"}, "is the drawing " + d},
        {{"plot", d, "-o", dir.file("link.dxf")}, "is the drawing " + d},
        {{"plot", d, "-o", dir.file("o.plt"), "--preview", d}, "the preview (--preview)"},
        {{"plot", d, "-o", dir.file("both"), "--preview", dir.file("both")},
         "the preview (--preview) " + dir.file("both") + " is the plot (-o):"},
        {{"plot", d, "--profile", dir.file("p.toml"), "-o", dir.file("p.toml")}, "is the profile"},
        {{"preview", dir.file("p.plt"), "-o", dir.file("p.plt")}, "is the plotter stream"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[3]);
        const Outcome o = run_tvkplot(c.args, config);
        EXPECT_EQ(o.exit_code, 2) << o.err;
        EXPECT_NE(o.err.find(c.said), std::string::npos) << o.err;
        EXPECT_NE(o.err.find("nothing was written"), std::string::npos) << o.err;
        EXPECT_EQ(read_file(d), drawing);
        EXPECT_EQ(read_file(dir.file("p.toml")), profile);
        EXPECT_EQ(read_file(dir.file("p.plt")), "IN;SP1;PD100,100;");
        EXPECT_FALSE(file_exists(dir.file("both")));
        EXPECT_FALSE(file_exists(dir.file("o.plt")));
    }
}

TEST(UserFiles, AnOutputOnTheKernelsFileSystemsIsRefusedForWhatItIs) {
    TempDir dir;
    dir.write("d.dxf", dxf_of_lines({{0, 0, 10, 0}}));
    for (const char* out : {"/proc/version", "/sys/plot.plt"}) {
        SCOPED_TRACE(out);
        const Outcome o =
            run_tvkplot({"plot", dir.file("d.dxf"), "-o", out, "--yes"}, dir.file("config"));
        EXPECT_EQ(o.exit_code, 1);
        EXPECT_NE(o.err.find("the kernel's own file system, where no plot can be written"),
                  std::string::npos)
            << o.err;
        EXPECT_EQ(o.err.find("No such file"), std::string::npos) << o.err;
    }
}

TEST(UserFiles, ADrawingThatIsNotTextIsReportedInPrintableTextOnly) {
    TempDir dir;
    struct Case {
        std::string contents, said;
    };
    const std::vector<Case> cases = {
        {std::string("\x1F\x8B\x08\x08\xCD\x9B\x27\x16", 8) + "d.dxf", "gzip-compressed, and cut short"},
        {std::string("\x7F"
                     "ELF\x02\x01\x01\0\0\0",
                     10),
         "holds binary data, not text"},
        {"0\nSECTION\n\x1B[2J\x9B\n", "group code expected, found '\\x1B[2J\\x9B'"},
        {"0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n\x01\xFF\x1B]0;title\x07\n0\nEOF\n",
         "group 10 needs a number, found '\\x01\\xFF\\x1B]0;title\\x07'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        dir.write("d.dxf", c.contents);
        const Outcome o =
            run_tvkplot({"plot", dir.file("d.dxf"), "-o", dir.file("o.plt")}, dir.file("config"));
        EXPECT_EQ(o.exit_code, 1);
        EXPECT_NE(o.err.find(c.said), std::string::npos) << o.err;
        for (const char b : o.err) {
            EXPECT_TRUE(b == '\n' || (b >= 0x20 && b < 0x7F)) << static_cast<int>(b) << o.err;
        }
    }
}

}  // namespace
}  // namespace tvk::host_test
