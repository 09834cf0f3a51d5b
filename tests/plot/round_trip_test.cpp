// Random drawings through the plot entry, decoded back from the plotter
// stream: every language, coordinate system, PE mode, long-plot divisor and
// buffer setting must give exactly the segments and polygons requested.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "decoder/stream_decoder.h"
#include "plot_fixture.h"

namespace tvk::test {
namespace {

namespace dec = tvk::decoder;

struct Case {
    int language;
    bool absolute;
    int pe;       // 0 none, 7 or 8
    int divisor;  // 0 no long plot
    int buffers;
};

std::string describe(const Case& s) {
    std::ostringstream o;
    o << kLanguageNames[s.language] << (s.absolute ? " absolute" : " relative") << " PE " << s.pe
      << " divisor " << s.divisor << " buffers " << s.buffers;
    return o.str();
}

std::string describe(const dec::Segment& s) {
    std::ostringstream o;
    o << (s.pen_down ? "draw " : "move ") << "(" << s.from.x << "," << s.from.y << ")->(" << s.to.x
      << "," << s.to.y << ")";
    if (s.pen_down)
        o << " pen " << s.style.pen << " lt " << s.style.line_type << "/" << s.style.pattern_length
          << " vs " << s.style.velocity << " pw " << s.style.width_mm;
    return o.str();
}

// What the plotter should have done: pen-down segments with their style,
// and pen-up moves that go somewhere.
std::vector<std::string> comparable(const std::vector<dec::Segment>& segments) {
    std::vector<std::string> out;
    for (const auto& s : segments)
        if (s.pen_down || !(s.from == s.to)) out.push_back(describe(s));
    return out;
}

class RoundTripTest : public PlotTest {
  protected:
    static constexpr double kPattern[9] = {0, 1, 1, 2, 2, 2, 2, 2, 2};
    static constexpr int kVtxPattern[9] = {120, 120, 120, 320, 320, 320, 320, 320, 320};

    void run(const Case& setup, uint32_t seed);

    dec::Point scaled(uint16_t x, uint16_t y) const {
        const int64_t k = case_.divisor ? case_.divisor : 1;
        return {origin_.x + x * k, origin_.y + y * k};
    }
    void expect_move(dec::Point to, bool down) {
        expected_.push_back({position_, to, down, style_});
        position_ = to;
    }

