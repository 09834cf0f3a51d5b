// Drawings compressed with gzip (.svgz, .dxf.gz) are plotted as the
// drawings they hold; a damaged or cut one is named as such.
#include <gtest/gtest.h>

#include <cstdlib>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

TEST(CompressedDrawingTest, GzipDrawingsPlotAsTheirContent) {
    TempDir dir;
    dir.write("plan.dxf", dxf_of_lines({{0, 0, 100, 0, 1}, {100, 0, 100, 50, 2}}));
    dir.write("art.svg",
              "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100mm\" height=\"50mm\" "
              "viewBox=\"0 0 100 50\"><path d=\"M0 0 L100 50 L0 50\" stroke=\"blue\" "
              "fill=\"none\"/></svg>");
    ASSERT_EQ(std::system(("gzip -k " + dir.file("plan.dxf")).c_str()), 0);
    ASSERT_EQ(std::system(("gzip -c " + dir.file("art.svg") + " > " + dir.file("art.svgz")).c_str()),
              0);
    // Named by content, not extension: a gzip file called .plt holding a DXF.
    ASSERT_EQ(std::system(("cp " + dir.file("plan.dxf.gz") + " " + dir.file("odd.plt")).c_str()),
              0);
    const auto summary = [&](const std::string& name) {
        const Outcome o = run_tvkplot({"plot", dir.file(name), "--dry-run", "--yes", "--json"},
                                      dir.file("config"));
        EXPECT_EQ(o.exit_code, 0) << name << o.err;
        return o.exit_code == 0 ? parse_json(o.out) : Json{};
    };
    for (const auto& [plain, packed] : {std::pair<std::string, std::string>{"plan.dxf", "plan.dxf.gz"},
                                        {"art.svg", "art.svgz"},
                                        {"plan.dxf", "odd.plt"}}) {
        SCOPED_TRACE(packed);
        const Json a = summary(plain), b = summary(packed);
        if (a.kind != Json::Kind::kObject || b.kind != Json::Kind::kObject) continue;
        EXPECT_EQ(a["vectors"].number, b["vectors"].number);
        EXPECT_EQ(a["pen_down_mm"].number, b["pen_down_mm"].number);
        EXPECT_GT(b["vectors"].number, 0);
    }

    // Cut short: named as a gzip file that is incomplete.
    const std::string whole = read_file(dir.file("plan.dxf.gz"));
    dir.write("cut.dxf.gz", whole.substr(0, whole.size() / 2));
    const Outcome cut =
        run_tvkplot({"plot", dir.file("cut.dxf.gz"), "--dry-run", "--yes"}, dir.file("config"));
    EXPECT_EQ(cut.exit_code, 1);
    EXPECT_NE(cut.err.find("gzip-compressed, and cut short"), std::string::npos) << cut.err;
    EXPECT_EQ(cut.err.find(".svgz?"), std::string::npos) << cut.err;
}

}  // namespace
}  // namespace tvk::host_test
