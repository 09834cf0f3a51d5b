// tvkplot plotting to the plotter emulator, on a pseudo-terminal and over a
// loopback socket: what reaches the plotter, byte for byte; the line it set
// up; the paper query; a stalled, vanished or stopped plot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
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

const std::string kXonXoffStrings = "\x1b.M50;0;0;13;26;0:\x1b.I81;0;17:\x1b.N10;19:\x1b.@;0:";
const std::string kHardwareStrings = "\x1b.M:\x1b.I:\x1b.N:\x1b.@;1:";

class PortsTest : public ::testing::Test {
  protected:
    std::string definitions() const {
        return std::string(TVK_SOURCE_DIR) + "/tests/host_ports/ports.def";
    }

    Outcome tvkplot(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--def", definitions()});
        return run_tvkplot(args, dir.file("config"));
    }

    // A profile of the model with its defaults, then `edit`ed.
    std::string profile(const std::string& model,
                        const std::function<void(host::Profile&)>& edit = {}) const {
        const std::string path = dir.file(model + ".toml");
        EXPECT_EQ(tvkplot({"configure", "--model", model, "--profile", path, "--yes"}).exit_code,
                  0);
        if (edit) {
            host::Profile p = host::load_profile(path);
            edit(p);
            host::save_profile(p, path);
        }
        return path;
    }

    // A drawing of n lines: some 15 bytes of plot each.
    std::string drawing(int n) const {
        std::vector<Line> lines;
        for (int i = 0; i < n; ++i) lines.push_back({0, i * 0.37, 100.0 + i % 13, (i % 29) * 3.1});
        const std::string path = dir.file("d" + std::to_string(n) + ".dxf");
        dir.write("d" + std::to_string(n) + ".dxf", dxf_of_lines(lines));
        return path;
    }

    // The stream the same plot writes to a file.
    std::string file_plot(const std::string& drawing, const std::string& profile) const {
        const Outcome o = tvkplot({"plot", drawing, "--profile", profile, "-o", dir.file("f.plt")});
        EXPECT_EQ(o.exit_code, 0) << o.err;
        return read_file(dir.file("f.plt"));
    }

    std::vector<std::string> plot_args(const std::string& drawing, const std::string& profile,
                                       const std::string& port) const {
        return {"--def", definitions(), "plot", drawing, "--profile", profile, "--port", port};
    }

    TempDir dir;
};

// 19200 baud, even parity, 7 data bits, 2 stop bits: as the profile says,
// in the host's copy and the driver's block alike. (A pseudo-terminal keeps
// its 8 bits without parity whatever it is told: those two are not checked.)
void odd_line(host::Profile& p) {
    p.line.baud = 19200;
    p.line.parity = 2;
    p.line.data_bits = 7;
    p.line.stop_bits = 2;
    p.stored[6] = 2;
    p.stored[8] = 2;
    p.stored[10] = 7;
    p.stored[14] = 19200 & 0xFF;
    p.stored[15] = 19200 >> 8;
}

TEST_F(PortsTest, PlotsArriveByteForByteWithTheProfilesLineAndFlowControl) {
    struct Case {
        const char* name;
        const char* model;
        std::vector<std::string> emulator;
        std::string handshake;
        const char* ixon;
        const char* crtscts;
    };
    const std::vector<Case> cases = {
        {"XON/XOFF", "TEST-X", {"--buffer", "1024", "--rate", "60000"}, kXonXoffStrings, "1", "0"},
        {"RTS/CTS",
         "TEST-H",
         {"--buffer", "1024", "--rate", "60000", "--flow", "rtscts"},
         kHardwareStrings,
         "0",
         "1"},
        {"network",
         "TEST-X",
         {"--tcp", "--buffer", "1024", "--rate", "60000"},
         kXonXoffStrings,
         "",
         ""},
    };
    const std::string small = drawing(1);
    const std::string large = drawing(1500);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string p = profile(c.model, odd_line);
        for (const std::string& d : {small, large}) {
            const std::string expected = c.handshake + file_plot(d, p);
            Emulator plotter(dir, c.emulator);
            const Outcome o = run_tvkplot(plot_args(d, p, plotter.port()), dir.file("config"));
            EXPECT_EQ(o.exit_code, 0) << o.out << o.err;
            EXPECT_NE(o.out.find("Sent the plot of"), std::string::npos) << o.out;
            const Received r = plotter.stop();
            EXPECT_EQ(r.bytes, expected);
            EXPECT_EQ(r.number("overruns"), 0);
            // The emulator's picture of what it drew.
            EXPECT_NE(read_file(dir.file("plotter.svg")).find("<path"), std::string::npos);
            if (d == large) {
                ASSERT_GT(expected.size(), 20u * 1024);
                // The plotter had to hold the host back.
                EXPECT_GT(r.number("holds"), 0);
                EXPECT_GE(r.number("max_fill"), 512);
            }
            if (*c.ixon == '\0') continue;  // the adapter owns the line settings
            EXPECT_EQ(r.report.at("speed"), "19200");
            EXPECT_EQ(r.report.at("stop_bits"), "2");
            EXPECT_EQ(r.report.at("raw"), "1");
            EXPECT_EQ(r.report.at("ixon"), c.ixon);
            EXPECT_EQ(r.report.at("ixoff"), c.ixon);
            EXPECT_EQ(r.report.at("ixany"), "0");
            EXPECT_EQ(r.report.at("crtscts"), c.crtscts);
        }
    }
}

