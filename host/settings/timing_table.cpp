#include "host/settings/timing_table.h"

#include "host/host_error.h"

namespace tvk::host {
namespace {

// A figure above zero (no more than `high`), or the default where the key is missing.
double figure(const toml::table& timing, const char* key, double fallback, double high,
              const std::string& path) {
    const toml::node* node = timing.get(key);
    if (node == nullptr) return fallback;
    const auto v = node->value<double>();  // integers are accepted too
    if (!v || !(*v > 0) || *v > high) {
        throw HostError("profile " + path + ": timing." + key +
                        " must be a number above 0 and at most " +
                        std::to_string(static_cast<long>(high)));
    }
    return *v;
}

}  // namespace

PlotterTiming read_timing(const toml::table& root, const std::string& path) {
    PlotterTiming t;
    const toml::node* node = root.get("timing");
    if (node == nullptr) return t;
    const toml::table* timing = node->as_table();
    if (timing == nullptr) throw HostError("profile " + path + ": timing must be a table");
    t.travel_mm_s = figure(*timing, "travel_mm_s", t.travel_mm_s, 10000, path);
    t.draw_mm_s = figure(*timing, "draw_mm_s", t.draw_mm_s, 10000, path);
    t.lift_s = figure(*timing, "lift_s", t.lift_s, 60, path);
    t.pen_change_s = figure(*timing, "pen_change_s", t.pen_change_s, 3600, path);
    t.buffer_bytes =
        static_cast<int>(figure(*timing, "buffer_bytes", t.buffer_bytes, 1 << 30, path));
    t.acceleration_mm_s2 =
        figure(*timing, "acceleration_mm_s2", t.acceleration_mm_s2, 1000000, path);
    return t;
}

void write_timing(std::ostream& out, const PlotterTiming& t) {
    out << "\n# How long the plotter takes: for the time estimate and the path ordering.\n"
        << "[timing]\n"
        << "travel_mm_s = " << t.travel_mm_s << "  # pen-up moves\n"
        << "draw_mm_s = " << t.draw_mm_s
        << "  # pen-down, where neither the plot nor the model gives a pen speed\n"
        << "lift_s = " << t.lift_s << "  # lifting the pen and lowering it again\n"
        << "pen_change_s = " << t.pen_change_s << "  # one pen put away and another taken\n"
        << "buffer_bytes = " << t.buffer_bytes << "  # the plotter's input buffer\n"
        << "acceleration_mm_s2 = " << t.acceleration_mm_s2
        << "  # speeding up and slowing down, in every move\n";
}

}  // namespace tvk::host
