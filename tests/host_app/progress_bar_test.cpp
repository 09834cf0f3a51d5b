// The progress bar's line: as wide as the terminal, with the phase, the
// share done of the total and the time left.
#include <gtest/gtest.h>

#include "host/ui/plot_report.h"

namespace tvk::host {
namespace {

TEST(ProgressBarLine, FitsTheTerminalAndShowsTotalAndTimeLeft) {
    struct Case {
        std::string phase;
        uint64_t done, total;
        double left;
        std::string extra;
        int columns;
        std::string line;
    };
    const std::vector<Case> cases = {
        // The bar takes what the figures leave of the line, less one column.
        {"Sending", 50, 200, 75, "12 KB sent", 70,
         "Sending [####              ]  25% 50/200, 12 KB sent, 1 min 15 s left"},
        {"Ordering", 3, 3, -1, "", 40, "Ordering [###################] 100% 3/3"},
        // Too narrow for a bar: the figures alone, cut to the width.
        {"Sending", 1, 2, 5, "1 KB sent", 30, "Sending  50% 1/2, 1 KB sent, "},
        {"Reading", 0, 0, -1, "", 80, "Reading ..."},
        {"Reading", 4096, 0, -1, "", 80, "Reading 4096"},
    };
    for (const Case& c : cases) {
        const std::string line =
            ProgressBar::line(c.phase, c.done, c.total, c.left, c.extra, c.columns);
        EXPECT_LT(line.size(), static_cast<size_t>(c.columns)) << line;
        EXPECT_EQ(line, c.line);
    }
    // A wide terminal gets a bar at most 60 wide.
    const std::string wide = ProgressBar::line("Sending", 1, 2, -1, "", 200);
    EXPECT_EQ(wide, "Sending [" + std::string(30, '#') + std::string(30, ' ') + "]  50% 1/2");
}

}  // namespace
}  // namespace tvk::host

namespace tvk::host {
namespace {

// A plot of a few kilobytes shows its bytes, not "0 KB".
TEST(ProgressBarLine, CountsBytesInAUnitThatShowsThem) {
    EXPECT_EQ(amount_of_bytes(0), "0 bytes");
    EXPECT_EQ(amount_of_bytes(4140), "4140 bytes");
    EXPECT_EQ(amount_of_bytes(10 * 1024 - 1), "10239 bytes");
    EXPECT_EQ(amount_of_bytes(16000), "15 KB");
}

}  // namespace
}  // namespace tvk::host
