// SVG files of an independent renderer's test suite (tests/host_drawing/svg/
// reference/, README.md there), drawn by the reader and by librsvg
// (Debian's rsvg-convert) and compared pixel by pixel: where either puts
// ink, the other must have ink within two pixels. A plotter draws what a
// browser covers, so a red shape under a green one is ink in both.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "host/drawing/geometry/geometry.h"
#include "host/drawing/model/drawing.h"

namespace tvk::host::test {
namespace {

namespace fs = std::filesystem;

constexpr double kPxPerMm = 96 / 25.4;

struct Ink {
    int width = 0, height = 0;
    std::vector<uint8_t> on;  // row by row, top first
    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height && on[size_t(y) * width + x];
    }
};

uint32_t big_endian(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 |
           uint32_t(uint8_t(s[at + 2])) << 8 | uint32_t(uint8_t(s[at + 3]));
}

// The ink of an 8-bit RGBA PNG as rsvg-convert writes it: pixels mostly
// opaque and not white.
Ink png_ink(const std::string& png) {
    Ink ink;
    std::string data;
    for (size_t at = 8; at + 8 <= png.size();) {
        const uint32_t length = big_endian(png, at);
        const std::string type = png.substr(at + 4, 4);
        if (type == "IHDR") {
            ink.width = int(big_endian(png, at + 8));
            ink.height = int(big_endian(png, at + 12));
            if (png[at + 16] != 8 || png[at + 17] != 6 || png[at + 20] != 0) return {};
        } else if (type == "IDAT") {
            data += png.substr(at + 8, length);
        }
        at += 12 + length;
    }
    const size_t row = size_t(ink.width) * 4 + 1;
    std::vector<uint8_t> raw(row * size_t(ink.height));
    uLongf size = raw.size();
    if (uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(data.data()), data.size()) !=
            Z_OK ||
        size != raw.size())
        return {};
    std::vector<uint8_t> pixels(size_t(ink.width) * 4 * ink.height);
    const size_t stride = size_t(ink.width) * 4;
    for (int y = 0; y < ink.height; ++y) {
        const uint8_t filter = raw[y * row];
        for (size_t i = 0; i < stride; ++i) {
            const int a = i >= 4 ? pixels[y * stride + i - 4] : 0;
            const int b = y > 0 ? pixels[(y - 1) * stride + i] : 0;
            const int c = i >= 4 && y > 0 ? pixels[(y - 1) * stride + i - 4] : 0;
            int predicted = 0;
            if (filter == 1) predicted = a;
            if (filter == 2) predicted = b;
            if (filter == 3) predicted = (a + b) / 2;
            if (filter == 4) {
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                          pc = std::abs(p - c);
                predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            }
            pixels[y * stride + i] = uint8_t(raw[y * row + 1 + i] + predicted);
        }
    }
    ink.on.resize(size_t(ink.width) * ink.height);
    for (size_t k = 0; k < ink.on.size(); ++k) {
        const uint8_t* p = &pixels[k * 4];
        ink.on[k] = p[3] > 127 && (p[0] + p[1] + p[2]) < 3 * 230;
    }
    return ink;
}

// The reader's drawing as a plotter draws it, in pixels of the page magnified
// `zoom` times: each
// stroke as wide as it is drawn (at least a pixel), fills whole.
Ink drawing_ink(const FlatDrawing& f, int width, int height, int zoom) {
    Ink ink{width, height, std::vector<uint8_t>(size_t(width) * height)};
    const double scale = kPxPerMm * zoom;
    const auto px = [&](Vec2 mm) { return Vec2{mm.x * scale, height - mm.y * scale}; };
    std::vector<std::pair<const Path*, std::vector<Vec2>>> lines;
    for (const Path& p : f.paths) {
        // Dashes as the host cuts them where the plotter has no such pattern.
        const auto dashes = f.dash_patterns.find(p.linetype);
        if (dashes == f.dash_patterns.end())
            lines.emplace_back(&p, p.points);
        else
            for (auto& dash : dashed(p.points, dashes->second, 0.05)) lines.emplace_back(&p, dash);
    }
    for (const auto& [path, points] : lines) {
        const double half = std::max(0.5, path->width * scale / 2);
        for (size_t i = 0; i < points.size(); ++i) {
            const Vec2 a = px(points[i]), b = px(points[std::min(i + 1, points.size() - 1)]);
            const int x0 = int(std::floor(std::min(a.x, b.x) - half)),
                      x1 = int(std::ceil(std::max(a.x, b.x) + half));
            const int y0 = int(std::floor(std::min(a.y, b.y) - half)),
                      y1 = int(std::ceil(std::max(a.y, b.y) + half));
            for (int y = std::max(0, y0); y <= std::min(height - 1, y1); ++y)
                for (int x = std::max(0, x0); x <= std::min(width - 1, x1); ++x)
                    if (distance_to_segment({x + 0.5, y + 0.5}, a, b) <= half)
                        ink.on[size_t(y) * width + x] = 1;
        }
    }
    for (const Fill& fill : f.fills) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const Vec2 c{x + 0.5, y + 0.5};
                bool inside = false;
                for (const auto& ring : fill.rings) {
                    for (size_t i = 0, n = ring.size(); i < n; ++i) {
                        const Vec2 a = px(ring[i]), b = px(ring[(i + 1) % n]);
                        if ((a.y > c.y) != (b.y > c.y) &&
                            c.x < a.x + (c.y - a.y) / (b.y - a.y) * (b.x - a.x))
                            inside = !inside;
                    }
                }
                if (inside) ink.on[size_t(y) * width + x] = 1;
            }
        }
    }
    return ink;
}

