#include "host/drawing/geometry/wide_polyline.h"

#include <algorithm>
#include <cmath>

#include "host/drawing/geometry/geometry.h"

namespace tvk::host {

namespace {

// Offset lines closer to parallel than this (radians) are not mitred.
constexpr double kParallel = 0.031415;

struct Station {
    Vec2 p;
    double start_width, end_width;
};

// A line through `at` along `dir`.
struct Ray {
    Vec2 at, dir;
};

// Where two offset lines meet, or `fallback` when they are (nearly) parallel.
Vec2 meet(const Ray& a, const Ray& b, Vec2 fallback) {
    double la = length(a.dir), lb = length(b.dir);
    if (la == 0 || lb == 0) return fallback;
    double cos = (a.dir.x * b.dir.x + a.dir.y * b.dir.y) / (la * lb);
    if (std::acos(std::clamp(cos, -1.0, 1.0)) < kParallel) return fallback;
    double den = a.dir.x * b.dir.y - a.dir.y * b.dir.x;
    if (den == 0) return fallback;
    Vec2 d = b.at - a.at;
    double s = (d.x * b.dir.y - d.y * b.dir.x) / den;
    return a.at + s * a.dir;
}

// The quadrilaterals of a run of straight segments, mitred between them (and
// between the last and the first when the run is closed).
void linear_faces(const std::vector<Station>& st, std::vector<std::vector<Vec2>>& out) {
    const size_t n = st.size();
    if (n < 2) return;
    const bool closed = st.front().p == st.back().p && n > 2;
    struct Offsets {
        Vec2 up1, up2, down1, down2;
        Ray up, down;
    };
    std::vector<Offsets> seg;
    for (size_t i = 0; i + 1 < n; ++i) {
        Vec2 dir = st[i + 1].p - st[i].p;
        double len = length(dir);
        Vec2 normal = len > 0 ? Vec2{-dir.y / len, dir.x / len} : Vec2{0, 0};
        Vec2 o1 = (st[i].start_width / 2) * normal, o2 = (st[i].end_width / 2) * normal;
        Offsets s{st[i].p + o1, st[i + 1].p + o2, st[i].p - o1, st[i + 1].p - o2, {}, {}};
        // Tapered segments have offset lines of their own direction.
        s.up = {s.up1, s.up2 - s.up1 == Vec2{0, 0} ? dir : s.up2 - s.up1};
        s.down = {s.down1, s.down2 - s.down1 == Vec2{0, 0} ? dir : s.down2 - s.down1};
        seg.push_back(s);
    }
    const size_t m = seg.size();
    Vec2 last_up = seg.back().up2, last_down = seg.back().down2;
    for (size_t i = 0; i < m; ++i) {
        const Offsets& s = seg[i];
        Vec2 v0 = s.up1, v1 = s.down1, v2 = s.down2, v3 = s.up2;
        if (i > 0) {
            v0 = meet(seg[i - 1].up, s.up, s.up1);
            v1 = meet(seg[i - 1].down, s.down, s.down1);
        } else if (closed) {
            v0 = last_up = meet(seg[m - 1].up, s.up, s.up1);
            v1 = last_down = meet(seg[m - 1].down, s.down, s.down1);
        }
        if (i + 1 < m) {
            v2 = meet(seg[i + 1].down, s.down, s.down2);
            v3 = meet(seg[i + 1].up, s.up, s.up2);
        } else {
            v2 = last_down, v3 = last_up;
        }
        out.push_back({v0, v1, v2, v3});
    }
}

// An arc segment as one band: its outer edge out, its inner edge back.
std::vector<Vec2> arc_band(Vec2 p, Vec2 q, double bulge, double w0, double w1) {
    EllipseArc arc = bulge_arc(p, q, bulge);
    double r = length(arc.u);
    double span = arc.t1 - arc.t0;
    // Chords within a ten-thousandth of the radius of the arcs.
    int count = static_cast<int>(std::clamp(std::ceil(std::abs(span) / 0.028), 3.0, 1000.0));
    std::vector<Vec2> outer, inner;
    for (int i = 0; i <= count; ++i) {
        double t = arc.t0 + span * i / count;
        double half = (w0 + (w1 - w0) * i / count) / 2;
        Vec2 dir{std::cos(t), std::sin(t)};
        outer.push_back(arc.c + (r + half) * dir);
        inner.push_back(arc.c + (r - half) * dir);
    }
    outer.insert(outer.end(), inner.rbegin(), inner.rend());
    return outer;
}

}  // namespace

bool has_width(const std::vector<WideVertex>& vertices) {
    for (const WideVertex& v : vertices)
        if (v.start_width > 0 || v.end_width > 0) return true;
    return false;
}

WideParts wide_polyline(std::vector<WideVertex> v, bool closed) {
    WideParts out;
    if (closed && v.size() > 1 && !(v.front().p == v.back().p)) v.push_back({v.front().p});
    std::vector<Station> run;      // the straight segments with width up to here
    std::vector<WideVertex> line;  // the segments without width up to here
    auto end_run = [&] {
        linear_faces(run, out.faces);
        run.clear();
    };
    auto end_line = [&] {
        if (line.size() >= 2) out.lines.push_back(line);
        line.clear();
    };
    for (size_t i = 0; i + 1 < v.size(); ++i) {
        const WideVertex &a = v[i], &b = v[i + 1];
        if (a.p == b.p) continue;
        if (a.start_width <= 0 && a.end_width <= 0) {
            end_run();
            if (!line.empty()) line.pop_back();
            line.push_back(a);
            line.push_back(b);
            continue;
        }
        end_line();
        if (is_straight_bulge(a.bulge)) {
            if (!run.empty() && !(run.back().p == a.p)) end_run();
            if (!run.empty()) run.pop_back();  // the end station becomes this start
            run.push_back({a.p, a.start_width, a.end_width});
            run.push_back({b.p, 0, 0});
        } else {
            end_run();
            out.faces.push_back(arc_band(a.p, b.p, a.bulge, a.start_width, a.end_width));
        }
    }
    end_run();
    end_line();
    return out;
}

}  // namespace tvk::host
