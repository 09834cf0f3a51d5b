// The host program's work on a drawing, on generated DXF files, as ratios to
// compare one change with the next:
//   Reading   vs_dxflib: reading a drawing against dxflib's bare parse of it
//   Ordering  vs_nn_2opt: pen-up travel against a nearest-neighbour tour of
//             the same final paths improved by 2-opt (the reference below);
//             lifts_vs_bound, travel_vs_bound, time_vs_bound: the plan against
//             what no plan of the same ink beats (the summary's bounds);
//             same_plan: 1 when a second plan of the drawing is the same
//   Plot      vs_dxflib, vs_reading: reading, flattening and ordering at level 6
//             against dxflib's bare parse, and against reading alone
//   Program   vs_dxflib: the whole `tvkplot plot` at level 6 against dxflib's
//             bare parse, each a process of its own, side by side (wall time;
//             vs_dxflib_cpu: their processor time);
//             bytes_per_entity, bytes_per_vector: the program's peak memory;
//             same_stream: 1 when a second run writes the same bytes
//   Memory    bytes_per_entity: the peak memory of reading, flattening and
//             ordering at level 6, in a process of its own; read, flattened,
//             level4: the same after reading alone, after flattening, at level 4
// Each runs once: run with --benchmark_filter to pick, and under nice.
// `--write-mix N FILE` writes the CAD-like mix of N entities, to profile on.
#include <benchmark/benchmark.h>
#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "bench/drawing_generator.h"
#include "host/drawing/model/drawing.h"
#include "host/plotting/ordering/ordering.h"
#include "host/plotting/plot_time.h"

