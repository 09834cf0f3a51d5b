// The drawings of make_corpus.py, as ezdxf writes them in every DXF version,
// read as ezdxf itself reads them: each NAME.dxf is checked against the
// statements of its NAME.expect (see the script for what they mean).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unordered_map>

#include "host/drawing/model/drawing.h"

namespace tvk::host {
namespace {

namespace fs = std::filesystem;

struct Expectations {
    std::vector<std::vector<Vec2>> refs;
    bool exact = false;
    double tolerance = 0.05;
    std::map<std::string, int> unsupported;
    struct Colour {
        Vec2 at;
        int color;
    };
    std::vector<Colour> colours;
    std::vector<Box> boxes;
    std::optional<Box> within;
    std::optional<size_t> fills;
    bool nothing = false;
    std::optional<std::string> error;
};

Box box_of(std::istringstream& in) {
    Box b;
    in >> b.min_x >> b.min_y >> b.max_x >> b.max_y;
    return b;
}

Expectations read_expectations(const fs::path& path) {
    Expectations e;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string what;
        words >> what;
        if (what == "ref") {
            std::vector<Vec2> points;
            for (Vec2 p; words >> p.x >> p.y;) points.push_back(p);
            e.refs.push_back(std::move(points));
        } else if (what == "exact") {
            e.exact = true;
        } else if (what == "tolerance") {
            words >> e.tolerance;
        } else if (what == "unsupported") {
            std::string type;
            int count = 0;
            words >> type >> count;
            e.unsupported[type] = count;
        } else if (what == "color") {
            Expectations::Colour c;
            words >> c.at.x >> c.at.y >> c.color;
            e.colours.push_back(c);
        } else if (what == "box") {
            e.boxes.push_back(box_of(words));
        } else if (what == "within") {
            e.within = box_of(words);
        } else if (what == "fills") {
            size_t n = 0;
            words >> n;
            e.fills = n;
        } else if (what == "nothing") {
            e.nothing = true;
        } else if (what == "error") {
            std::string text;
            std::getline(words >> std::ws, text);
            e.error = text;
        } else if (!what.empty()) {
            ADD_FAILURE() << path << ": unknown statement " << what;
        }
    }
    return e;
}

double distance_to_segment(Vec2 p, Vec2 a, Vec2 b) {
    double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
    double t = len2 == 0 ? 0 : std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

// The segments of some polylines in a grid of cells, for the distance from a
// point to the nearest of them within a search radius.
class SegmentIndex {
  public:
    SegmentIndex(const std::vector<std::vector<Vec2>>& lines, double radius) : cell_(radius) {
        for (size_t l = 0; l < lines.size(); ++l) {
            const auto& line = lines[l];
            for (size_t i = 0; i < line.size(); ++i) {
                Vec2 a = line[i], b = line[std::min(i + 1, line.size() - 1)];
                if (i + 1 == line.size() && line.size() > 1) break;
                segments_.push_back({a, b, l});
                long x0 = key(std::min(a.x, b.x)), x1 = key(std::max(a.x, b.x));
                long y0 = key(std::min(a.y, b.y)), y1 = key(std::max(a.y, b.y));
                // Long diagonal segments would fill many cells: they go in every cell
                // of their box only while that stays small.
                if ((x1 - x0 + 1) * (y1 - y0 + 1) > 4096) {
                    long_segments_.push_back(segments_.size() - 1);
                    continue;
                }
                for (long x = x0; x <= x1; ++x)
                    for (long y = y0; y <= y1; ++y)
                        cells_[cell(x, y)].push_back(segments_.size() - 1);
            }
        }
    }

    // The distance to the nearest segment and the polyline it belongs to; a
    // distance above the radius when none is within it.
    std::pair<double, size_t> nearest(Vec2 p) const {
        std::pair<double, size_t> best{1e300, 0};
        auto visit = [&](size_t s) {
            double d = distance_to_segment(p, segments_[s].a, segments_[s].b);
            if (d < best.first) best = {d, segments_[s].line};
        };
        for (long x = key(p.x) - 1; x <= key(p.x) + 1; ++x)
            for (long y = key(p.y) - 1; y <= key(p.y) + 1; ++y)
                if (auto it = cells_.find(cell(x, y)); it != cells_.end())
                    for (size_t s : it->second) visit(s);
        for (size_t s : long_segments_) visit(s);
        return best;
    }

  private:
    struct Indexed {
        Vec2 a, b;
        size_t line;
    };
    long key(double v) const { return static_cast<long>(std::floor(v / cell_)); }
    static long long cell(long x, long y) {
        return (static_cast<long long>(x) << 32) ^ (y & 0xffffffff);
    }

    double cell_;
    std::vector<Indexed> segments_;
    std::vector<size_t> long_segments_;
    std::unordered_map<long long, std::vector<size_t>> cells_;
};

fs::path corpus_dir() {
    const char* dir = std::getenv("TVK_DXF_CORPUS");
    return dir ? fs::path(dir) : fs::path(TVK_DXF_CORPUS);
}

void check(const fs::path& dxf) {
    SCOPED_TRACE(dxf.filename().string());
    Expectations e = read_expectations(fs::path(dxf).replace_extension(".expect"));
    if (e.error) {
        try {
            Drawing::load_dxf(dxf.string());
            ADD_FAILURE() << "loads, but should fail with " << *e.error;
        } catch (const DxfError& error) {
            EXPECT_NE(std::string(error.what()).find(*e.error), std::string::npos) << error.what();
        }
        return;
    }
    Drawing d;
    try {
        d = Drawing::load_dxf(dxf.string());
    } catch (const DxfError& error) {
        ADD_FAILURE() << error.what();
        return;
    }
    EXPECT_EQ(d.unsupported(), e.unsupported);
    FlatDrawing flat = d.flatten(e.tolerance / 4);
    if (e.nothing) {
        EXPECT_TRUE(flat.paths.empty() && flat.fills.empty());
        EXPECT_TRUE(d.extents().empty());
    }
    if (e.fills) {
        EXPECT_EQ(flat.fills.size(), *e.fills);
    }

    // Ours: the strokes, and the outlines of the filled areas.
    std::vector<std::vector<Vec2>> ours;
    for (const Path& p : flat.paths) ours.push_back(p.points);
    for (const Fill& f : flat.fills) {
        for (auto ring : f.rings) {
            ring.push_back(ring.front());
            ours.push_back(std::move(ring));
        }
    }
    SegmentIndex our_index(ours, e.tolerance * 4);
    int missing = 0;
    for (const auto& ref : e.refs) {
        for (size_t i = 0; i < ref.size(); ++i) {
            Vec2 p = ref[i];
            if (i + 1 < ref.size())
                p = {(ref[i].x + ref[i + 1].x) / 2, (ref[i].y + ref[i + 1].y) / 2};
            double away = our_index.nearest(p).first;
            if (away > e.tolerance && missing++ < 5)
                ADD_FAILURE() << "nothing drawn near (" << p.x << ", " << p.y << "), " << away
                              << " away";
        }
    }
    if (e.exact) {
        SegmentIndex ref_index(e.refs, e.tolerance * 4);
        int stray = 0;
        for (const auto& line : ours) {
            for (Vec2 p : line) {
                double away = ref_index.nearest(p).first;
                if (away > e.tolerance && stray++ < 5)
                    ADD_FAILURE() << "stroke point (" << p.x << ", " << p.y
                                  << ") is not on the drawing, " << away << " away";
            }
        }
    }
    for (const auto& c : e.colours) {
        double best = 1e300;
        int color = -1;
        for (const Path& p : flat.paths) {
            for (size_t i = 0; i + 1 < p.points.size(); ++i) {
                double dist = distance_to_segment(c.at, p.points[i], p.points[i + 1]);
                if (dist < best) best = dist, color = p.color;
            }
        }
        EXPECT_EQ(color, c.color) << "at (" << c.at.x << ", " << c.at.y << ")";
    }
    auto inside = [](const Box& b, Vec2 p) {
        return p.x >= b.min_x && p.x <= b.max_x && p.y >= b.min_y && p.y <= b.max_y;
    };
    for (const Box& b : e.boxes) {
        bool found = std::any_of(ours.begin(), ours.end(), [&](const auto& line) {
            return std::any_of(line.begin(), line.end(), [&](Vec2 p) { return inside(b, p); });
        });
        EXPECT_TRUE(found) << "nothing in the box " << b.min_x << " " << b.min_y << " " << b.max_x
                           << " " << b.max_y;
    }
    if (e.within) {
        Box all = d.extents();
        EXPECT_TRUE(inside(*e.within, {all.min_x, all.min_y}) &&
                    inside(*e.within, {all.max_x, all.max_y}))
            << "extents " << all.min_x << " " << all.min_y << " " << all.max_x << " " << all.max_y;
    }
}

// Every corpus file whose name begins with `prefix`; at least one must exist.
void check_all(const std::string& prefix) {
    fs::path dir = corpus_dir();
    if (!fs::exists(dir / "empty.dxf")) GTEST_SKIP() << "no corpus in " << dir;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".dxf" && name.rfind(prefix, 0) == 0)
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << "no " << prefix << "* drawings in " << dir;
    for (const auto& f : files) check(f);
}

TEST(Corpus, GeometryOfEveryVersionIsDrawnWhereEzdxfPutsIt) {
    check_all("geometry_");
}
TEST(Corpus, TextOfEveryVersionIsDrawnWhereItBelongs) {
    check_all("text_");
}
TEST(Corpus, DimensionsLeadersAndHatchesOfEveryVersion) {
    check_all("annotations_");
}
TEST(Corpus, WhatCannotBeDrawnIsCountedInEveryVersion) {
    check_all("unsupported_");
}
TEST(Corpus, LayersColoursAndPaperSpace) {
    check_all("layers");
    check_all("paper_");
}
TEST(Corpus, HugeTinyFarAndEmptyDrawings) {
    for (const char* name : {"huge", "tiny", "far", "empty"}) check_all(name);
}
TEST(Corpus, LineEndsBlanksEncodingsAndBrokenFiles) {
    for (const char* name :
         {"plain_", "crlf", "bom", "padded_", "trailing_", "ansi_", "binary", "truncated"})
        check_all(name);
}

}  // namespace
}  // namespace tvk::host
