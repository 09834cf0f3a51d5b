// Shared set-up of the configuration tests: a scripted host, the driver-wide
// state put back to what a freshly loaded driver has, and a record that the
// functions below the entry work on as the current request record.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/config.h"
#include "deffile/deffile.h"
#include "driver/globals.h"
#include "driver/record.h"
#include "test_host/requests.h"
#include "test_host/test_host.h"

namespace tvk::test {

class ConfigTest : public ::testing::Test {
  protected:
    void SetUp() override {
        set_spec_defaults(spec);
        error_latch = kLatchNone;
        table_length = 255;
        std::memset(tvk::host_language, 0, sizeof tvk::host_language);
        plotter_resolution = 1024;
        long_plot_divisor = 16;
        paper_count = 0;
        current_paper = {1, spec.max_area_x, spec.max_area_y, 0, 0};
        set_stored_config_defaults();
        reset_message_table();
    }

    // Makes `r` the current request record, as an entry does first thing.
    static void use_record(Record& r) { current_record = r.data(); }

    // Papers "P1", "P2", ... of i by i/2 inches with origins (-i, -2i).
    static void set_papers(int count) {
        paper_count = count;
        for (int i = 1; i <= count; ++i) {
            std::snprintf(paper_table[i].name, sizeof paper_table[i].name, "P%d", i);
            paper_table[i].size_x = i;
            paper_table[i].size_y = i / 2.0;
            paper_table[i].origin_x = -i;
            paper_table[i].origin_y = -2 * i;
        }
    }

    static void store_in_host(TestHost& h, const std::vector<uint8_t>& block) {
        std::array<uint8_t, 24> a{};
        std::memcpy(a.data(), block.data(), 24);
        h.stored = a;
    }

    static StoredConfig saved_config(const TestHost& h, size_t i = 0) {
        return stored_config_from_bytes(h.saved.at(i).data());
    }

    TestHost host;
};

}  // namespace tvk::test

namespace tvk::test {

// Everything the host saw, in order: printed text as it stands, each prompt as
// "[service text|ints...]" and each cancel test as "[c]" (skip test "[s]").
inline std::string transcript(const TestHost& h) {
    std::string out;
    for (const auto& c : h.calls) {
        if (c.service == "print") {
            out += c.text;
        } else if (c.service == "input_cancelled") {
            out += "[c]";
        } else if (c.service == "input_skipped") {
            out += "[s]";
        } else if (c.service.rfind("ask_", 0) == 0) {
            out.append("[").append(c.service).append(" ").append(c.text);
            for (int32_t v : c.ints) out.append("|").append(std::to_string(v));
            out.append("]");
        }
    }
    return out;
}

}  // namespace tvk::test