namespace {

using namespace tvk::host;
using Clock = std::chrono::steady_clock;
using Point = std::pair<int32_t, int32_t>;

// Host units (a fortieth of a millimetre) per drawing unit (a millimetre).
constexpr double kUnits = 40;

enum Kind { kMix, kLines };

std::map<std::pair<int, size_t>, std::string> made;

std::string drawing_file(Kind kind, size_t entities) {
    auto& path = made[{kind, entities}];
    if (path.empty()) {
        path = "/tmp/tvk_bench_" + std::to_string(getpid()) + (kind == kMix ? "_mix_" : "_lines_") +
               std::to_string(entities) + ".dxf";
        std::ofstream(path, std::ios::binary)
            << (kind == kMix ? tvk::bench::cad_mix(entities) : tvk::bench::short_lines(entities));
    }
    return path;
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The drawing flattened straight into pen paths and let go, as the plot job is built.
std::vector<PenPath> pen_paths(Drawing drawing) {
    struct Sink : FlatSink {
        std::vector<PenPath> out;
        void add(Path p) override {
            PenPath pen{p.color, 0, 0, {}};
            pen.points.reserve(p.points.size());
            for (Vec2 v : p.points)
                pen.points.push_back({static_cast<int32_t>(std::lround(v.x * kUnits)),
                                      static_cast<int32_t>(std::lround(v.y * kUnits))});
            out.push_back(std::move(pen));
        }
        void add(Fill) override {}
    } sink;
    NoProgress progress;
    drawing.flatten_letting_go(0.5 / kUnits, drawing.extents(), progress, sink);
    return std::move(sink.out);
}

// ---- the reference: nearest neighbour on a grid, then 2-opt ----------------------
double distance(Point a, Point b) {
    return std::hypot(double(a.first) - b.first, double(a.second) - b.second);
}

struct Stop {
    Point entry, exit;
};

// Nearest neighbour over the paths' ends in grid cells, entering each path at
// its nearer end.
std::vector<Stop> nearest_neighbour(const std::vector<Stop>& paths, Point& pen) {
    int32_t lo_x = INT32_MAX, lo_y = INT32_MAX, hi_x = INT32_MIN, hi_y = INT32_MIN;
    for (const Stop& s : paths)
        for (Point p : {s.entry, s.exit})
            lo_x = std::min(lo_x, p.first), hi_x = std::max(hi_x, p.first),
            lo_y = std::min(lo_y, p.second), hi_y = std::max(hi_y, p.second);
    const double span = std::max<double>({double(hi_x) - lo_x, double(hi_y) - lo_y, 1});
    const int cells = std::max(1, static_cast<int>(std::sqrt(double(paths.size()))));
    const double size = span / cells + 1;
    auto cell_of = [&](Point p) {
        int cx = std::clamp(static_cast<int>((p.first - lo_x) / size), 0, cells - 1);
        int cy = std::clamp(static_cast<int>((p.second - lo_y) / size), 0, cells - 1);
        return std::pair{cx, cy};
    };
    std::vector<std::vector<uint32_t>> grid(size_t(cells) * size_t(cells));
    for (uint32_t i = 0; i < paths.size(); ++i)
        for (Point p : {paths[i].entry, paths[i].exit}) {
            auto [cx, cy] = cell_of(p);
            grid[size_t(cy) * size_t(cells) + size_t(cx)].push_back(i);
        }
    std::vector<uint8_t> taken(paths.size(), 0);
    std::vector<Stop> out;
    while (out.size() < paths.size()) {
        auto [px, py] = cell_of(pen);
        double best = 1e300;
        uint32_t best_i = 0;
        bool flip = false;
        for (int ring = 0; ring <= cells; ++ring) {
            if (best < (ring - 1) * size) break;
            for (int cy = py - ring; cy <= py + ring; ++cy)
                for (int cx = px - ring; cx <= px + ring; ++cx) {
                    if (cx < 0 || cy < 0 || cx >= cells || cy >= cells) continue;
                    if (std::max(std::abs(cx - px), std::abs(cy - py)) != ring) continue;
                    auto& cell = grid[size_t(cy) * size_t(cells) + size_t(cx)];
                    std::erase_if(cell, [&](uint32_t i) { return taken[i] != 0; });
                    for (uint32_t i : cell) {
                        double de = distance(pen, paths[i].entry),
                               dx = distance(pen, paths[i].exit);
                        if (std::min(de, dx) < best)
                            best = std::min(de, dx), best_i = i, flip = dx < de;
                    }
                }
        }
        taken[best_i] = 1;
        Stop s = paths[best_i];
        if (flip) std::swap(s.entry, s.exit);
        out.push_back(s);
        pen = s.exit;
    }
    return out;
}

// 2-opt: a run of up to 50 paths plotted backwards where that shortens the
// travel, pass after pass until none does.
void two_opt(std::vector<Stop>& route, Point start) {
    const size_t n = route.size();
    auto exit_before = [&](size_t i) { return i == 0 ? start : route[i - 1].exit; };
    for (int pass = 0; pass < 50; ++pass) {
        bool improved = false;
        for (size_t i = 0; i < n; ++i)
            for (size_t j = i + 1; j < n && j <= i + 50; ++j) {
                const Point before = exit_before(i);
                double now = distance(before, route[i].entry),
                       then = distance(before, route[j].exit);
                if (j + 1 < n) {
                    now += distance(route[j].exit, route[j + 1].entry);
                    then += distance(route[i].entry, route[j + 1].entry);
                }
                if (then < now - 1e-9) {
                    std::reverse(route.begin() + long(i), route.begin() + long(j) + 1);
                    for (size_t k = i; k <= j; ++k) std::swap(route[k].entry, route[k].exit);
                    improved = true;
                }
            }
        if (!improved) break;
    }
}

double reference_travel(const std::vector<PenPath>& paths) {
    std::map<int, std::vector<Stop>> by_pen;
    for (const PenPath& p : paths)
        if (!p.points.empty()) by_pen[p.pen].push_back({p.points.front(), p.points.back()});
    Point pen{0, 0};
    double travel = 0;
    for (auto& [number, stops] : by_pen) {
        const Point start = pen;
        std::vector<Stop> route = nearest_neighbour(stops, pen);
        two_opt(route, start);
        Point at = start;
        for (const Stop& s : route) travel += distance(at, s.entry), at = s.exit;
        pen = at;
    }
    return travel;
}

// ---- the benchmarks --------------------------------------------------------------
void BM_Reading(benchmark::State& state, Kind kind) {
    const std::string file = drawing_file(kind, static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        auto start = Clock::now();
        DL_CreationAdapter nothing;
        DL_Dxf().in(file, &nothing);
        const double bare = seconds_since(start);
        start = Clock::now();
        Drawing drawing = Drawing::load_dxf(file);
        const double reading = seconds_since(start);
        state.SetIterationTime(reading);
        state.counters["vs_dxflib"] = reading / bare;
    }
}

// The plot command's time model with the plotter's default timing.
TimeModel time_model() {
    TimeModel model;
    model.mm_per_unit = 1 / kUnits;
    return model;
}

bool same_plan(const std::vector<PenPath>& a, const std::vector<PenPath>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].pen != b[i].pen || a[i].points != b[i].points) return false;
    return true;
}

