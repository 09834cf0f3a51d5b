// The preview written as the stream is decoded, pass after pass, is the
// picture of the stream decoded whole, byte for byte; the file is complete or
// absent.
#include "host/preview/svg_preview.h"

#include <gtest/gtest.h>

#include <sstream>

#include "host/host_error.h"
#include "program.h"

namespace tvk::host_test {
namespace {

using decoder::Language;

// A large stream of many pens, line types, joined and broken paths, and
// polygons filled, edged or both (redefined between their FP and EP).
std::string hpgl_stream(int paths, bool plot_size, bool polygons) {
    std::string s = "IN;";
    if (plot_size) s += "PS40000,30000;";
    for (int i = 0; i < paths; ++i) {
        const int x = (i * 37) % 30000;
        const int y = (i * 101) % 20000;
        s += "SP" + std::to_string(1 + i % 5) + ";";
        if (i % 7 == 0) s += "LT" + std::to_string(i % 3) + ",4;";
        if (i % 11 == 0) s += "PW0." + std::to_string(1 + i % 5) + ";";
        s += "PU" + std::to_string(x) + "," + std::to_string(y) + ";PD";
        s += std::to_string(x + 40) + "," + std::to_string(y) + "," + std::to_string(x + 40) + "," +
             std::to_string(y + 30) + ";";
        // Continuing from where the last one ended: joined into one path.
        if (i % 2 == 0) s += "PD" + std::to_string(x - 10) + "," + std::to_string(y + 50) + ";";
        if (polygons && i % 5 == 0) {
            s += "PM0;PD" + std::to_string(x + 5) + "," + std::to_string(y) + "," +
                 std::to_string(x) + "," + std::to_string(y + 5) + ";PM2;";
            s += i % 3 == 0 ? "FP;" : i % 3 == 1 ? "EP;" : "FP;EP;";
        }
    }
    // PE: a pen, a lift, and relative draws.
    s += "PE:\xc1<\xbf\xbf\x3f\xc0\x4f\xde;SP0;";
    return s;
}

std::string vtx_stream(int paths) {
    std::string s;
    for (int i = 0; i < paths; ++i) {
        s += "J" + std::to_string(1 + i % 4) + "M" + std::to_string(i % 500) + "," +
             std::to_string(i % 300) + "I4,4,1,0R4,-4";
        if (i % 9 == 0) s += "L-" + std::to_string(i % 4);
    }
    return s + "H";
}

TEST(SvgPreviewTest, WrittenAsDecodedEqualsTheWholeRender) {
    struct Case {
        const char* name;
        std::string stream;
        Language language;
        bool travel;
        bool paper;
    };
    const std::vector<Case> cases = {
        {"strokes from their extents", hpgl_stream(30000, false, false), Language::kTkGl3, false,
         false},
        {"polygons and travel", hpgl_stream(30000, false, true), Language::kTkGl3, true, false},
        {"plot size", hpgl_stream(2000, true, true), Language::kTkGl2, false, false},
        {"paper given", hpgl_stream(2000, false, true), Language::kTkGl3, true, true},
        {"VTX-GL", vtx_stream(30000), Language::kVtxGl, true, false},
        {"nothing drawn", "IN;SP1;PU10,10;", Language::kTkGl1, true, false},
        {"empty", "", Language::kTkGl1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host::SvgOptions options;
        options.travel = c.travel;
        options.pen_width_mm[2] = 0.7;
        if (c.paper) options.paper = host::PaperOutline{-100, -50, 50000, 40000};
        const host::StreamSurvey survey = host::survey_stream(c.stream, c.language);
        std::ostringstream streamed;
        host::write_svg(streamed, c.stream, survey, options);
        const decoder::Decoded whole = decoder::decode(c.stream, c.language);
        EXPECT_EQ(streamed.str(), host::render_svg(whole, options));
        EXPECT_EQ(survey.decoded.problems.size(), whole.problems.size());
        EXPECT_TRUE(survey.decoded.segments.empty() && survey.decoded.polygons.empty());
    }
}

TEST(SvgPreviewTest, SavedFileIsCompleteAndNoPartIsLeft) {
    TempDir dir;
    const std::string stream = hpgl_stream(500, false, true);
    const host::StreamSurvey survey = host::survey_stream(stream, Language::kTkGl3);
    host::save_svg(dir.file("p.svg"), stream, survey, {});
    EXPECT_EQ(read_file(dir.file("p.svg")),
              host::render_svg(decoder::decode(stream, Language::kTkGl3), {}));
    EXPECT_FALSE(file_exists(dir.file("p.svg.part")));
    EXPECT_THROW(host::save_svg(dir.file("none/p.svg"), stream, survey, {}), host::HostError);
}

}  // namespace
}  // namespace tvk::host_test
