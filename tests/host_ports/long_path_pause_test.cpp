// A pause asked for while a long path is drawn (a spiral of 10 m, far more
// than the plotter's buffer) comes inside it: the pen is lifted at a vertex
// and parked, and afterwards brought back there to go on, so that the path
// is drawn whole and once.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <thread>
#include <tuple>

#include "decoder/stream_decoder.h"
#include "emulator.h"
#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

using SegmentKey = std::tuple<int64_t, int64_t, int64_t, int64_t>;

std::multiset<SegmentKey> drawn(const std::string& stream) {
    std::multiset<SegmentKey> segments;
    for (const decoder::Segment& s :
         decoder::drawn_segments(decoder::decode(stream, decoder::Language::kTkGl1))) {
        if (!(s.from == s.to)) segments.insert({s.from.x, s.from.y, s.to.x, s.to.y});
    }
    return segments;
}

// Pen-up moves to the origin from elsewhere: the parks of the pauses and
// the plot's end.
size_t parks(const std::string& stream) {
    size_t count = 0;
    for (const decoder::Segment& s : decoder::decode(stream, decoder::Language::kTkGl1).segments)
        count += !s.pen_down && s.to == decoder::Point{} && !(s.from == s.to) ? 1 : 0;
    return count;
}

template <typename Done>
bool wait_until(const Emulator& plotter, Done done) {
    const double give_up = seconds_now() + 40;
    while (seconds_now() < give_up) {
        if (done(plotter.received())) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// One LWPOLYLINE: a spiral of about 10 m in 1.5 mm steps.
std::string spiral_dxf() {
    std::string dxf = "0\nSECTION\n2\nENTITIES\n0\nLWPOLYLINE\n8\n0\n";
    std::string points;
    int count = 0;
    double r = 5, a = 0;
    for (double length = 0; length < 10000; ++count) {
        char text[64];
        std::snprintf(text, sizeof text, "10\n%.3f\n20\n%.3f\n", 200 + r * std::cos(a),
                      148 + r * std::sin(a));
        points += text;
        const double step = 1.5 / r;  // radians for 1.5 mm
        a += step;
        r += 1.2 * step / (2 * M_PI);
        length += 1.5;
    }
    return dxf + "90\n" + std::to_string(count) + "\n70\n0\n" + points + "0\nENDSEC\n0\nEOF\n";
}

TEST(LongPathPauseTest, AKeyPausesInsideALongPathAndItIsDrawnWholeOnce) {
    TempDir dir;
    const std::string defs = std::string(TVK_SOURCE_DIR) + "/tests/host_ports/ports.def";
    dir.write("spiral.dxf", spiral_dxf());
    const std::string d = dir.file("spiral.dxf");
    const std::string p = dir.file("x.toml");
    ASSERT_EQ(
        run_tvkplot({"--def", defs, "configure", "--model", "TEST-X", "--profile", p, "--yes"},
                    dir.file("config"))
            .exit_code,
        0);
    const Outcome file = run_tvkplot(
        {"--def", defs, "plot", d, "--profile", p, "--scale", "1", "-o", dir.file("f.plt")},
        dir.file("config"));
    ASSERT_EQ(file.exit_code, 0) << file.err;
    const std::string whole = read_file(dir.file("f.plt"));
    ASSERT_EQ(decoder::drawn_polylines(decoder::decode(whole, decoder::Language::kTkGl1)).size(),
              1u);
    ASSERT_GT(whole.size(), 40000u);

    Emulator plotter(dir, {"--buffer", "1024", "--rate", "20000"});
    TerminalSession t({"--def", defs, "plot", d, "--profile", p, "--scale", "1", "--port",
                       plotter.port(), "--paper", "A3"},
                      dir.file("config"));
    ASSERT_TRUE(t.wait_for("p or the space bar pauses the plot")) << t.screen();
    ASSERT_TRUE(wait_until(plotter, [](const std::string& s) { return s.size() >= 3000; }));
    t.type("p");
    ASSERT_TRUE(t.wait_for("p, the space bar or Enter continues the plot")) << t.screen();
    // Parked, with the spiral far from done.
    std::string at_pause;
    ASSERT_TRUE(wait_until(plotter, [&](const std::string& s) {
        at_pause = s;
        return parks(s) == 1;
    }));
    EXPECT_LT(at_pause.size(), whole.size() / 2);
    t.type(" ");
    ASSERT_TRUE(t.wait_for("the plot goes on")) << t.screen();
    EXPECT_EQ(t.wait_exit(), 0) << t.screen();
    const std::string stream = plotter.stop().bytes;
    EXPECT_EQ(drawn(stream), drawn(whole));
    EXPECT_EQ(parks(stream), parks(whole) + 1);
}

}  // namespace
}  // namespace tvk::host_test