void BM_Ordering(benchmark::State& state, Kind kind) {
    const std::string file = drawing_file(kind, static_cast<size_t>(state.range(0)));
    const int level = static_cast<int>(state.range(1));
    const std::vector<PenPath> paths = pen_paths(Drawing::load_dxf(file));
    const TimeModel model = time_model();
    for (auto _ : state) {
        PlotJob job;
        job.paths = paths;
        NoProgress progress;
        const auto start = Clock::now();
        optimize_paths(job.paths, level, order_costs(model), progress);
        state.SetIterationTime(seconds_since(start));
        std::vector<PenPath> again = paths;
        optimize_paths(again, level, order_costs(model), progress);
        state.counters["same_plan"] = same_plan(job.paths, again) ? 1 : 0;
        std::vector<PenPath>().swap(again);
        const PlotTime time = plot_time(job, 0, model);
        const PlotBounds bounds = plot_bounds(job, time, model);
        const double travel = pen_up_travel(job.paths);
        state.counters["vs_nn_2opt"] = travel / reference_travel(job.paths);
        state.counters["lifts"] = static_cast<double>(time.lifts);
        state.counters["lifts_vs_bound"] =
            static_cast<double>(time.lifts) / static_cast<double>(bounds.lifts);
        state.counters["travel_vs_bound"] = travel / bounds.travel;
        state.counters["time_vs_bound"] = time.plotter_s / bounds.plotter_s;
        state.counters["paths"] = static_cast<double>(paths.size());
    }
}

void BM_Plot(benchmark::State& state, Kind kind) {
    const std::string file = drawing_file(kind, static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        auto start = Clock::now();
        {
            DL_CreationAdapter nothing;
            DL_Dxf().in(file, &nothing);
        }
        const double bare = seconds_since(start);
        start = Clock::now();
        { Drawing reading_only = Drawing::load_dxf(file); }
        const double reading = seconds_since(start);
        start = Clock::now();
        std::vector<PenPath> paths = pen_paths(Drawing::load_dxf(file));
        NoProgress progress;
        optimize_paths(paths, 6, OrderCosts{}, progress);
        const double plot = seconds_since(start);
        state.SetIterationTime(plot);
        state.counters["vs_dxflib"] = plot / bare;
        state.counters["vs_reading"] = plot / reading;
    }
}

// ---- whole processes ---------------------------------------------------------------
struct Measured {
    double seconds = 0;
    double cpu_seconds = 0;  // user and system: steadier than wall time on a busy machine
    double peak_bytes = 0;
    std::string out;  // the program's standard output
};

// `args` run as a process of its own, through this program's --measure (a
// small process, so that the peak memory is the program's own, not the
// benchmark's it was forked from).
Measured spawned(const std::vector<std::string>& args) {
    std::string command = "/proc/" + std::to_string(getpid()) + "/exe --measure";
    for (const auto& a : args) command += " '" + a + "'";
    Measured m;
    FILE* child = popen(command.c_str(), "r");
    if (child == nullptr) return m;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, child)) > 0) m.out.append(buf, n);
    pclose(child);
    const size_t last = m.out.rfind("\nMEASURED ");
    if (last != std::string::npos) {
        double kilobytes = 0;
        std::sscanf(m.out.c_str() + last, "\nMEASURED %lf %lf %lf", &m.seconds, &m.cpu_seconds,
                    &kilobytes);
        m.peak_bytes = kilobytes * 1024;
        m.out.resize(last);
    }
    return m;
}