    Case case_{};
    dec::Point origin_;
    dec::Point position_;
    dec::PenStyle style_;
    std::vector<dec::Segment> expected_;
    std::vector<dec::Polygon> expected_polygons_;
};

void RoundTripTest::run(const Case& setup, uint32_t seed) {
    case_ = setup;
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const bool hpgl = setup.language != kVtxGl;

    use_language(setup.language);
    uint16_t flags = setup.absolute ? kFlagAbsolute : 0;
    if (setup.pe) flags |= kFlagPe | (setup.pe == 8 ? kFlagPe8 : 0);
    if (setup.divisor) flags |= kFlagLongPlot;
    use_flags(flags);
    long_plot_divisor = setup.divisor ? setup.divisor : 16;
    spec.buffers = setup.buffers;
    current_paper.origin_x = hpgl && setup.absolute ? pick(-500, 500) : 0;
    current_paper.origin_y = hpgl && setup.absolute ? pick(-500, 500) : 0;
    plot.pen_speed_limit = 40;

    origin_ = {current_paper.origin_x, current_paper.origin_y};
    position_ = {};
    style_ = dec::PenStyle{};
    style_.pen = hpgl ? 1 : 0;  // the opening selects pen 1 on HP-GL plotters
    expected_.clear();
    expected_polygons_.clear();
    if (!(origin_ == position_)) expect_move(origin_, false);

    begin_plot();
    int driver_pen = -1;
    bool drawn = false;
    uint16_t last_x = 0, last_y = 0;
    auto random_point = [&]() -> std::pair<uint16_t, uint16_t> {
        if (pick(0, 3) == 0)
            return {static_cast<uint16_t>(pick(0, 65535)), static_cast<uint16_t>(pick(0, 65535))};
        return {static_cast<uint16_t>(std::clamp(last_x + pick(-40, 40), 0, 65535)),
                static_cast<uint16_t>(std::clamp(last_y + pick(-40, 40), 0, 65535))};
    };
    for (int step = 0; step < 300; ++step) {
        const int kind = pick(0, 19);
        if (kind < 6) {
            auto [x, y] = random_point();
            move(x, y);
            expect_move(scaled(x, y), false);
            last_x = x, last_y = y;
        } else if (kind < 13) {
            auto [x, y] = random_point();
            draw(x, y);
            expect_move(scaled(x, y), true);
            drawn = true;
            last_x = x, last_y = y;
        } else if (kind == 13) {
            lift();
        } else if (kind == 14) {
            const int n = pick(1, 8);
            pen(static_cast<uint16_t>(n));
            driver_pen = n;
            style_.pen = n;
        } else if (kind == 15) {
            const int n = pick(0, 9);
            line_type(static_cast<uint16_t>(n));
            const int shown = n >= 1 && n <= spec.max_line_type ? n : 0;
            style_.line_type = shown;
            style_.pattern_length = hpgl ? (shown ? kPattern[shown] : 0) : kVtxPattern[shown];
        } else if (kind == 16) {
            const int v = pick(0, 50);
            velocity(static_cast<uint16_t>(v));
            if (hpgl && v != 0 && v <= 40) style_.velocity = v;
        } else if (kind == 17 && setup.language == kTkGl3) {
            const double inches = pick(-10, 250) / 100.0;
            pen_width(inches);
            const double mm = inches > 0 && inches * 25.4 <= 50 ? inches * 25.4 : 0.254;
            style_.width_mm = std::round(mm * 1000) / 1000;
        } else if (kind >= 18 && (setup.language == kTkGl2 || setup.language == kTkGl3)) {
            std::vector<std::pair<uint16_t, uint16_t>> vertices;
            for (int i = pick(1, 5); i > 0; --i) vertices.push_back(random_point());
            const int fill_pen = pick(1, 8);
            polygon(static_cast<int16_t>(fill_pen), vertices);
            style_.pen = fill_pen;
            expect_move(scaled(vertices[0].first, vertices[0].second), false);
            dec::Polygon p;
            for (const auto& [x, y] : vertices) p.vertices.push_back(scaled(x, y));
            p.vertices.push_back(p.vertices.front());
            p.filled = p.edged = true;
            p.style = style_;
            expected_polygons_.push_back(p);
            if (driver_pen != -1 && driver_pen != fill_pen) style_.pen = driver_pen;
            drawn = true;
            last_x = vertices[0].first, last_y = vertices[0].second;
        }
    }
    if (drawn) {
        if (!hpgl) {
            expect_move({0, 0}, false);
        } else if (setup.absolute) {
            expect_move(origin_, false);
        } else {
            expect_move({-position_.x, -position_.y}, false);
        }
    }
    end_plot();
    ASSERT_EQ(error_latch, 0);

    const auto decoded = dec::decode(host.port, static_cast<dec::Language>(setup.language));
    for (const auto& p : decoded.problems) ADD_FAILURE() << p.offset << ": " << p.what;
    const auto got = comparable(decoded.segments);
    const auto want = comparable(expected_);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) ASSERT_EQ(got[i], want[i]) << "segment " << i;
    ASSERT_EQ(decoded.polygons.size(), expected_polygons_.size());
    for (size_t i = 0; i < expected_polygons_.size(); ++i) {
        EXPECT_EQ(decoded.polygons[i].vertices, expected_polygons_[i].vertices) << "polygon " << i;
        EXPECT_EQ(decoded.polygons[i].style.pen, expected_polygons_[i].style.pen)
            << "polygon " << i;
        EXPECT_TRUE(decoded.polygons[i].filled && decoded.polygons[i].edged);
    }
}

TEST_F(RoundTripTest, RandomDrawingsDecodeToExactlyWhatWasRequested) {
    uint32_t seed = 1;
    for (int language : {kVtxGl, kTkGl1, kTkGl2, kTkGl3}) {
        for (bool absolute : {true, false}) {
            for (int pe : {0, 7, 8}) {
                if (language == kVtxGl && pe != 0) continue;
                for (int divisor : {0, 1, 2, 4, 8, 16}) {
                    const Case setup{language, absolute, pe, divisor, divisor % 4 == 0 ? 0 : 1};
                    SCOPED_TRACE(describe(setup) + " seed " + std::to_string(seed));
                    host.clear_record();
                    initialise(Entry::kPlot);
                    run(setup, seed++);
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

}  // namespace
}  // namespace tvk::test
