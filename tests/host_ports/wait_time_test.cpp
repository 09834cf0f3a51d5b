// tvkplot's unit of the port wait time the driver hands over.
#include <gtest/gtest.h>

#include "host/link/host_services.h"

namespace tvk::host {
namespace {

TEST(WaitTime, SecondsAroundAPlotMillisecondsForThePaperQueryAndWaitOverridesTheModel) {
    struct Case {
        int32_t wait, flag;
        std::optional<int> wait_option;
        int ms;
    };
    const Case cases[] = {
        {60, 1, {}, 60'000},   // the model's WAIT_TIME, in seconds
        {0, 1, {}, 120'000},   // none: the default
        {-5, 1, {}, 120'000},  // nonsense: the default
        {60, 1, 5, 5'000},     // --wait wins over the model
        {0, 1, 0, 0},          // --wait 0: no limit
        {3000, 0, {}, 3'000},  // the paper query, in milliseconds
        {3000, 0, 5, 3'000},   // which --wait does not touch
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wait_milliseconds(c.wait, c.flag, c.wait_option), c.ms)
            << c.wait << " with flag " << c.flag;
    }
}

}  // namespace
}  // namespace tvk::host
