// Plot files given to `tvkplot plot`: read back in each of the four languages
// the driver writes and plotted again, they draw the same lines; the language
// read is named, and --language and --page choose.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

using decoder::Language;

class PlotFilesTest : public ::testing::Test {
  protected:
    Outcome plot(const std::vector<std::string>& args, const std::string& out) const {
        std::vector<std::string> all = {"plot"};
        all.insert(all.end(), args.begin(), args.end());
        all.insert(all.end(), {"-o", dir.file(out), "--yes"});
        return run_tvkplot(all, dir.file("config"));
    }
    TempDir dir;
};

// Pen-down segments with their pens and line types, in plotter units, the
// same whichever order or direction they were drawn in.
using Drawn = std::set<std::tuple<int, int, int64_t, int64_t, int64_t, int64_t>>;
Drawn drawn(const decoder::Decoded& d) {
    Drawn out;
    for (const decoder::Segment& s : decoder::drawn_segments(d)) {
        auto a = std::make_pair(s.from.x, s.from.y);
        auto b = std::make_pair(s.to.x, s.to.y);
        if (a == b) continue;
        if (b < a) std::swap(a, b);
        out.emplace(s.style.pen, s.style.line_type, a.first, a.second, b.first, b.second);
    }
    return out;
}

TEST_F(PlotFilesTest, APlotReadBackInEachLanguageOfTheDriverDrawsTheSameLines) {
    dir.write("d.dxf", dxf_of_lines({{0, 0, 100, 0, 1},
                                     {100, 0, 100, 50, 2, "DASHED"},
                                     {100, 50, 0, 50, 3},
                                     {0, 50, 0, 0, 1},
                                     {20.5, 10.3, 60.1, 40.7, 2},
                                     {30, 30, 30, 30, 1}}));
    struct Case {
        const char* model;
        Language language;
        const char* units_per_inch;
        const char* read_as;
    };
    for (const Case& c : {Case{"TVK-PL250", Language::kVtxGl, "254", "Read as VTX-GL."},
                          Case{"TVK-PL400", Language::kTkGl1, "1016", "Read as HP-GL."},
                          Case{"TVK-HG900L", Language::kTkGl2, "1016", "Read as HP-GL"},
                          Case{"TVK-RX24", Language::kTkGl3, "1016", "Read as HP-GL/2"}}) {
        SCOPED_TRACE(c.model);
        const std::vector<std::string> common = {"--scale", "1", "--model", c.model};
        std::vector<std::string> first_args = {dir.file("d.dxf")};
        first_args.insert(first_args.end(), common.begin(), common.end());
        Outcome o = plot(first_args, "first.plt");
        ASSERT_EQ(o.exit_code, 0) << o.err;
        std::vector<std::string> again_args = {dir.file("first.plt"), "--units-per-inch",
                                               c.units_per_inch};
        again_args.insert(again_args.end(), common.begin(), common.end());
        o = plot(again_args, "again.plt");
        ASSERT_EQ(o.exit_code, 0) << o.err;
        EXPECT_NE((o.out + o.err).find(c.read_as), std::string::npos) << o.out << o.err;
        const decoder::Decoded first =
            decoder::decode(read_file(dir.file("first.plt")), c.language);
        const decoder::Decoded again =
            decoder::decode(read_file(dir.file("again.plt")), c.language);
        EXPECT_TRUE(again.problems.empty());
        EXPECT_EQ(drawn(first).size(), 5u);
        EXPECT_EQ(drawn(first), drawn(again));
    }
}

TEST_F(PlotFilesTest, LabelsAndDotsArePlottedAndTheLanguageIsNamedAndChosen) {
    dir.write("hello.plt",
              "IN;SP1;PU0,0;PD4000,0,4000,4000,0,4000,0,0;PU2000,2000;CI1000;PU500,500;PD;"
              "PR1000,0,0,1000,-1000,0,0,-1000;PU;PA;SP2;PA500,4500;LBHELLO PLOTTER\x03;PU;SP3;"
              "PA6000,0;PD;PA8000,2000;PU;SP0;");
    dir.write("label.plt", "PD;PA1000,0;PU;LBa\x03;");
    dir.write("dots.plt", "IN;SP1;PA100,100;PD;PU;PA200,100;PD;PU;");
    for (const char* name : {"hello.plt", "label.plt", "dots.plt"}) {
        SCOPED_TRACE(name);
        const Outcome o = plot({dir.file(name), "--model", "TVK-RX24", "--scale", "1"}, "out.plt");
        ASSERT_EQ(o.exit_code, 0) << o.err;
        EXPECT_NE((o.out + o.err).find("Read as HP-GL."), std::string::npos) << o.out << o.err;
        EXPECT_EQ((o.out + o.err).find("Not drawn"), std::string::npos) << o.out << o.err;
        const decoder::Decoded d =
            decoder::decode(read_file(dir.file("out.plt")), Language::kTkGl3);
        std::set<int> pens;
        size_t dots = 0;
        for (const decoder::Segment& s : decoder::drawn_segments(d)) {
            pens.insert(s.style.pen);
            dots += s.from == s.to;
        }
        if (std::string(name) == "hello.plt") {
            EXPECT_EQ(pens, (std::set<int>{1, 2, 3}));
        } else if (std::string(name) == "dots.plt") {
            EXPECT_EQ(dots, 2u);
        } else {
            EXPECT_GT(decoder::drawn_segments(d).size(), 4u);
        }
    }
    // Read as another language it draws nothing, and says which it tried.
    Outcome o = plot({dir.file("label.plt"), "--language", "vtx-gl"}, "out2.plt");
    EXPECT_NE(o.exit_code, 0);
    EXPECT_NE(o.err.find("(read as VTX-GL) it draws nothing"), std::string::npos) << o.err;
    // Pages: the second, and a page the file does not have.
    dir.write("pages.plt", "IN;SP1;PA0,0;PD1000,0;PG;SP2;PA0,0;PD0,1000;PG;");
    o = plot({dir.file("pages.plt"), "--page", "2", "--model", "TVK-RX24"}, "p2.plt");
    ASSERT_EQ(o.exit_code, 0) << o.err;
    std::set<int> pens;
    for (const auto& s :
         decoder::drawn_segments(decoder::decode(read_file(dir.file("p2.plt")), Language::kTkGl3)))
        pens.insert(s.style.pen);
    EXPECT_EQ(pens, (std::set<int>{2}));
    // Every page, each to an output of its own.
    o = plot({dir.file("pages.plt"), "--model", "TVK-RX24"}, "{name}.plt");
    ASSERT_EQ(o.exit_code, 0) << o.err;
    for (int page : {1, 2}) {
        std::set<int> page_pens;
        for (const auto& s : decoder::drawn_segments(decoder::decode(
                 read_file(dir.file("pages-" + std::to_string(page) + ".plt")), Language::kTkGl3)))
            page_pens.insert(s.style.pen);
        EXPECT_EQ(page_pens, (std::set<int>{page}));
    }
    o = plot({dir.file("pages.plt"), "--page", "3"}, "p3.plt");
    EXPECT_NE(o.exit_code, 0);
    EXPECT_NE(o.err.find("there is no page 3: the file has 2 pages"), std::string::npos) << o.err;
}

}  // namespace
}  // namespace tvk::host_test
