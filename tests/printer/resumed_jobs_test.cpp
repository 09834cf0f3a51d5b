// A job that was plotting when the server ended comes back held; released,
// it goes on from the first path the plotter had not taken in full: over
// both runs the plotter draws the whole drawing, the part drawn before the
// server ended only once.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "decoder/stream_decoder.h"
#include "emulator.h"
#include "fixtures.h"
#include "host/settings/profile.h"
#include "printer_server.h"

namespace tvk::printer_test {
namespace {

using host_test::Emulator;

// The pen-down segments a stream draws, either way round, with how often.
std::map<std::pair<std::pair<int64_t, int64_t>, std::pair<int64_t, int64_t>>, int> segments(
    const std::string& stream, const std::string& profile) {
    const auto language =
        static_cast<decoder::Language>(host::load_profile(profile).language_index());
    std::map<std::pair<std::pair<int64_t, int64_t>, std::pair<int64_t, int64_t>>, int> counted;
    for (const decoder::Segment& s : decoder::drawn_segments(decoder::decode(stream, language))) {
        auto a = std::make_pair(s.from.x, s.from.y), b = std::make_pair(s.to.x, s.to.y);
        if (b < a) std::swap(a, b);
        if (a != b) ++counted[{a, b}];
    }
    return counted;
}

class ResumedJobs : public ::testing::TestWithParam<int> {};

TEST_P(ResumedJobs, AReleasedJobGoesOnWhereThePlotStopped) {
    TempDir dir;
    PrinterServer server{dir};
    server.start();
    // A slow plotter with a small buffer behind a network adapter: the job
    // is still plotting when the server ends, and what the server had sent
    // still reaches the plotter.
    Emulator plotter(dir, {"--tcp", "--rate", "6000", "--buffer", "512"});
    const std::string uri = "socket://" + plotter.port().substr(4);  // tcp:HOST:PORT
    ASSERT_EQ(server.command({"add", "-d", "slow", "-v", uri, "-m", "TVK-RX24"}).exit_code, 0);
    ASSERT_TRUE(server.wait_for_saved_printer("slow"));
    std::vector<host_test::Line> lines;
    for (int i = 0; i < 4000; ++i) {
        lines.push_back({double(i % 97), double(i % 89), double(i % 83) + 3, double(i % 79) + 5});
    }
    dir.write("many.dxf", host_test::dxf_of_lines(lines));
    const std::string drawing = dir.file("many.dxf");
    ASSERT_EQ(server.command({"submit", "-d", "slow", drawing}).exit_code, 0);
    // Generous: under the sanitizers the plan alone takes a while.
    for (int i = 0; i < 2400 && plotter.received_so_far() < 4000; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_GE(plotter.received_so_far(), 4000u);
    if (GetParam() == SIGKILL) {
        server.kill_now();  // as a power cut would
    } else {
        server.stop();  // asked to end (SIGTERM), as a system does when it shuts down
    }
    server.start();

    const int held = server.job_state("slow", 1) == "pending-held" ? 1 : 2;
    ASSERT_EQ(server.job_state("slow", held), "pending-held") << server.log();
    EXPECT_TRUE(server.wait_for_job_message("slow", held, "Release the job to plot the rest", 5))
        << server.log();
    ASSERT_TRUE(server.job_operation("slow", held, "Release-Job")) << server.log();
    ASSERT_EQ(server.wait_for_job("slow", held, {"completed", "aborted", "canceled"}, 300),
              "completed")
        << server.log();

    // Each run begins as a plot begins, the plotter initialised: decoded on
    // its own, as the plotter starts each afresh. Where the connection had
    // taken the whole plot before the server ended (the system's socket
    // buffers may hold it all), the plotter still gets it, and the released
    // job finds nothing left to send: one run, the drawing once.
    const std::string both = plotter.stop().bytes;
    const std::string opening = both.substr(0, 12);
    const size_t second = both.find(opening, 1);
    if (second != std::string::npos) {
        EXPECT_NE(server.log().find("Resuming page 1 at path"), std::string::npos) << server.log();
    }
    auto got = segments(both.substr(0, second), server.profile(1));
    if (second != std::string::npos) {
        for (const auto& [segment, count] : segments(both.substr(second), server.profile(1)))
            got[segment] += count;
    }
    const auto whole = segments(server.reference_plot(drawing), server.profile(1));
    ASSERT_FALSE(whole.empty());
    int extra = 0;
    for (const auto& [segment, count] : whole) {
        const auto it = got.find(segment);
        ASSERT_NE(it, got.end()) << "a segment of the drawing was never drawn";
        extra += it->second - count;
    }
    for (const auto& [segment, count] : got) {
        EXPECT_TRUE(whole.count(segment)) << "a segment that is not the drawing's";
    }
    // At most the path the plotter was drawing when the server ended, again.
    EXPECT_LE(extra, 8);
}

INSTANTIATE_TEST_SUITE_P(KilledOrTerminated, ResumedJobs, ::testing::Values(SIGKILL, SIGTERM),
                         [](const auto& param_info) {
                             return std::string(param_info.param == SIGKILL ? "Killed"
                                                                            : "Terminated");
                         });

// The bytes of each plot of a stream that holds several, each opening as
// the first does.
std::vector<std::string> plots_of(const std::string& stream) {
    std::vector<std::string> plots;
    const std::string opening = stream.substr(0, 12);
    for (size_t at = 0; at < stream.size();) {
        const size_t next = stream.find(opening, at + 1);
        plots.push_back(stream.substr(at, next == std::string::npos ? next : next - at));
        at = next;
    }
    return plots;
}

TEST(ResumedCopies, AJobStoppedInItsSecondCopyGoesOnInItsSecondCopy) {
    TempDir dir;
    PrinterServer server{dir};
    server.start();
    // A TVK-PL250 is sent the drawing again for each copy; on a slow
    // plotter behind a network adapter the second copy is still plotting
    // when the server ends, and what the server had sent still reaches it.
    Emulator plotter(dir, {"--tcp", "--rate", "3000", "--buffer", "512"});
    const std::string uri = "socket://" + plotter.port().substr(4);  // tcp:HOST:PORT
    ASSERT_EQ(server.command({"add", "-d", "slow", "-v", uri, "-m", "TVK-PL250"}).exit_code, 0);
    ASSERT_TRUE(server.wait_for_saved_printer("slow"));
    std::vector<host_test::Line> lines;
    for (int i = 0; i < 3000; ++i) {
        lines.push_back({double(i % 97), double(i % 89), double(i % 83) + 3, double(i % 79) + 5});
    }
    dir.write("many.dxf", host_test::dxf_of_lines(lines));
    const std::string drawing = dir.file("many.dxf");
    ASSERT_EQ(server.command({"submit", "-d", "slow", "-o", "copies=2", drawing}).exit_code, 0)
        << server.log();
    ASSERT_TRUE(server.wait_for_job_message("slow", 1, "Put in a new sheet for copy 2 of 2", 300))
        << server.log();
    const size_t first_copy = plotter.received_so_far();
    ASSERT_TRUE(server.command({"continue", "-d", "slow"}).exit_code == 0) << server.log();
    for (int i = 0; i < 2400 && plotter.received_so_far() < first_copy + 2000; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_GE(plotter.received_so_far(), first_copy + 2000);
    server.kill_now();
    server.start();

    // PAPPL starts the old job again, which is held as a new one (or, where
    // the saved state did not list it yet, made anew as job 1).
    int held = 0;
    for (int i = 0; i < 120 && held == 0; ++i) {
        for (const int job : {1, 2}) {
            if (server.job_state("slow", job) == "pending-held") held = job;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    ASSERT_NE(held, 0) << server.log();
    EXPECT_TRUE(server.wait_for_job_message("slow", held, "copy 2, page 1", 5)) << server.log();
    ASSERT_TRUE(server.job_operation("slow", held, "Release-Job")) << server.log();
    ASSERT_EQ(server.wait_for_job("slow", held, {"completed", "aborted", "canceled"}, 300),
              "completed")
        << server.log();

    // The first copy whole, the second in up to two parts: the drawing twice
    // over all, the part drawn before the server ended only once more.
    const std::vector<std::string> plots = plots_of(plotter.stop().bytes);
    // Where the line had taken the whole second copy before the server
    // ended (the system's queues may hold it), the released job has nothing
    // left to send; a job that went on in its first copy would plot a copy
    // again either way.
    ASSERT_TRUE(plots.size() == 2 || plots.size() == 3) << plots.size() << server.log();
    if (plots.size() == 3) {
        EXPECT_NE(server.log().find("Resuming page 1 at path"), std::string::npos);
    }
    std::map<std::pair<std::pair<int64_t, int64_t>, std::pair<int64_t, int64_t>>, int> got;
    for (const std::string& plot : plots) {
        for (const auto& [segment, count] : segments(plot, server.profile(1)))
            got[segment] += count;
    }
    const auto whole = segments(server.reference_plot(drawing), server.profile(1));
    ASSERT_FALSE(whole.empty());
    int extra = 0;
    for (const auto& [segment, count] : whole) {
        const auto it = got.find(segment);
        ASSERT_NE(it, got.end()) << "a segment of the drawing was never drawn";
        EXPECT_GE(it->second, 2 * count);
        extra += it->second - 2 * count;
    }
    EXPECT_LE(extra, 8);
}

}  // namespace
}  // namespace tvk::printer_test