// The share of `of`'s ink that has ink of `in` within `reach` pixels.
double covered(const Ink& of, const Ink& in, int reach) {
    long all = 0, near = 0;
    for (int y = 0; y < of.height; ++y) {
        for (int x = 0; x < of.width; ++x) {
            if (!of.at(x, y)) continue;
            ++all;
            bool found = false;
            for (int dy = -reach; dy <= reach && !found; ++dy)
                for (int dx = -reach; dx <= reach && !found; ++dx) found = in.at(x + dx, y + dy);
            near += found;
        }
    }
    return all ? double(near) / double(all) : 1;
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Files that fall short for a known reason, with the score they reach.
const std::map<std::string, double> kKnownShort = {};

TEST(SvgReference, TheSampleDrawsWhereLibrsvgDraws) {
    if (std::system("rsvg-convert --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "rsvg-convert (Debian's librsvg2-bin) is not installed";
    const fs::path sample = fs::path(TVK_SOURCE_DIR) / "tests/host_drawing/svg/reference";
    const fs::path scratch =
        fs::temp_directory_path() / ("tvk-svg-reference-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(sample))
        if (e.path().extension() == ".svg") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 10u);
    double sum = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const fs::path png = scratch / (file.stem().string() + ".png");
        const auto render = [&](int zoom) {
            const std::string command = "rsvg-convert -z " + std::to_string(zoom) + " -o '" +
                                        png.string() + "' '" + file.string() + "' 2>/dev/null";
            return std::system(command.c_str()) == 0 ? png_ink(slurp(png)) : Ink{};
        };
        // Small drawings (icons) magnified to about 200 pixels.
        Ink reference = render(1);
        ASSERT_GT(reference.width, 0);
        const int zoom = std::max(1, 200 / std::max(reference.width, reference.height));
        if (zoom > 1) reference = render(zoom);
        const Drawing d = Drawing::from_svg(slurp(file), file.string());
        const Ink ours = drawing_ink(d.flatten(0.01), reference.width, reference.height, zoom);
        // TVK_REFERENCE_DUMP=DIR writes both inks as PBM pictures, to look at.
        if (const char* dump = std::getenv("TVK_REFERENCE_DUMP")) {
            for (const auto& [ink, suffix] :
                 {std::pair(&ours, ".ours.pbm"),
                  std::pair(static_cast<const Ink*>(&reference), ".librsvg.pbm")}) {
                std::ofstream out(fs::path(dump) / (file.stem().string() + suffix));
                out << "P1\n" << ink->width << ' ' << ink->height << '\n';
                for (uint8_t v : ink->on) out << (v ? "1 " : "0 ");
            }
        }
        const double precision = covered(ours, reference, 2), recall = covered(reference, ours, 2);
        const double f = precision + recall > 0 ? 2 * precision * recall / (precision + recall) : 0;
        sum += f;
        const auto known = kKnownShort.find(file.filename().string());
        const double threshold = known != kKnownShort.end() ? known->second : 0.97;
        EXPECT_GE(f, threshold) << "precision " << precision << ", recall " << recall;
        std::printf("%-40s F %.3f (precision %.3f, recall %.3f)\n",
                    file.filename().string().c_str(), f, precision, recall);
    }
    std::printf("%zu files, mean F %.3f\n", files.size(), sum / double(files.size()));
    fs::remove_all(scratch);
}

}  // namespace
}  // namespace tvk::host::test
