// --split-ink counts the ink of filled areas: the lines the host hatches
// them with, and the fill of a polygon the plotter fills itself (its area
// over the pen's width, and its outline), after which the pause comes.
#include <gtest/gtest.h>

#include "decoder/stream_decoder.h"
#include "emulator.h"
#include "fixtures.h"
#include "host/settings/profile.h"
#include "program.h"

namespace tvk::host_test {
namespace {

constexpr uint16_t kPlotterFills = 0x0100;

class SplitInkFillsTest : public ::testing::Test {
  protected:
    Outcome tvkplot(std::vector<std::string> args) const {
        args.insert(args.begin(),
                    {"--def", std::string(TVK_SOURCE_DIR) + "/tests/host_ports/ports.def"});
        return run_tvkplot(args, dir.file("config"));
    }
    std::string profile(const std::string& model, bool plotter_fills) const {
        const std::string path = dir.file(model + ".toml");
        EXPECT_EQ(tvkplot({"configure", "--model", model, "--profile", path, "--yes"}).exit_code,
                  0);
        host::Profile p = host::load_profile(path);
        if (plotter_fills) {
            p.pen_options |= kPlotterFills;
            p.stored[17] |= kPlotterFills >> 8;
        }
        host::save_profile(p, path);
        return path;
    }
    TempDir dir;
};

size_t count_of(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(SplitInkFillsTest, FilledAreasCountTowardsTheInkOfAPen) {
    // A 50 mm square filled, then an 80 mm line: far less than 1000 mm
    // without the fill, some 8000 mm or more with it.
    dir.write("fill.dxf",
              "0\nSECTION\n2\nENTITIES\n"
              "0\nSOLID\n8\n0\n62\n1\n10\n0\n20\n0\n11\n50\n21\n0\n12\n0\n22\n50\n13\n"
              "50\n23\n50\n"
              "0\nLINE\n8\n0\n62\n1\n10\n0\n20\n60\n11\n80\n21\n60\n"
              "0\nENDSEC\n0\nEOF\n");
    const std::string d = dir.file("fill.dxf");
    const std::vector<std::string> ink = {"--scale", "1", "--split-ink", "1000", "--pen-wait", "0"};
    {
        // The plotter fills it: one pause, after the fill and before the line.
        const std::string p = profile("TEST-3", true);
        Emulator plotter(dir, {"--language", "TK-GL3"});
        std::vector<std::string> args = {"plot", d, "--profile", p, "--port", plotter.port()};
        args.insert(args.end(), ink.begin(), ink.end());
        const Outcome o = tvkplot(args);
        EXPECT_EQ(o.exit_code, 0) << o.err;
        EXPECT_EQ(count_of(o.err, "has drawn 1000 mm: shake or refill it"), 1u) << o.err;
        const std::string stream = plotter.stop().bytes;
        ASSERT_NE(stream.find("FP"), std::string::npos) << stream;
        // The pen is parked once before the line (at 60 mm) is drawn.
        const decoder::Decoded decoded = decoder::decode(stream, decoder::Language::kTkGl3);
        ASSERT_EQ(decoded.polygons.size(), 1u);
        size_t parks = 0;
        bool line = false;
        for (const decoder::Segment& s : decoded.segments) {
            if (s.pen_down && s.from.y > 55 * 40) {
                line = true;
                break;
            }
            parks += !s.pen_down && s.to == decoder::Point{} && !(s.from == s.to) ? 1 : 0;
        }
        EXPECT_TRUE(line) << stream;
        EXPECT_EQ(parks, 1u) << stream;
    }
    // The host hatches it: each 1000 mm of its lines pauses.
    const std::string p = profile("TEST-X", false);
    Emulator plotter(dir, {});
    std::vector<std::string> args = {"plot", d, "--profile", p, "--port", plotter.port()};
    args.insert(args.end(), ink.begin(), ink.end());
    const Outcome o = tvkplot(args);
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_GE(count_of(o.err, "has drawn 1000 mm: shake or refill it"), 8u) << o.err;
}

}  // namespace
}  // namespace tvk::host_test
