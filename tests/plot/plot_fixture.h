// A plot driven through the plot entry by the scripted host, with the
// specification, stored configuration and paper set directly, as set-up (48)
// would leave them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "driver/globals.h"
#include "test_host/requests.h"
#include "test_host/test_host.h"

namespace tvk::test {

class PlotTest : public ::testing::Test {
  protected:
    // Initialise (49), then the default specification, TK-GL1 on a parallel
    // port in absolute coordinates without PE, unbuffered, paper at the
    // maximum area; start and end strings of the language.
    void SetUp() override;

    void use_language(int index);  // stored language bit, strings and line-type limit
    void use_flags(uint16_t flags) { stored_config.flags = flags; }
    // Begins a plot in `language` with `flags`, the record of the opening cleared.
    void start(int language, uint16_t flags = kFlagAbsolute);

    // Requests, as a host sends them; each returns its record.
    Record request(int16_t code);
    Record begin_plot() { return request(30); }
    Record end_plot() { return request(2); }
    Record cancel() { return request(9); }
    Record move(uint16_t x, uint16_t y) { return point(3, x, y); }
    Record draw(uint16_t x, uint16_t y) { return point(4, x, y); }
    Record pen(uint16_t n) { return word(5, n); }
    Record velocity(uint16_t v) { return word(6, v); }
    Record line_type(uint16_t n) { return word(7, n); }
    Record lift() { return request(8); }
    Record pen_width(double inches);
    Record polygon(int16_t fill_pen, const std::vector<std::pair<uint16_t, uint16_t>>& vertices);

    // The texts of the host_write_port calls, in order.
    std::vector<std::string> pieces() const;

    TestHost host;

  private:
    Record point(int16_t code, uint16_t x, uint16_t y);
    Record word(int16_t code, uint16_t v);
};

}  // namespace tvk::test
