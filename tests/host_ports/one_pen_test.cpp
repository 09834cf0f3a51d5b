// A plotter with one pen and a drawing of several colours: the plot goes
// colour by colour (as the profile and --pen give them pens), asking for
// each pen in turn with the pen parked; the plotter is always sent its one
// pen. A plot that failed knows the pen to put in first when resumed.
#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <tuple>

#include "decoder/stream_decoder.h"
#include "emulator.h"
#include "fixtures.h"
#include "host/settings/profile.h"
#include "program.h"

namespace tvk::host_test {
namespace {

using SegmentKey = std::tuple<int64_t, int64_t, int64_t, int64_t>;

std::multiset<SegmentKey> drawn(const std::string& stream) {
    std::multiset<SegmentKey> segments;
    for (const decoder::Segment& s :
         decoder::drawn_segments(decoder::decode(stream, decoder::Language::kTkGl1))) {
        if (s.from == s.to) continue;
        const bool forward = std::tie(s.from.x, s.from.y) < std::tie(s.to.x, s.to.y);
        const decoder::Point& a = forward ? s.from : s.to;
        const decoder::Point& b = forward ? s.to : s.from;
        segments.insert({a.x, a.y, b.x, b.y});
    }
    return segments;
}

// The pens a stream selects, in order.
std::vector<int> pens_selected(const std::string& stream) {
    std::vector<int> pens;
    for (const decoder::Segment& s :
         decoder::drawn_segments(decoder::decode(stream, decoder::Language::kTkGl1))) {
        if (pens.empty() || pens.back() != s.style.pen) pens.push_back(s.style.pen);
    }
    return pens;
}

// The stream ends with the pen up at the origin, where a pause parks it.
bool parked(const std::string& stream) {
    const decoder::Decoded d = decoder::decode(stream, decoder::Language::kTkGl1);
    return !d.segments.empty() && !d.segments.back().pen_down &&
           d.segments.back().to == decoder::Point{};
}

// Waits until the plotter has drawn `segments` and parked the pen.
bool wait_parked(const Emulator& plotter, size_t segments) {
    const double give_up = seconds_now() + 40;
    while (seconds_now() < give_up) {
        const std::string stream = plotter.received();
        if (parked(stream) && drawn(stream).size() >= segments) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

class OnePenTest : public ::testing::Test {
  protected:
    std::string definitions() const {
        return std::string(TVK_SOURCE_DIR) + "/tests/host_ports/ports.def";
    }
    Outcome tvkplot(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--def", definitions()});
        return run_tvkplot(args, dir.file("config"));
    }
    // TEST-1's profile: one pen; pen 3 is orange.
    std::string profile() const {
        const std::string path = dir.file("one.toml");
        EXPECT_EQ(tvkplot({"configure", "--model", "TEST-1", "--profile", path, "--yes"}).exit_code,
                  0);
        host::Profile p = host::load_profile(path);
        p.pen_colour[3] = 0xFF8000;
        host::save_profile(p, path);
        return path;
    }
    // What the plot to a file draws, all of it or of one pen.
    std::multiset<SegmentKey> file_drawn(const std::vector<std::string>& plot) const {
        std::vector<std::string> args = plot;
        args.insert(args.end(), {"-o", dir.file("f.plt")});
        const Outcome o = tvkplot(args);
        EXPECT_EQ(o.exit_code, 0) << o.err;
        return drawn(read_file(dir.file("f.plt")));
    }

    TempDir dir;
};

// Red, green and blue lines in turn; blue goes to pen 2 by --pen, green
// keeps pen 3 (its colour number), whose colour the profile gives. On a
// terminal each pen is asked for in turn, the pen parked, and what is drawn
// between two questions is that pen's part, whole.
TEST_F(OnePenTest, EachPenIsAskedForInTurnAndItsPathsDrawnAfterIt) {
    std::vector<Line> lines;
    for (int i = 0; i < 12; ++i) lines.push_back({0, i * 5.0, 80, i * 5.0 + 2, (i % 3) * 2 + 1});
    dir.write("three.dxf", dxf_of_lines(lines));
    const std::string d = dir.file("three.dxf");
    const std::string p = profile();
    const std::vector<std::string> plot = {"plot", d, "--profile", p, "--pen", "5=2"};
    std::vector<std::multiset<SegmentKey>> expected;
    for (const char* pen : {"1", "2", "3"}) {
        std::vector<std::string> args = plot;
        args.insert(args.end(), {"--pen-only", pen});
        expected.push_back(file_drawn(args));
        EXPECT_EQ(expected.back().size(), 4u) << pen;
    }

    Emulator plotter(dir, {});
    std::vector<std::string> args = {"--def", definitions()};
    args.insert(args.end(), plot.begin(), plot.end());
    args.insert(args.end(), {"--port", plotter.port(), "--paper", "A3"});
    TerminalSession t(args, dir.file("config"));
    // The bytes the plotter had at each question.
    std::vector<std::string> at_question;
    size_t before = 0;  // segments drawn before the question
    for (const char* question :
         {"put in pen 1 (red), then press Enter", "put in pen 2 (blue), then press Enter",
          "put in pen 3 (#FF8000), then press Enter"}) {
        ASSERT_TRUE(t.wait_for(question)) << t.screen();
        ASSERT_TRUE(wait_parked(plotter, before)) << question;
        at_question.push_back(plotter.received());
        before += expected[at_question.size() - 1].size();
        t.type("\r");
    }
    EXPECT_EQ(t.wait_exit(), 0) << t.screen();
    EXPECT_EQ(t.screen().find("put in pen", t.screen().find("put in pen 3")),
              t.screen().find("put in pen 3"))
        << "asked again: " << t.screen();
    const std::string stream = plotter.stop().bytes;
    at_question.push_back(stream);
    EXPECT_TRUE(drawn(at_question[0]).empty());
    for (size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE(k + 1);
        std::multiset<SegmentKey> part = drawn(at_question[k + 1]);
        for (const SegmentKey& s : drawn(at_question[k])) part.erase(part.find(s));
        EXPECT_EQ(part, expected[k]);
    }
    // The plotter has one pen: it is only ever told of pen 1.
    EXPECT_EQ(pens_selected(stream), std::vector<int>{1});
}

// Without a terminal: --pen-wait waits for each pen; without it the plot
// goes on in one go, saying so. A plot that failed halfway knows the pen to
// put in first (`tvkplot jobs`), and its resume asks for that pen first.
TEST_F(OnePenTest, UnattendedPlotsWaitOrGoOnAndAResumeAsksForThePenItStartsWith) {
    setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1);
    // Red some 2 KB of plot, green some 100 KB: the plotter vanishes during
    // green's part, and what the pseudo-terminal may have held (some 36 KB)
    // is green's too.
    std::vector<Line> lines;
    for (int i = 0; i < 6000; ++i)
        lines.push_back({0, i * 0.05, 80, i * 0.05 + 2, i % 50 == 0 ? 1 : 3});
    dir.write("many.dxf", dxf_of_lines(lines));
    const std::string d = dir.file("many.dxf");
    const std::string p = profile();
    const std::multiset<SegmentKey> whole = file_drawn({"plot", d, "--profile", p});
    {
        Emulator plotter(dir, {"--rate", "400000"});
        const Outcome o = tvkplot({"plot", d, "--profile", p, "--port", plotter.port(), "--yes"});
        EXPECT_EQ(o.exit_code, 0) << o.err;
        EXPECT_NE(o.out.find("TEST-1 has one pen and this plot draws with 2 pens"),
                  std::string::npos)
            << o.out;
        EXPECT_EQ(o.err.find("put in pen"), std::string::npos) << o.err;
        EXPECT_EQ(drawn(plotter.stop().bytes), whole);
    }
    {
        Emulator plotter(dir, {"--rate", "400000"});
        const Outcome o = tvkplot(
            {"plot", d, "--profile", p, "--port", plotter.port(), "--yes", "--pen-wait", "0"});
        EXPECT_EQ(o.exit_code, 0) << o.err;
        const size_t red = o.err.find("put in pen 1 (red); the plot goes on in 0 s");
        const size_t green = o.err.find("put in pen 3 (#FF8000); the plot goes on in 0 s");
        EXPECT_NE(red, std::string::npos) << o.err;
        EXPECT_NE(green, std::string::npos) << o.err;
        EXPECT_LT(red, green) << o.err;
        EXPECT_EQ(drawn(plotter.stop().bytes), whole);
    }
    std::string job;
    std::string first;
    {
        Emulator failing(dir, {"--rate", "40000", "--vanish-after", "50000"});
        const Outcome o = tvkplot({"plot", d, "--profile", p, "--port", failing.port(),
                                   "--pen-wait", "0", "--wait", "2"});
        EXPECT_EQ(o.exit_code, 1) << o.err;
        const size_t at = o.err.find("`tvkplot resume ");
        ASSERT_NE(at, std::string::npos) << o.err;
        job = o.err.substr(at + 16, o.err.find('`', at + 1) - at - 16);
        first = failing.stop().bytes;
    }
    EXPECT_NE(tvkplot({"jobs"}).out.find(", pen 3 next"), std::string::npos)
        << tvkplot({"jobs"}).out;
    Emulator fresh(dir, {"--rate", "400000"});
    const Outcome o = tvkplot({"resume", job, "--port", fresh.port()});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_NE(o.err.find("put in pen 3 (#FF8000)"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find("put in pen 1"), std::string::npos) << o.err;
    // Together the two plots draw every line.
    std::multiset<SegmentKey> both = drawn(first);
    const std::multiset<SegmentKey> second = drawn(fresh.stop().bytes);
    both.insert(second.begin(), second.end());
    size_t missing = 0;
    for (const SegmentKey& s : whole) missing += both.count(s) == 0 ? 1 : 0;
    EXPECT_EQ(missing, 0u) << drawn(first).size() << " then " << second.size() << " of "
                           << whole.size() << "\n"
                           << o.out << o.err;
}

}  // namespace
}  // namespace tvk::host_test
