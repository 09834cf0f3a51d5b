// Several drawings in one run: every drawing is looked for before the first
// is plotted, and --keep-going plots the rest of a batch past one that fails,
// with a JSON record of each failure.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

TEST(BatchTest, AMissingDrawingStopsTheBatchBeforeItStarts) {
    TempDir dir;
    dir.write("a.dxf", dxf_of_lines({{0, 0, 10, 0}}));
    dir.write("c.dxf", dxf_of_lines({{0, 0, 0, 10}}));
    const Outcome o = run_tvkplot({"plot", dir.file("a.dxf"), dir.file("nosuch.dxf"),
                                   dir.file("c.dxf"), "-o", dir.file("{name}.plt"), "--json"},
                                  dir.file("config"));
    EXPECT_EQ(o.exit_code, 1);
    EXPECT_NE(o.err.find("nosuch.dxf: cannot open: No such file or directory"), std::string::npos)
        << o.err;
    EXPECT_NE(o.err.find("Nothing was plotted (--keep-going plots the rest)."), std::string::npos)
        << o.err;
    EXPECT_FALSE(file_exists(dir.file("a.plt")));
    EXPECT_FALSE(file_exists(dir.file("c.plt")));
}

TEST(BatchTest, KeepGoingPlotsTheRestAndRecordsEachFailure) {
    TempDir dir;
    dir.write("a.dxf", dxf_of_lines({{0, 0, 10, 0}}));
    dir.write("bad.dxf", "garbage\n");
    dir.write("c.dxf", dxf_of_lines({{0, 0, 0, 10}}));
    const Outcome o = run_tvkplot(
        {"plot", dir.file("a.dxf"), dir.file("nosuch.dxf"), dir.file("bad.dxf"), dir.file("c.dxf"),
         "-o", dir.file("{name}.plt"), "--json", "--keep-going"},
        dir.file("config"));
    EXPECT_EQ(o.exit_code, 1) << o.err;
    EXPECT_TRUE(file_exists(dir.file("a.plt")));
    EXPECT_TRUE(file_exists(dir.file("c.plt")));
    // One JSON object a line, in the order of the drawings.
    std::vector<Json> records;
    size_t start = 0;
    for (size_t end; (end = o.out.find('\n', start)) != std::string::npos; start = end + 1) {
        records.push_back(parse_json(o.out.substr(start, end - start)));
    }
    ASSERT_EQ(records.size(), 4u) << o.out;
    EXPECT_EQ(records[0]["drawing"].text, dir.file("a.dxf"));
    EXPECT_EQ(records[0]["output"].text, dir.file("a.plt"));
    EXPECT_EQ(records[1]["drawing"].text, dir.file("nosuch.dxf"));
    EXPECT_NE(records[1]["error"].text.find("cannot open"), std::string::npos);
    EXPECT_EQ(records[2]["drawing"].text, dir.file("bad.dxf"));
    EXPECT_NE(records[2]["error"].text.find("not a DXF file"), std::string::npos);
    EXPECT_EQ(records[3]["drawing"].text, dir.file("c.dxf"));
    EXPECT_GT(records[3]["vectors"].number, 0);
}

}  // namespace
}  // namespace tvk::host_test