TEST_F(PortsTest, ThePaperQuerySetsThePaperFromTheReplyAndFailsWithoutOne) {
    const std::string p = profile("TEST-Q", [](host::Profile& q) { q.stored[16] |= 0x40; });
    const std::string d = drawing(3);
    const auto plot_size = [](const std::string& stream) {
        return decoder::decode(stream, decoder::Language::kTkGl2).plot_size;
    };
    // A file plot is not asked: the model's largest area.
    const auto largest = plot_size(file_plot(d, p));
    ASSERT_TRUE(largest.has_value());
    {
        // 16500 by 11100 units at 1016 a inch: 16 by 10 whole inches.
        Emulator plotter(dir, {"--reply", "-100,-200,16400,10900"});
        const Outcome o = run_tvkplot(plot_args(d, p, plotter.port()), dir.file("config"));
        EXPECT_EQ(o.exit_code, 0) << o.out << o.err;
        const Received r = plotter.stop();
        EXPECT_EQ(r.number("queries"), 1);
        EXPECT_TRUE(
            r.bytes.starts_with("\x1b.M300;0;0;13;26;0:\x1b.I81;0;17:\x1b.N50;19:\x1b.@;0:OH;"));
        const auto size = plot_size(r.bytes);
        ASSERT_TRUE(size.has_value());
        EXPECT_EQ(*size, (decoder::Point{16 * 1016, 10 * 1016}));
    }
    {
        Emulator plotter(dir, {"--garbage"});
        const Outcome o = run_tvkplot(plot_args(d, p, plotter.port()), dir.file("config"));
        EXPECT_EQ(o.exit_code, 0) << o.out << o.err;
        EXPECT_EQ(plot_size(plotter.stop().bytes), largest);
    }
    // Silence, and a reply too slow to end within the 3 s given to the whole
    // of it: no reply, and the plot fails.
    const std::vector<std::vector<std::string>> no_reply = {{"--silent"}, {"--reply-delay", "200"}};
    for (const auto& slow : no_reply) {
        Emulator plotter(dir, slow);
        const double start = seconds_now();
        const Outcome o = run_tvkplot(plot_args(d, p, plotter.port()), dir.file("config"));
        const double took = seconds_now() - start;
        EXPECT_EQ(o.exit_code, 1);
        EXPECT_NE(o.out.find("Plotter does not reply to query on paper size."), std::string::npos)
            << o.out;
        // The plotter is named, not the definition file.
        EXPECT_NE(o.err.find("the plotter did not answer when asked for its paper"),
                  std::string::npos)
            << o.err;
        EXPECT_EQ(o.err.find("plotter definition file"), std::string::npos) << o.err;
        EXPECT_GE(took, 2.9);
        EXPECT_LT(took, 6);
    }
}

