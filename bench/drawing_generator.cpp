#include "bench/drawing_generator.h"

#include <cmath>
#include <cstdio>
#include <random>

namespace tvk::bench {
namespace {

class Writer {
  public:
    Writer() { out_ = "0\nSECTION\n2\nENTITIES\n"; }
    std::string finish() { return out_ + "0\nENDSEC\n0\nEOF\n"; }

    void begin(const char* type, int pen) {
        out_ += "0\n";
        out_ += type;
        out_ += "\n8\n0\n62\n" + std::to_string(pen) + "\n";
    }
    void number(int code, double value) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%d\n%.6f\n", code, value);
        out_ += buf;
    }
    void text(int code, const std::string& value) {
        out_ += std::to_string(code) + "\n" + value + "\n";
    }

  private:
    std::string out_;
};

}  // namespace

std::string cad_mix(size_t entities, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::uniform_int_distribution<int> pen(1, 4);
    // About 40 entities a part, 100 mm square each, on a sheet of as many parts.
    const double side = std::ceil(std::sqrt(static_cast<double>(entities) / 40.0)) * 120.0;
    Writer w;
    size_t made = 0;
    while (made < entities) {
        const double ox = unit(rng) * side, oy = unit(rng) * side;
        const int part_pen = pen(rng);
        for (int k = 0; k < 40 && made < entities; ++k, ++made) {
            const double x = ox + unit(rng) * 100, y = oy + unit(rng) * 100;
            const int kind = static_cast<int>(unit(rng) * 20);
            const int p = unit(rng) < 0.7 ? part_pen : pen(rng);
            if (kind < 2) {
                // A chain of lines, each beginning where the last ended.
                double cx = x, cy = y;
                for (int n = 0; n < 6 && made < entities; ++n, ++made) {
                    const double nx = cx + (unit(rng) - 0.5) * 30, ny = cy + (unit(rng) - 0.5) * 30;
                    w.begin("LINE", p);
                    w.number(10, cx), w.number(20, cy), w.number(11, nx), w.number(21, ny);
                    cx = nx, cy = ny;
                }
                --made;
            } else if (kind < 4) {
                // A frame of four lines meeting at its corners, crossed by a
                // fifth from the middle of its bottom to its top: T-junctions.
                const double wd = 5 + unit(rng) * 30, ht = 5 + unit(rng) * 30;
                const double xs[5] = {x, x + wd, x + wd, x, x + wd / 2},
                             ys[5] = {y, y, y + ht, y + ht, y};
                for (int n = 0; n < 5 && made < entities; ++n, ++made) {
                    w.begin("LINE", p);
                    w.number(10, xs[n]), w.number(20, ys[n]);
                    if (n < 4) {
                        w.number(11, xs[(n + 1) % 4]), w.number(21, ys[(n + 1) % 4]);
                    } else {
                        w.number(11, xs[n]), w.number(21, y + ht);
                    }
                }
                --made;
            } else if (kind < 8) {
                w.begin("LWPOLYLINE", p);
                w.number(90, 8), w.number(70, unit(rng) < 0.5 ? 1 : 0);
                for (int n = 0; n < 8; ++n) {
                    w.number(10, x + unit(rng) * 40), w.number(20, y + unit(rng) * 40);
                    w.number(42, n % 2 ? unit(rng) - 0.5 : 0);
                }
            } else if (kind < 12) {
                w.begin("CIRCLE", p);
                w.number(10, x), w.number(20, y), w.number(40, 1 + unit(rng) * 10);
            } else if (kind < 16) {
                w.begin("ARC", p);
                w.number(10, x), w.number(20, y), w.number(40, 1 + unit(rng) * 20);
                w.number(50, unit(rng) * 360), w.number(51, unit(rng) * 360);
            } else {
                w.begin("TEXT", p);
                w.number(10, x), w.number(20, y), w.number(40, 2.5);
                w.text(1, "PART " + std::to_string(made % 10000) + " - DETAIL A");
            }
        }
    }
    return w.finish();
}

std::string short_lines(size_t entities, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::uniform_int_distribution<int> pen(1, 4);
    // One line in every 10 mm square or so.
    const double side = std::sqrt(static_cast<double>(entities)) * 10.0;
    Writer w;
    for (size_t i = 0; i < entities; ++i) {
        const double x = unit(rng) * side, y = unit(rng) * side, a = unit(rng) * 6.283;
        w.begin("LINE", pen(rng));
        w.number(10, x), w.number(20, y);
        w.number(11, x + 2 * std::cos(a)), w.number(21, y + 2 * std::sin(a));
    }
    return w.finish();
}

}  // namespace tvk::bench
