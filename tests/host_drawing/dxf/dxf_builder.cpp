#include "tests/host_drawing/dxf/dxf_builder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>

namespace tvk::host::test {

std::string entity(const std::string& type, const Groups& groups) {
    std::string out = "  0\n" + type + "\n";
    for (const auto& [code, value] : groups) out += std::to_string(code) + "\n" + value + "\n";
    return out;
}

std::string layer(const std::string& name, int color, const std::string& linetype, int flags) {
    return entity(
        "LAYER",
        {{2, name}, {70, std::to_string(flags)}, {62, std::to_string(color)}, {6, linetype}});
}

std::string block(const std::string& name, Vec2 base, const std::string& entities) {
    return entity("BLOCK", {{8, "0"},
                            {2, name},
                            {70, "0"},
                            {10, std::to_string(base.x)},
                            {20, std::to_string(base.y)},
                            {30, "0"}}) +
           entities + entity("ENDBLK", {{8, "0"}});
}

std::string dxf_file(const std::string& entities, const std::string& blocks,
                     const std::string& layers, const std::string& header) {
    std::string out = entity("SECTION", {{2, "HEADER"}}) + header + entity("ENDSEC", {});
    out += entity("SECTION", {{2, "TABLES"}}) + entity("TABLE", {{2, "LAYER"}}) + layer("0", 7) +
           layers + entity("ENDTAB", {}) + entity("ENDSEC", {});
    out += entity("SECTION", {{2, "BLOCKS"}}) + blocks + entity("ENDSEC", {});
    out += entity("SECTION", {{2, "ENTITIES"}}) + entities + entity("ENDSEC", {});
    return out + entity("EOF", {});
}

std::string write_temp(const std::string& name, const std::string& contents) {
    static std::atomic<int> counter{0};
    // ctest runs test processes side by side: the process id keeps their files apart.
    std::string path = testing::TempDir() + "tvk_" + std::to_string(getpid()) + "_" +
                       std::to_string(counter++) + "_" + name;
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

Drawing load(const std::string& contents) {
    return Drawing::load_dxf(write_temp("test.dxf", contents));
}

FlatDrawing flat(const std::string& contents, double tolerance) {
    return load(contents).flatten(tolerance);
}

double max_radius_error(const std::vector<Vec2>& path, Vec2 c, double r) {
    double worst = 0;
    for (Vec2 p : path) worst = std::max(worst, std::abs(std::hypot(p.x - c.x, p.y - c.y) - r));
    return worst;
}

}  // namespace tvk::host::test