TEST_F(PortsTest, AStalledPlotterFailsWithinTheWaitTimeAndAVanishedOneAtOnce) {
    const std::string d = drawing(3000);
    struct Case {
        const char* name;
        std::string model;
        std::vector<std::string> emulator;
        std::vector<std::string> extra;
        const char* says;
        double wait;  // seconds the plotter may take nothing; 0: fails at once
    };
    // TEST-XB waits its WAIT_TIME of 1 s; the others the --wait given, or the
    // default of 120 s.
    const std::vector<Case> cases = {
        {"stalled, WAIT_TIME", "TEST-XB", {"--stall-after", "3000"}, {}, "took nothing for 1 s", 1},
        {"stalled, --wait",
         "TEST-X",
         {"--stall-after", "3000"},
         {"--wait", "2"},
         "took nothing for 2 s",
         2},
        {"stalled, RTS/CTS",
         "TEST-H",
         {"--stall-after", "3000", "--flow", "rtscts"},
         {"--wait", "1"},
         "took nothing for 1 s",
         1},
        {"vanished", "TEST-X", {"--rate", "20000", "--vanish-after", "3000"}, {}, "is gone", 0},
        {"vanished, network",
         "TEST-X",
         {"--tcp", "--rate", "20000", "--vanish-after", "3000"},
         {},
         "is gone",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string p = profile(c.model);
        Emulator plotter(dir, c.emulator);
        std::vector<std::string> args = plot_args(d, p, plotter.port());
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const double start = seconds_now();
        const Outcome o = run_tvkplot(args, dir.file("config"));
        // The wait, and what the start of the program takes.
        const double took = seconds_now() - start;
        EXPECT_GE(took, c.wait);
        EXPECT_LT(took, c.wait + 3);
        EXPECT_EQ(o.exit_code, 1);
        // An unbuffered model's driver reports the refused write itself.
        if (c.model != "TEST-H") {
            EXPECT_NE(o.out.find("Plotting error occured. "), std::string::npos) << o.out;
        }
        EXPECT_NE(o.err.find("the plot failed: "), std::string::npos) << o.err;
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
        EXPECT_EQ(plotter.stop().bytes.size(), 3000u);
    }
}

TEST_F(PortsTest, CtrlCEndsThePlotWithinASecondAndLeavesThePenUp) {
    // More than the host can queue ahead of the plotter on a pty.
    const std::string d = drawing(6000);
    struct Case {
        const char* name;
        const char* model;
        std::vector<std::string> emulator;
        bool terminated;     // BREAK-ON: the driver says "Plot terminated. "
        const char* pen_up;  // what tvkplot says of the pen-up commands
    };
    const char* dropped = "what was still queued was dropped, and its pen was lifted and put away";
    const std::vector<Case> cases = {
        {"BREAK-ON", "TEST-XB", {"--buffer", "512", "--rate", "4000"}, true, dropped},
        {"without BREAK-ON", "TEST-X", {"--buffer", "512", "--rate", "4000"}, false, dropped},
        {"RTS/CTS, buffered",
         "TEST-H",
         {"--buffer", "512", "--rate", "4000", "--flow", "rtscts"},
         false,
         dropped},
        // A network queue is not dropped: the pen-up commands come after it.
        {"network",
         "TEST-XB",
         {"--tcp", "--buffer", "512", "--rate", "20000"},
         true,
         "the commands that lift its pen and put it away follow what was already on its way"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string p = profile(c.model);
        Emulator plotter(dir, c.emulator);
        Background run(dir, plot_args(d, p, plotter.port()));
        const double give_up = seconds_now() + 20;
        while (plotter.received_so_far() < 1500 && seconds_now() < give_up) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        run.interrupt();
        EXPECT_EQ(run.wait(1.0), 130) << run.output();
        const std::string out = run.output();
        EXPECT_EQ(out.find("Plot terminated. ") != std::string::npos, c.terminated) << out;
        EXPECT_EQ(out.find("Plotting error"), std::string::npos) << out;
        EXPECT_NE(out.find("plot stopped; "), std::string::npos) << out;
        EXPECT_NE(out.find(c.pen_up), std::string::npos) << out;
        // Whatever was on its way, the pen-up commands come last.
        const Received r = plotter.stop();
        EXPECT_TRUE(r.bytes.ends_with(";PU;SP;")) << r.bytes.substr(r.bytes.size() - 40);
        EXPECT_LT(r.bytes.size(), file_plot(d, p).size());
        EXPECT_EQ(r.number("overruns"), 0);
    }
}

// However many stop requests come, and of whichever kind (a wrapper such as
// `timeout` passes its signal on twice), the queue is dropped and the pen-up
// commands are the last bytes the plotter gets, within about a second, for a
// plot and for `send` alike; the exit code is that of the first signal.
TEST_F(PortsTest, RepeatedStopSignalsStillLeaveThePenUpAndNothingQueuedAfterIt) {
    const std::string d = drawing(6000);
    const std::string p = profile("TEST-X");
    dir.write("s.plt", file_plot(d, p));
    struct Case {
        const char* name;
        bool send;
        int signal;
        int exit_code;
        std::vector<std::string> emulator;
    };
    const std::vector<Case> cases = {
        {"plot, Ctrl-C twice", false, SIGINT, 130, {"--buffer", "1024", "--rate", "300"}},
        {"plot, terminate twice", false, SIGTERM, 143, {"--buffer", "1024", "--rate", "300"}},
        {"plot, hang-up", false, SIGHUP, 129, {"--buffer", "512", "--rate", "4000"}},
        {"send, Ctrl-C twice", true, SIGINT, 130, {"--buffer", "1024", "--rate", "300"}},
        {"send over the network",
         true,
         SIGTERM,
         143,
         {"--tcp", "--buffer", "512", "--rate", "2000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Emulator plotter(dir, c.emulator);
        const std::vector<std::string> args =
            c.send
                ? std::vector<std::string>{"--def",  definitions(),  "send",      dir.file("s.plt"),
                                           "--port", plotter.port(), "--profile", p}
                : plot_args(d, p, plotter.port());
        Background run(dir, args);
        const double give_up = seconds_now() + 20;
        while (plotter.received_so_far() < 1200 && seconds_now() < give_up) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        run.signal(c.signal);
        run.signal(c.signal);
        EXPECT_EQ(run.wait(1.6), c.exit_code) << run.output();
        const std::string out = run.output();
        EXPECT_NE(out.find("plot stopped; "), std::string::npos) << out;
        EXPECT_EQ(out.find("--wait"), std::string::npos) << out;
        // The pen-up may follow later (the plotter held the line): wait for it.
        const double settle = seconds_now() + 6;
        while (!read_file(dir.file("plotter.bin")).ends_with(";PU;SP;") && seconds_now() < settle) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const Received r = plotter.stop();
        EXPECT_TRUE(r.bytes.ends_with(";PU;SP;")) << r.bytes.substr(r.bytes.size() - 40);
        EXPECT_EQ(r.number("overruns"), 0);
    }
}

TEST_F(PortsTest, SendDeliversAFileByteForByteWithFlowControl) {
    const std::string p = profile("TEST-X", odd_line);
    const std::string stream = file_plot(drawing(1500), p);
    dir.write("s.plt", stream);
    Emulator plotter(dir, {"--buffer", "1024", "--rate", "80000"});
    const Outcome o =
        tvkplot({"send", dir.file("s.plt"), "--port", plotter.port(), "--profile", p});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_NE(o.out.find("Sent " + dir.file("s.plt")), std::string::npos) << o.out;
    const Received r = plotter.stop();
    EXPECT_EQ(r.bytes, kXonXoffStrings + stream);
    EXPECT_GT(r.number("holds"), 0);
    EXPECT_EQ(r.number("overruns"), 0);
    EXPECT_EQ(r.report.at("speed"), "19200");

    // A stalled plotter fails it as it fails a plot.
    Emulator stalled(dir, {"--stall-after", "100"});
    const Outcome failed = tvkplot(
        {"send", dir.file("s.plt"), "--port", stalled.port(), "--profile", p, "--wait", "1"});
    EXPECT_EQ(failed.exit_code, 1);
    EXPECT_NE(failed.err.find("took nothing for 1 s"), std::string::npos) << failed.err;
}

TEST_F(PortsTest, PortsThatAreNotSerialPortsAreRefusedSayingWhy) {
    const std::string p = profile("TEST-X");
    dir.write("plain", "");
    const std::string d = drawing(1);
    Outcome o = tvkplot({"plot", d, "--profile", p, "--port", dir.file("plain")});
    EXPECT_EQ(o.exit_code, 1);
    EXPECT_NE(o.err.find(dir.file("plain") + " is not a serial port"), std::string::npos) << o.err;
    o = tvkplot({"plot", d, "--profile", p, "--port", dir.file("none")});
    EXPECT_NE(o.err.find("No such file or directory"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("tvkplot ports"), std::string::npos) << o.err;
    o = tvkplot({"plot", d, "--profile", p, "--port", "tcp:nowhere"});
    EXPECT_NE(o.err.find("is not tcp:HOST:PORT"), std::string::npos) << o.err;

    // `ports` lists what there is, or says how a port shows up.
    o = tvkplot({"ports"});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_FALSE(o.out.empty());
}

}  // namespace
}  // namespace tvk::host_test

namespace tvk::host_test {
namespace {

// The stream without the host's buffer queries.
std::string without_queries(std::string bytes) {
    for (const std::string q : {"\x1b.B", "\x1b.L", "\x1b.O"}) {
        for (size_t at = bytes.find(q); at != std::string::npos; at = bytes.find(q, at))
            bytes.erase(at, q.size());
    }
    return bytes;
}

// A plotter that answers its buffer queries, on a line that holds nothing
// back (an adapter that drops flow control): paced by its queries it never
// overflows, and a raised paper lever pauses the plot, however short the
// wait time, until it is lowered.
TEST_F(PortsTest, StatusQueriesPaceAPlotterWithoutFlowControlAndALeverPausesIt) {
    const std::string d = drawing(1500);
    const std::string plain = profile("TEST-X");
    const std::string expected = kXonXoffStrings + file_plot(d, plain);
    host::Profile with_status = host::load_profile(plain);
    with_status.status_queries = true;
    const std::string paced = dir.file("paced.toml");
    host::save_profile(with_status, paced);
    {
        Emulator plotter(dir, {"--flow", "none", "--buffer", "1024", "--rate", "2000"});
        const Outcome o = tvkplot({"plot", d, "--profile", plain, "--port", plotter.port()});
        EXPECT_EQ(o.exit_code, 0) << o.err;
        EXPECT_GT(plotter.stop().number("overruns"), 0);  // what the queries are for
    }
    {
        Emulator plotter(dir, {"--flow", "none", "--buffer", "1024", "--rate", "20000"});
        const Outcome o = tvkplot({"plot", d, "--profile", paced, "--port", plotter.port()});
        EXPECT_EQ(o.exit_code, 0) << o.err;
        const Received r = plotter.stop();
        EXPECT_EQ(r.number("overruns"), 0);
        EXPECT_GT(r.number("status_queries"), 2);
        EXPECT_EQ(without_queries(r.bytes), expected);
    }
    {
        Emulator plotter(dir, {"--flow", "none", "--buffer", "1024", "--rate", "20000",
                               "--lever-at", "4000", "--lever-for", "2500"});
        const Outcome o =
            tvkplot({"plot", d, "--profile", paced, "--port", plotter.port(), "--wait", "1"});
        EXPECT_EQ(o.exit_code, 0) << o.err;
        EXPECT_NE(o.out.find("paused: paper lever raised"), std::string::npos) << o.out;
        EXPECT_NE(o.out.find("ready again"), std::string::npos) << o.out;
        const Received r = plotter.stop();
        EXPECT_EQ(r.number("lever"), 1);
        EXPECT_EQ(r.number("overruns"), 0);
        EXPECT_EQ(without_queries(r.bytes), expected);
    }
}

TEST_F(PortsTest, ProbeTellsWhatThePlotterIsAndWhetherFlowControlHolds) {
    {
        Emulator plotter(dir, {"--buffer", "2048", "--rate", "50000", "--ident", "TVK-X9"});
        const Outcome o = tvkplot({"probe", "--port", plotter.port()});
        EXPECT_EQ(o.exit_code, 0) << o.err;
        EXPECT_NE(o.out.find("Plotter on " + plotter.port() + ": TVK-X9"), std::string::npos)
            << o.out;
        EXPECT_NE(o.out.find("hard-clip limits: -100,-200,16400,10900"), std::string::npos);
        EXPECT_NE(o.out.find("buffer: 2048 bytes"), std::string::npos);
        EXPECT_NE(o.out.find("XON/XOFF: holds"), std::string::npos) << o.out;
        EXPECT_NE(o.out.find("[port]\nkind = \"serial\""), std::string::npos);
        EXPECT_NE(o.out.find("status = true"), std::string::npos);
        EXPECT_EQ(plotter.stop().number("overruns"), 0);
    }
    {
        Emulator plotter(dir, {"--flow", "none", "--buffer", "1024", "--rate", "50000"});
        const Outcome o = tvkplot({"probe", "--port", plotter.port()});
        EXPECT_NE(o.out.find("XON/XOFF: does NOT hold"), std::string::npos) << o.out;
    }
    {
        Emulator silent(dir, {"--silent", "--stall-after", "1"});
        const Outcome o = tvkplot({"probe", "--port", silent.port()});
        EXPECT_EQ(o.exit_code, 1);
    }
}

}  // namespace
}  // namespace tvk::host_test

namespace tvk::host_test {
namespace {

using SegmentKey = std::tuple<int64_t, int64_t, int64_t, int64_t>;

// The pen-down segments a stream draws, each in one direction.
std::multiset<SegmentKey> drawn(const std::string& stream,
                                decoder::Language language = decoder::Language::kTkGl1) {
    std::multiset<SegmentKey> segments;
    const decoder::Decoded d = decoder::decode(stream, language);
    for (const decoder::Segment& s : decoder::drawn_segments(d)) {
        if (s.from == s.to) continue;
        const bool forward = std::tie(s.from.x, s.from.y) < std::tie(s.to.x, s.to.y);
        const decoder::Point& a = forward ? s.from : s.to;
        const decoder::Point& b = forward ? s.to : s.from;
        segments.insert({a.x, a.y, b.x, b.y});
    }
    return segments;
}

// A plot whose plotter vanished halfway, resumed on a fresh plotter: the two
// streams together draw every segment of the drawing, and again no more
// than what the plotter's buffer may have held undrawn.
TEST_F(PortsTest, APlotThatFailedHalfwayIsResumedAndEveryPathIsDrawnOnce) {
    setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1);
    const std::string d = drawing(6000);
    const std::string plain = profile("TEST-X");
    const std::multiset<SegmentKey> expected = drawn(file_plot(d, plain));
    host::Profile with_status = host::load_profile(plain);
    with_status.status_queries = true;
    const std::string paced = dir.file("paced.toml");
    host::save_profile(with_status, paced);

    struct Case {
        const char* name;
        std::vector<std::string> failing;  // the plotter that fails
        std::vector<std::string> fresh;
        // Segments drawn twice at most: what the plotter's buffer of 1024
        // bytes holds (some 80 segments), and on a pseudo-terminal what it
        // may hold unread as well (32 KB, counted back: nothing tells).
        size_t twice;
    };
    const std::vector<Case> cases = {
        {"vanished, pseudo-terminal", {"--rate", "40000", "--vanish-after", "20000"}, {}, 2700},
        {"stalled, network",
         {"--tcp", "--rate", "40000", "--stall-after", "20000"},
         {"--tcp"},
         120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string first;
        std::string job;
        {
            Emulator plotter(dir, c.failing);
            const Outcome o =
                tvkplot({"plot", d, "--profile", paced, "--port", plotter.port(), "--wait", "2"});
            EXPECT_EQ(o.exit_code, 1) << o.err;
            const size_t at = o.err.find("`tvkplot resume ");
            ASSERT_NE(at, std::string::npos) << o.err;
            job = o.err.substr(at + 16, o.err.find('`', at + 1) - at - 16);
            first = without_queries(plotter.stop().bytes);
        }
        EXPECT_NE(tvkplot({"jobs"}).out.find(job + "  "), std::string::npos);
        std::vector<std::string> fresh = c.fresh;
        fresh.insert(fresh.end(), {"--rate", "80000"});
        Emulator plotter(dir, fresh);
        const Outcome o = tvkplot({"resume", job, "--port", plotter.port()});
        EXPECT_EQ(o.exit_code, 0) << o.err;
        EXPECT_NE(o.out.find("Resuming the plot at path "), std::string::npos) << o.out;
        const std::string second = without_queries(plotter.stop().bytes);
        // The resumed plot starts as a plot starts, and takes its pen first.
        EXPECT_TRUE(second.find("IN") < second.find("PD")) << second.substr(0, 80);
        EXPECT_TRUE(second.find("SP1") < second.find("PD")) << second.substr(0, 80);

        std::multiset<SegmentKey> both = drawn(first);
        const std::multiset<SegmentKey> resumed = drawn(second);
        both.insert(resumed.begin(), resumed.end());
        size_t missing = 0;
        for (const SegmentKey& s : expected) missing += both.count(s) == 0 ? 1 : 0;
        EXPECT_EQ(missing, 0u);
        EXPECT_LT(both.size() - expected.size(), c.twice);
        EXPECT_GT(both.size(), expected.size() - 1);
        // A finished plot leaves no journal.
        EXPECT_EQ(tvkplot({"jobs"}).out.find(job), std::string::npos);
    }
}

}  // namespace
}  // namespace tvk::host_test

namespace tvk::host_test {
namespace {

// Where a stream leaves the pen: up, and at the origin, where a pause parks it.
bool parked(const std::string& stream, decoder::Language language) {
    const decoder::Decoded d = decoder::decode(stream, language);
    return !d.segments.empty() && !d.segments.back().pen_down &&
           d.segments.back().to == decoder::Point{};
}

// Pen-up moves to the origin from elsewhere: the parks of the pauses (and
// the plot's own end).
size_t parks(const std::string& stream, decoder::Language language) {
    size_t count = 0;
    for (const decoder::Segment& s : decoder::decode(stream, language).segments)
        count += !s.pen_down && s.to == decoder::Point{} && !(s.from == s.to) ? 1 : 0;
    return count;
}

// Waits for the emulator to have `bytes`, or a stream that `done` accepts.
template <typename Done>
bool wait_until(const Emulator& plotter, Done done) {
    const double give_up = seconds_now() + 40;
    while (seconds_now() < give_up) {
        if (done(plotter.received())) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Ctrl-Z pauses a plot at the next pen-up, in every language the driver
// writes: the pen is lifted and parked before the program stops; `fg`
// continues it, back where it left off. A pause longer than the wait time
// is no stall, and the plotter draws the whole plot once.
TEST_F(PortsTest, CtrlZPausesAPlotAtAPenUpAndFgContinuesIt) {
    const std::string d = drawing(6000);
    struct Case {
        const char* model;
        decoder::Language language;
        const char* flow;
    };
    // TEST-H has its driver collect a megabyte of output before it hands
    // any over: a plot to a port has it hand over each command as it comes.
    for (const auto& [model, language, flow] :
         {Case{"TEST-X", decoder::Language::kTkGl1, "xonxoff"},
          Case{"TEST-V", decoder::Language::kVtxGl, "xonxoff"},
          Case{"TEST-3", decoder::Language::kTkGl3, "xonxoff"},
          Case{"TEST-H", decoder::Language::kTkGl1, "rtscts"}}) {
        SCOPED_TRACE(model);
        const std::string p = profile(model);
        const std::string whole = file_plot(d, p);
        Emulator plotter(dir, {"--buffer", "1024", "--rate", "8000", "--flow", flow, "--language",
                               decoder::language_name(language)});
        std::vector<std::string> args = plot_args(d, p, plotter.port());
        args.insert(args.end(), {"--wait", "2"});
        Background run(dir, args);
        const double give_up = seconds_now() + 40;
        while (plotter.received_so_far() < 3000 && seconds_now() < give_up) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        run.signal(SIGTSTP);
        while (!run.stopped() && seconds_now() < give_up) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ASSERT_TRUE(run.stopped()) << run.output();
        // Everything sent before the stop has left the port: the pen is up
        // at the corner, and stays there for longer than the wait time.
        ASSERT_TRUE(wait_until(plotter, [&](const std::string& s) { return parked(s, language); }));
        const size_t paused_at = plotter.received_so_far();
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        EXPECT_EQ(plotter.received_so_far(), paused_at);
        ASSERT_LT(paused_at, whole.size());
        run.signal(SIGCONT);
        EXPECT_EQ(run.wait(30), 0) << run.output();
        EXPECT_NE(run.output().find("paused with the pen up and away"), std::string::npos)
            << run.output();
        const std::string stream = plotter.stop().bytes;
        EXPECT_EQ(drawn(stream, language), drawn(whole, language));
        EXPECT_EQ(parks(stream, language), parks(whole, language) + 1);
    }
}

}  // namespace
}  // namespace tvk::host_test

namespace tvk::host_test {
namespace {

// A plotter with one pen plots one colour at a time.
TEST_F(PortsTest, PenOnlyPlotsThePathsOfOnePen) {
    std::vector<Line> lines{{0, 0, 50, 0}, {0, 10, 50, 10}};
    dir.write("two.dxf", dxf_of_lines(lines));
    const std::string p = profile("TEST-X");
    const std::string whole = file_plot(dir.file("two.dxf"), p);
    const decoder::Decoded d = decoder::decode(whole, decoder::Language::kTkGl1);
    const int pen = decoder::drawn_segments(d).front().style.pen;
    Outcome o = tvkplot({"plot", dir.file("two.dxf"), "--profile", p, "-o", dir.file("one.plt"),
                         "--pen-only", std::to_string(pen)});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(read_file(dir.file("one.plt")), whole);
    o = tvkplot({"plot", dir.file("two.dxf"), "--profile", p, "-o", dir.file("none.plt"),
                 "--pen-only", std::to_string(pen + 1)});
    EXPECT_EQ(o.exit_code, 1);
    EXPECT_NE(o.err.find("nothing of the drawing is drawn with pen " + std::to_string(pen + 1)),
              std::string::npos)
        << o.err;
}

}  // namespace
}  // namespace tvk::host_test

namespace tvk::host_test {
namespace {

// On a terminal, p pauses a plot where the pen is up, parking the pen; the
// space bar continues it, and so does SIGCONT alone (from another shell).
TEST_F(PortsTest, AKeyPausesAPlotOnATerminalAndAKeyOrSigcontContinuesIt) {
    const std::string d = drawing(6000);
    const std::string p = profile("TEST-X");
    const std::string whole = file_plot(d, p);
    const auto language = decoder::Language::kTkGl1;
    Emulator plotter(dir, {"--buffer", "1024", "--rate", "8000"});
    std::vector<std::string> args = plot_args(d, p, plotter.port());
    args.insert(args.end(), {"--wait", "2", "--paper", "A3"});
    TerminalSession t(args, dir.file("config"));
    ASSERT_TRUE(t.wait_for("p or the space bar pauses the plot")) << t.screen();
    auto has = [&](size_t bytes) {
        return wait_until(plotter, [&](const std::string& s) { return s.size() >= bytes; });
    };
    ASSERT_TRUE(has(3000));
    t.type("p");
    ASSERT_TRUE(t.wait_for("p, the space bar or Enter continues the plot")) << t.screen();
    ASSERT_TRUE(wait_until(plotter, [&](const std::string& s) { return parked(s, language); }));
    const size_t first = plotter.received_so_far();
    t.type(" ");
    ASSERT_TRUE(t.wait_for("the plot goes on")) << t.screen();
    ASSERT_TRUE(has(first + 3000));
    t.type("P");
    ASSERT_TRUE(t.wait_for("continues the plot")) << t.screen();
    ASSERT_TRUE(wait_until(plotter, [&](const std::string& s) { return parked(s, language); }));
    t.signal(SIGCONT);
    ASSERT_TRUE(t.wait_for("the plot goes on")) << t.screen();
    EXPECT_EQ(t.wait_exit(), 0) << t.screen();
    const std::string stream = plotter.stop().bytes;
    EXPECT_EQ(drawn(stream), drawn(whole));
    EXPECT_EQ(parks(stream, language), parks(whole, language) + 2);
}

// A plotter with one pen: the plot goes pen by pen, asking for each pen
// (Enter on a terminal, or a wait of --pen-wait); without a terminal and
// without --pen-wait it is refused before anything is sent.
TEST_F(PortsTest, ManualPensPlotPenByPenAskingForEach) {
    std::vector<Line> lines;
    for (int i = 0; i < 12; ++i) lines.push_back({0, i * 5.0, 80, i * 5.0 + 2, 1 + i % 2});
    dir.write("two.dxf", dxf_of_lines(lines));
    const std::string d = dir.file("two.dxf");
    const std::string p = profile("TEST-X");
    const std::multiset<SegmentKey> whole = drawn(file_plot(d, p));
    auto pens_in_order = [](const std::string& stream) {
        std::vector<int> pens;
        const decoder::Decoded decoded = decoder::decode(stream, decoder::Language::kTkGl1);
        for (const decoder::Segment& s : decoder::drawn_segments(decoded))
            if (pens.empty() || pens.back() != s.style.pen) pens.push_back(s.style.pen);
        return pens;
    };
    {
        Emulator plotter(dir, {});
        std::vector<std::string> args = plot_args(d, p, plotter.port());
        args.insert(args.end(), {"--manual-pens", "--paper", "A3"});
        TerminalSession t(args, dir.file("config"));
        ASSERT_TRUE(t.wait_for("put in pen 1 (red), then press Enter")) << t.screen();
        t.type("\r");
        ASSERT_TRUE(t.wait_for("put in pen 2 (yellow), then press Enter")) << t.screen();
        t.type("\r");
        EXPECT_EQ(t.wait_exit(), 0) << t.screen();
        const std::string stream = plotter.stop().bytes;
        EXPECT_EQ(pens_in_order(stream), (std::vector<int>{1, 2}));
        EXPECT_EQ(drawn(stream), whole);
    }
    {
        Emulator plotter(dir, {});
        Outcome o = tvkplot({"plot", d, "--profile", p, "--port", plotter.port(), "--manual-pens"});
        EXPECT_EQ(o.exit_code, 2);
        EXPECT_NE(o.err.find("--pen-wait SECONDS"), std::string::npos) << o.err;
        EXPECT_EQ(plotter.received_so_far(), 0u);
        o = tvkplot({"plot", d, "--profile", p, "--port", plotter.port(), "--manual-pens",
                     "--pen-wait", "0"});
        EXPECT_EQ(o.exit_code, 0) << o.err;
        EXPECT_NE(o.err.find("put in pen 2 (yellow); the plot goes on in 0 s"), std::string::npos)
            << o.err;
        EXPECT_EQ(pens_in_order(plotter.stop().bytes), (std::vector<int>{1, 2}));
    }
    // A plot that failed halfway knows the pen to put in first, and the
    // resumed plot asks for it.
    setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1);
    // Pen 1's part some 11 KB, pen 2's some 97 KB: the plotter vanishes
    // during pen 2's, late enough that what the pseudo-terminal may have
    // held (some 36 KB counted back) is pen 2's too.
    lines.clear();
    for (int i = 0; i < 6000; ++i)
        lines.push_back({0, i * 0.05, 80, i * 0.05 + 2, i % 10 == 0 ? 1 : 2});
    dir.write("many.dxf", dxf_of_lines(lines));
    const std::string many = dir.file("many.dxf");
    std::string job;
    {
        Emulator failing(dir, {"--rate", "40000", "--vanish-after", "60000"});
        const Outcome o = tvkplot({"plot", many, "--profile", p, "--port", failing.port(),
                                   "--manual-pens", "--pen-wait", "0", "--wait", "2"});
        EXPECT_EQ(o.exit_code, 1) << o.err;
        const size_t at = o.err.find("`tvkplot resume ");
        ASSERT_NE(at, std::string::npos) << o.err;
        job = o.err.substr(at + 16, o.err.find('`', at + 1) - at - 16);
    }
    const std::string jobs = tvkplot({"jobs"}).out;
    const size_t at = jobs.find(", pen ");
    ASSERT_NE(at, std::string::npos) << jobs;
    const std::string pen = jobs.substr(at + 6, 1);
    EXPECT_EQ(pen, "2") << jobs;
    Emulator fresh(dir, {"--rate", "80000"});
    const Outcome o = tvkplot({"resume", job, "--port", fresh.port()});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(o.err.find("put in pen "), o.err.find("put in pen " + pen + " ")) << o.err;
}

// Pen-down segments of a stream along one horizontal line, joined where
// they touch: [from, to] of x.
std::vector<std::pair<int64_t, int64_t>> inked_runs(const std::string& stream) {
    std::vector<std::pair<int64_t, int64_t>> pieces;
    for (const decoder::Segment& s :
         decoder::drawn_segments(decoder::decode(stream, decoder::Language::kTkGl1))) {
        pieces.push_back({std::min(s.from.x, s.to.x), std::max(s.from.x, s.to.x)});
    }
    std::sort(pieces.begin(), pieces.end());
    std::vector<std::pair<int64_t, int64_t>> runs;
    for (const auto& piece : pieces) {
        if (!runs.empty() && piece.first <= runs.back().second) {
            runs.back().second = std::max(runs.back().second, piece.second);
        } else {
            runs.push_back(piece);
        }
    }
    return runs;
}

// A pen that runs dry after 150 mm leaves a 380 mm line unfinished; with
// --split-ink 100 it is lifted, parked (refilled) and brought back every
// 100 mm, and the line is whole, in ink, without a gap.
TEST_F(PortsTest, SplitInkPausesAPenBeforeItRunsDryAndTheLineStaysWhole) {
    dir.write("long.dxf", dxf_of_lines({{0, 0, 380, 0}}));
    const std::string d = dir.file("long.dxf");
    const std::string p = profile("TEST-X");
    {
        Emulator plotter(dir, {"--dry-pen", "150"});
        EXPECT_EQ(tvkplot({"plot", d, "--profile", p, "--port", plotter.port(), "--scale", "1"})
                      .exit_code,
                  0);
        EXPECT_NEAR(plotter.stop().number("dry_mm"), 230, 2);
    }
    Emulator plotter(dir, {"--dry-pen", "150"});
    const Outcome o = tvkplot({"plot", d, "--profile", p, "--port", plotter.port(), "--scale", "1",
                               "--split-ink", "100", "--pen-wait", "0"});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_NE(o.err.find("pen 3 has drawn 100 mm: shake or refill it"), std::string::npos) << o.err;
    const Received r = plotter.stop();
    EXPECT_EQ(r.number("dry_mm"), 0);
    EXPECT_EQ(r.number("ink_mm"), 380);
    const auto runs = inked_runs(r.bytes);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NEAR(static_cast<double>(runs[0].second - runs[0].first), 380 * 40, 2);
    EXPECT_EQ(parks(r.bytes, decoder::Language::kTkGl1),
              3u + parks(file_plot(d, p), decoder::Language::kTkGl1));
}

// A resumed plot with --overlap draws the end of the path before its first
// one again, so that a line broken there joins without a gap.
TEST_F(PortsTest, ResumeWithOverlapDrawsTheLineBeforeItAgain) {
    setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1);
    // More than a pseudo-terminal holds, so that the plotter vanishes
    // before tvkplot has handed it all over.
    const std::string d = drawing(6000);
    const std::string p = profile("TEST-X");
    std::string job;
    {
        Emulator plotter(dir, {"--rate", "40000", "--vanish-after", "20000"});
        const Outcome o =
            tvkplot({"plot", d, "--profile", p, "--port", plotter.port(), "--wait", "2"});
        EXPECT_EQ(o.exit_code, 1) << o.err;
        const size_t at = o.err.find("`tvkplot resume ");
        ASSERT_NE(at, std::string::npos) << o.err;
        job = o.err.substr(at + 16, o.err.find('`', at + 1) - at - 16);
    }
    Emulator plotter(dir, {"--rate", "80000"});
    const Outcome o =
        tvkplot({"resume", job, "--port", plotter.port(), "--from-path", "3", "--overlap", "5"});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    // A path is a pen-down run: a polyline of the decoder.
    const std::vector<decoder::Polyline> resumed =
        decoder::drawn_polylines(decoder::decode(plotter.stop().bytes, decoder::Language::kTkGl1));
    const std::vector<decoder::Polyline> all =
        decoder::drawn_polylines(decoder::decode(file_plot(d, p), decoder::Language::kTkGl1));
    ASSERT_GT(all.size(), 3u);
    ASSERT_EQ(resumed.size(), all.size() - 1);
    // 5 mm of the second path, up to its end; then the third path whole.
    const std::vector<decoder::Point>& again = resumed.front().points;
    EXPECT_EQ(again.back(), all[1].points.back());
    double length = 0;
    for (size_t i = 1; i < again.size(); ++i)
        length += std::hypot(static_cast<double>(again[i].x - again[i - 1].x),
                             static_cast<double>(again[i].y - again[i - 1].y));
    EXPECT_NEAR(length, 5 * 40, 2);
    EXPECT_EQ(resumed[1].points, all[2].points);
}

// The preview numbers each path where it starts, as resume counts them.
TEST_F(PortsTest, PreviewNumbersThePaths) {
    const std::string d = drawing(20);
    const std::string p = profile("TEST-X");
    const Outcome o = tvkplot({"plot", d, "--profile", p, "--dry-run", "--preview",
                               dir.file("n.svg"), "--preview-numbers"});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    const std::string svg = read_file(dir.file("n.svg"));
    size_t texts = 0;
    for (size_t at = 0; (at = svg.find("<text ", at)) != std::string::npos; ++at) ++texts;
    EXPECT_EQ(texts, 20u);
    EXPECT_NE(svg.find(">1</text>"), std::string::npos);
    EXPECT_NE(svg.find(">20</text>"), std::string::npos);
}

}  // namespace
}  // namespace tvk::host_test
