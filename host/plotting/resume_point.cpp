#include "host/plotting/resume_point.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tvk::host {
namespace {

class RunCounter final : public decoder::DecodeSink {
  public:
    void segment(const decoder::Segment& s) override {
        if (s.pen_down) {
            in_run_ = true;
        } else if (in_run_) {
            ++runs_;
            in_run_ = false;
        }
    }
    size_t runs() const { return runs_; }

  private:
    bool in_run_ = false;
    size_t runs_ = 0;
};

std::vector<double> item_lengths(const PlotJob& job) {
    std::vector<double> lengths;
    for (const FillPolygon& f : job.polygons) lengths.push_back(polyline_length(f.vertices, true));
    for (const PenPath& p : job.paths) lengths.push_back(polyline_length(p.points, false));
    return lengths;
}

}  // namespace

size_t completed_runs(std::string_view stream, decoder::Language language) {
    RunCounter counter;
    decoder::decode(stream, language, counter);
    return counter.runs();
}

size_t resume_skip(const PlotJob& job, const ResumeRequest& r) {
    const std::vector<double> lengths = item_lengths(job);
    size_t skip = r.from_path > 0 ? std::min(r.from_path - 1, lengths.size()) : 0;
    if (r.from_percent >= 0) {
        double total = 0;
        for (const double l : lengths) total += l;
        const double target = total * std::min(r.from_percent, 100.0) / 100;
        double before = 0;
        skip = 0;
        // The path in which the point lies is drawn again whole.
        while (skip < lengths.size() && before + lengths[skip] <= target) before += lengths[skip++];
    }
    for (double back = r.back; back > 0 && skip > 0;) back -= lengths[--skip];
    return skip;
}

void drop_first_items(PlotJob& job, size_t count) {
    const size_t fills = std::min(count, job.polygons.size());
    job.polygons.erase(job.polygons.begin(), job.polygons.begin() + static_cast<long>(fills));
    const size_t paths = std::min(count - fills, job.paths.size());
    job.paths.erase(job.paths.begin(), job.paths.begin() + static_cast<long>(paths));
}

}  // namespace tvk::host
