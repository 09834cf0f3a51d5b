#include "plot_fixture.h"

#include <cstring>

#include "deffile/deffile.h"

namespace tvk::test {

void PlotTest::SetUp() {
    plot = PlotState{};
    initialise(Entry::kPlot);
    set_spec_defaults(spec);
    spec.buffers = 0;
    stored_config = StoredConfig{1, 0x02, 1, 1, 0, 8, 0, 9600, kFlagAbsolute, 0x0F, 1};
    current_paper = CurrentPaper{1, spec.max_area_x, spec.max_area_y, 0, 0};
    plotter_resolution = 1016;
    long_plot_divisor = 16;
    use_language(kTkGl1);
    host.clear_record();
}

void PlotTest::use_language(int index) {
    stored_config.language = static_cast<int16_t>(1 << index);
    std::strcpy(plot.start_string, spec.start_string[index]);
    std::strcpy(plot.end_string, spec.end_string[index]);
    spec.max_line_type = index == kVtxGl ? 5 : index == kTkGl3 ? 8 : 6;
}

void PlotTest::start(int language, uint16_t flags) {
    use_language(language);
    use_flags(flags);
    begin_plot();
    host.clear_record();
}

Record PlotTest::request(int16_t code) {
    Record r(code);
    call(Entry::kPlot, r);
    return r;
}

Record PlotTest::point(int16_t code, uint16_t x, uint16_t y) {
    Record r(code);
    r.set_u16(4, x).set_u16(6, y);
    call(Entry::kPlot, r);
    return r;
}

Record PlotTest::word(int16_t code, uint16_t v) {
    Record r(code);
    r.set_u16(4, v);
    call(Entry::kPlot, r);
    return r;
}

Record PlotTest::pen_width(double inches) {
    Record r(41);
    r.set_f64(4, inches);
    call(Entry::kPlot, r);
    return r;
}

Record PlotTest::polygon(int16_t fill_pen,
                         const std::vector<std::pair<uint16_t, uint16_t>>& vertices) {
    Record r(33, 12 + 4 * vertices.size());
    r.set_i16(6, fill_pen).set_i16(10, static_cast<int16_t>(vertices.size()));
    for (size_t i = 0; i < vertices.size(); ++i)
        r.set_u16(static_cast<int>(12 + 4 * i), vertices[i].first)
            .set_u16(static_cast<int>(14 + 4 * i), vertices[i].second);
    call(Entry::kPlot, r);
    return r;
}

std::vector<std::string> PlotTest::pieces() const {
    std::vector<std::string> out;
    for (const auto& c : host.calls_of("write_port")) out.push_back(c.text);
    return out;
}

}  // namespace tvk::test
