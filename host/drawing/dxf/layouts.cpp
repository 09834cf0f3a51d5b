#include "host/drawing/dxf/layouts.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tvk::host {
namespace {

// The groups after a subclass marker (100), up to the next one: LAYOUT
// objects repeat codes in their plot settings and in their layout part.
Groups subclass(const Groups& all, const std::string& marker) {
    Groups part;
    bool inside = false;
    for (const Group& g : all.groups) {
        if (g.code == 100) {
            inside = g.text == marker;
        } else if (inside) {
            part.groups.push_back(g);
        }
    }
    return part;
}

constexpr int kPaperSpaceViewport = 1;  // group 69: the sheet itself, not a window onto it

}  // namespace

void read_layouts(const std::vector<Groups>& layout_objects, const std::vector<Groups>& viewports,
                  const std::map<std::string, std::string>& block_names, Drawing::Impl& drawing) {
    const auto block_of = [&](const std::string& handle) {
        const auto it = block_names.find(handle);
        return it == block_names.end() ? std::string() : upper(it->second);
    };
    for (const Groups& object : layout_objects) {
        const Groups settings = subclass(object, "AcDbPlotSettings");
        const Groups layout = subclass(object, "AcDbLayout");
        Layout l;
        l.name = layout.text(1);
        if (l.name.empty() || upper(l.name) == "MODEL") continue;
        l.block = block_of(layout.text(330));
        double w = settings.real(44, 0), h = settings.real(45, 0);
        // Turned a quarter either way, the sheet lies the other way round.
        const int rotation = settings.integer(73, 0);
        if (rotation == 1 || rotation == 3) std::swap(w, h);
        if (!(w > 0 && h > 0)) {
            // No paper set up: the layout's limits.
            w = layout.real(11, 0) - layout.real(10, 0);
            h = layout.real(21, 0) - layout.real(20, 0);
        }
        l.paper_width_mm = std::max(w, 0.0);
        l.paper_height_mm = std::max(h, 0.0);
        drawing.layouts.push_back(std::move(l));
    }
    for (const Groups& v : viewports) {
        if (v.integer(69, 0) == kPaperSpaceViewport || v.integer(68, 1) == 0) continue;
        const std::string block = block_of(v.text(330));
        for (Layout& l : drawing.layouts) {
            if (l.block != block || block.empty()) continue;
            Viewport p;
            p.center = {v.real(10, 0), v.real(20, 0)};
            p.width = v.real(40, 0);
            p.height = v.real(41, 0);
            p.view_center = {v.real(12, 0), v.real(22, 0)};
            p.target = {v.real(17, 0), v.real(27, 0)};
            p.view_height = v.real(45, 0);
            p.twist = v.real(51, 0) * std::numbers::pi / 180;
            if (p.width > 0 && p.height > 0 && p.view_height > 0) l.viewports.push_back(p);
        }
    }
}

std::vector<LayoutSpace> layout_spaces(const Drawing::Impl& drawing, const Layout& layout) {
    static const std::vector<Entity> none;
    std::vector<LayoutSpace> spaces;
    const std::vector<Entity>* own = &none;
    if (layout.block == "*PAPER_SPACE") {
        own = drawing.model_space_empty ? &drawing.entities : &drawing.paper_entities;
    } else if (const auto it = drawing.blocks.find(layout.block); it != drawing.blocks.end()) {
        own = &it->second.entities;
    }
    spaces.push_back({own, Affine{}, false, {}});
    if (drawing.model_space_empty) return spaces;
    for (const Viewport& v : layout.viewports) {
        const double scale = v.height / v.view_height;
        LayoutSpace space{&drawing.entities,
                          Affine::translate(v.center) * Affine::scale(scale, scale) *
                              Affine::translate(Vec2{-v.view_center.x, -v.view_center.y}) *
                              Affine::rotate(v.twist) *
                              Affine::translate(Vec2{-v.target.x, -v.target.y}),
                          true,
                          {}};
        space.clip.add(Vec2{v.center.x - v.width / 2, v.center.y - v.height / 2});
        space.clip.add(Vec2{v.center.x + v.width / 2, v.center.y + v.height / 2});
        spaces.push_back(space);
    }
    return spaces;
}

std::vector<std::vector<Vec2>> clip_to_box(const std::vector<Vec2>& points, const Box& box) {
    std::vector<std::vector<Vec2>> pieces;
    const auto inside = [&](Vec2 p) {
        return p.x >= box.min_x && p.x <= box.max_x && p.y >= box.min_y && p.y <= box.max_y;
    };
    if (points.size() == 1) {
        if (inside(points.front())) pieces.push_back(points);
        return pieces;
    }
    std::vector<Vec2> piece;
    const auto flush = [&] {
        if (piece.size() > 1) pieces.push_back(std::move(piece));
        piece.clear();
    };
    for (size_t i = 1; i < points.size(); ++i) {
        // Liang-Barsky: the part of the segment inside the box.
        const Vec2 a = points[i - 1], b = points[i];
        const double dx = b.x - a.x, dy = b.y - a.y;
        double t0 = 0, t1 = 1;
        bool visible = true;
        for (const auto& [p, q] :
             {std::pair{-dx, a.x - box.min_x}, std::pair{dx, box.max_x - a.x},
              std::pair{-dy, a.y - box.min_y}, std::pair{dy, box.max_y - a.y}}) {
            if (p == 0) {
                if (q < 0) visible = false;
            } else if (const double r = q / p; p < 0) {
                t0 = std::max(t0, r);
            } else {
                t1 = std::min(t1, r);
            }
        }
        if (!visible || t0 > t1) {
            flush();
            continue;
        }
        const Vec2 from{a.x + t0 * dx, a.y + t0 * dy}, to{a.x + t1 * dx, a.y + t1 * dy};
        if (piece.empty() || t0 > 0) {
            flush();
            piece.push_back(from);
        }
        piece.push_back(to);
        if (t1 < 1) flush();
    }
    flush();
    return pieces;
}

std::vector<Vec2> clip_ring_to_box(const std::vector<Vec2>& ring, const Box& box) {
    // Sutherland-Hodgman, one edge of the box at a time.
    std::vector<Vec2> out = ring;
    const auto edge = [&](auto inside, auto cut) {
        std::vector<Vec2> in = std::move(out);
        out.clear();
        for (size_t i = 0; i < in.size(); ++i) {
            const Vec2 a = in[(i + in.size() - 1) % in.size()], b = in[i];
            if (inside(b)) {
                if (!inside(a)) out.push_back(cut(a, b));
                out.push_back(b);
            } else if (inside(a)) {
                out.push_back(cut(a, b));
            }
        }
    };
    const auto at_x = [](double x) {
        return [x](Vec2 a, Vec2 b) { return Vec2{x, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x)}; };
    };
    const auto at_y = [](double y) {
        return [y](Vec2 a, Vec2 b) { return Vec2{a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y), y}; };
    };
    edge([&](Vec2 p) { return p.x >= box.min_x; }, at_x(box.min_x));
    edge([&](Vec2 p) { return p.x <= box.max_x; }, at_x(box.max_x));
    edge([&](Vec2 p) { return p.y >= box.min_y; }, at_y(box.min_y));
    edge([&](Vec2 p) { return p.y <= box.max_y; }, at_y(box.max_y));
    if (out.size() < 3) out.clear();
    return out;
}

}  // namespace tvk::host
