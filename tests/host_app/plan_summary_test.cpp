// A plot's plan as the user sees it: the same stream from every run of the
// same drawing, and the summary's bounds, which no plan goes below.
#include <gtest/gtest.h>

#include <random>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

// Short lines in clusters on four colours, many meeting end to start or at
// corners, enough for the route's improvement to do real work.
std::vector<Line> clustered_lines(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> cell(0, 80), step(-2, 2), colour(1, 4);
    std::vector<Line> lines;
    for (size_t i = 0; i < count; ++i) {
        const double x = cell(random) * 2.5, y = cell(random) * 2.5;
        lines.push_back({x, y, x + step(random) * 2.5, y + step(random) * 2.5, colour(random)});
    }
    return lines;
}

TEST(PlanSummary, TwoRunsGiveTheSameStreamAndTheSummaryShowsTheBounds) {
    TempDir dir;
    const std::string config = dir.file("config");
    // TVK-RX24: optimisation level 6.
    ASSERT_EQ(run_tvkplot({"configure", "--model", "TVK-RX24", "--yes"}, config).exit_code, 0);
    dir.write("lines.dxf", dxf_of_lines(clustered_lines(6000, 5)));
    std::string first;
    for (int run = 0; run < 2; ++run) {
        const std::string out = dir.file("run" + std::to_string(run) + ".plt");
        const Outcome o =
            run_tvkplot({"plot", dir.file("lines.dxf"), "-o", out, "--yes", "--json"}, config);
        ASSERT_EQ(o.exit_code, 0) << o.err;
        const std::string bytes = read_file(out);
        ASSERT_GT(bytes.size(), 10000u);
        if (run == 0) {
            first = bytes;
        } else {
            EXPECT_TRUE(bytes == first) << "the second run's stream differs from the first";
        }
        const Json j = parse_json(o.out);
        const Json& bounds = j["bounds"];
        ASSERT_EQ(bounds.kind, Json::Kind::kObject) << o.out;
        EXPECT_GT(bounds["pen_lifts"].number, 0);
        EXPECT_LE(bounds["pen_lifts"].number, j["pen_lifts"].number);
        EXPECT_GT(bounds["pen_up_mm"].number, 0);
        EXPECT_LE(bounds["pen_up_mm"].number, j["pen_up_mm"].number + 0.1);
        EXPECT_LE(bounds["plotter_seconds"].number, bounds["plan_plotter_seconds"].number);
        // The plan is near its bounds on a drawing like this.
        EXPECT_LT(j["pen_lifts"].number, 1.1 * bounds["pen_lifts"].number);
        EXPECT_LT(bounds["plan_plotter_seconds"].number, 1.1 * bounds["plotter_seconds"].number);
    }
    // Without --json the summary says it in words.
    const Outcome o = run_tvkplot({"plot", dir.file("lines.dxf"), "--dry-run", "--yes"}, config);
    ASSERT_EQ(o.exit_code, 0) << o.err;
    const std::string all = o.out + o.err;
    EXPECT_NE(all.find("plotting time within "), std::string::npos) << all;
    EXPECT_NE(all.find(" % of its bound (pen lifts "), std::string::npos) << all;
    EXPECT_NE(all.find("; pen-up travel "), std::string::npos) << all;
}

}  // namespace
}  // namespace tvk::host_test