// In the --measure process: runs `argv`, its errors to /dev/null, then
// prints its wall time and peak memory (kilobytes).
int measure(char** argv) {
    std::fflush(stdout);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (FILE* null = std::fopen("/dev/null", "w")) dup2(fileno(null), 2);
        execv(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    std::printf("\nMEASURED %.6f %.6f %ld\n", seconds_since(start),
                seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// dxflib's bare parse, in a process of its own.
int parse_only(const char* file) {
    DL_CreationAdapter nothing;
    DL_Dxf().in(file, &nothing);
    return 0;
}

double json_number(const std::string& json, const std::string& key) {
    const size_t at = json.find("\"" + key + "\":");
    return at == std::string::npos ? 0 : std::atof(json.c_str() + at + key.size() + 3);
}

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void BM_Program(benchmark::State& state, Kind kind) {
    const size_t entities = static_cast<size_t>(state.range(0));
    const std::string file = drawing_file(kind, entities);
    // A configuration of its own: TVK-RX24, which orders at level 6.
    const std::string config = "/tmp/tvk_bench_" + std::to_string(getpid()) + "_config";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    spawned({TVKPLOT_PROGRAM, "configure", "--model", "TVK-RX24", "--yes"});
    const std::string self = "/proc/" + std::to_string(getpid()) + "/exe";
    for (auto _ : state) {
        const Measured bare = spawned({self, "--parse-only", file});
        const std::string plots[2] = {config + "/first.plt", config + "/second.plt"};
        const Measured whole =
            spawned({TVKPLOT_PROGRAM, "plot", file, "-o", plots[0], "--yes", "--json"});
        spawned({TVKPLOT_PROGRAM, "plot", file, "-o", plots[1], "--yes", "--json"});
        state.SetIterationTime(whole.seconds);
        state.counters["vs_dxflib"] = whole.seconds / bare.seconds;
        state.counters["vs_dxflib_cpu"] = whole.cpu_seconds / bare.cpu_seconds;
        state.counters["bytes_per_entity"] = whole.peak_bytes / static_cast<double>(entities);
        const double vectors = json_number(whole.out, "vectors");
        state.counters["bytes_per_vector"] = vectors > 0 ? whole.peak_bytes / vectors : 0;
        state.counters["vectors_per_entity"] = vectors / static_cast<double>(entities);
        state.counters["lifts_vs_bound"] =
            json_number(whole.out, "pen_lifts") /
            json_number(whole.out.substr(whole.out.find("\"bounds\"")), "pen_lifts");
        const std::string first = file_bytes(plots[0]);
        state.counters["same_stream"] = !first.empty() && first == file_bytes(plots[1]) ? 1 : 0;
        for (const auto& plot : plots) std::remove(plot.c_str());
    }
    std::system(("rm -rf '" + config + "'").c_str());
}

// The peak resident memory of this program run as a child with `args`, in
// bytes, as the child reports it (VmHWM): the rusage of a spawned child may
// count the parent's memory it started from.
double child_peak_bytes(const std::vector<std::string>& args) {
    std::string command = "/proc/" + std::to_string(getpid()) + "/exe";
    for (const auto& a : args) command += " '" + a + "'";
    FILE* child = popen(command.c_str(), "r");
    if (child == nullptr) return 0;
    double kilobytes = 0;
    if (std::fscanf(child, "%lf", &kilobytes) != 1) kilobytes = 0;
    pclose(child);
    return kilobytes * 1024;
}

// This process's peak resident memory, in kilobytes.
long peak_kilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

void BM_Memory(benchmark::State& state, Kind kind) {
    const size_t entities = static_cast<size_t>(state.range(0));
    const std::string file = drawing_file(kind, entities);
    for (auto _ : state) {
        const auto start = Clock::now();
        const double base = child_peak_bytes({"--peak-of", file, "0"});
        auto per_entity = [&](const char* level) {
            return (child_peak_bytes({"--peak-of", file, level}) - base) /
                   static_cast<double>(entities);
        };
        state.counters["read"] = per_entity("-1");
        state.counters["flattened"] = per_entity("-2");
        state.counters["level4"] = per_entity("4");
        state.counters["bytes_per_entity"] = per_entity("6");
        state.SetIterationTime(seconds_since(start));
    }
}

// In the child: read, flatten and order at `level` (0: nothing at all),
// then print the peak memory.
void run_child(const char* file, int level) {
    if (level == 0) return;
    if (level < 0) {
        Drawing drawing = Drawing::load_dxf(file);
        if (level == -1) return;
        (void)pen_paths(std::move(drawing));
        return;
    }
    std::vector<PenPath> paths = pen_paths(Drawing::load_dxf(file));
    NoProgress progress;
    optimize_paths(paths, level, OrderCosts{}, progress);
}

int peak_of(const char* file, int level) {
    run_child(file, level);
    std::printf("%ld\n", peak_kilobytes());
    return 0;
}

#define DRAWING_BENCH(fn, kind, ...) \
    BENCHMARK_CAPTURE(fn, kind, kind)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)

DRAWING_BENCH(BM_Reading, kMix)->Arg(100'000);
DRAWING_BENCH(BM_Reading, kLines)->Arg(100'000);
DRAWING_BENCH(BM_Ordering, kMix)->Args({100'000, 4})->Args({100'000, 6});
DRAWING_BENCH(BM_Ordering, kLines)->Args({100'000, 4})->Args({100'000, 6});
DRAWING_BENCH(BM_Plot, kMix)->Arg(100'000);
DRAWING_BENCH(BM_Memory, kMix)->Arg(100'000)->Arg(1'000'000);
DRAWING_BENCH(BM_Program, kMix)->Arg(100'000)->Arg(1'000'000);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--peak-of") == 0)
        return peak_of(argv[2], std::atoi(argv[3]));
    if (argc >= 3 && std::strcmp(argv[1], "--measure") == 0) return measure(argv + 2);
    // The CAD-like mix of N entities written to a file, to profile the program on.
    if (argc == 4 && std::strcmp(argv[1], "--write-mix") == 0) {
        std::ofstream(argv[3], std::ios::binary)
            << tvk::bench::cad_mix(static_cast<size_t>(std::atol(argv[2])));
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--parse-only") == 0) return parse_only(argv[2]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto& [key, path] : made) std::remove(path.c_str());
    return 0;
}
