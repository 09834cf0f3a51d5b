#include "printer/resumed_plot.h"

#include <algorithm>
#include <string_view>

#include "decoder/stream_decoder.h"
#include "host/commands/plot_run.h"
#include "host/plotting/resume_point.h"
#include "host/settings/profile.h"
#include "printer/application.h"

namespace tvk::printer {
namespace {

// The plotter's bytes kept, not sent; a plotter's line where the device was
// one (the driver sends a line its handshake strings).
class KeptStream final : public host::PortOutput {
  public:
    explicit KeptStream(bool serial) : serial_(serial) {}

    host::Written write(const uint8_t* bytes, size_t count, size_t& done, int) override {
        stream.append(reinterpret_cast<const char*>(bytes), count);
        done = count;
        return host::Written::kAll;
    }
    bool is_serial() const override { return serial_; }
    bool finish(int) override { return true; }
    std::string name() const override { return "the plot made again"; }

    std::string stream;

  private:
    bool serial_;
};

}  // namespace

std::optional<PathsDrawn> paths_drawn(const host::PlotOptions& options, const std::string& drawing,
                                      bool serial, const PlotProgress& progress, std::string& why) {
    KeptStream kept(serial);
    host::PlotTarget target;
    target.drawing = drawing;
    target.port = &kept;
    size_t skipped = 0, fills = 0, total = 0;
    target.planned = [&](size_t s, size_t f, size_t t) {
        skipped = s;
        fills = f;
        total = t;
    };
    if (host::plot_drawing(application().global(), options, target) != 0) {
        why = "the plot could not be made again to find where it stopped";
        return std::nullopt;
    }
    const std::string& stream = kept.stream;
    if (stream.size() < progress.bytes ||
        stream_hash(reinterpret_cast<const uint8_t*>(stream.data()), progress.bytes) !=
            progress.hash) {
        why = "the drawing or the printer's settings changed since the plot stopped";
        return std::nullopt;
    }
    const auto language =
        static_cast<decoder::Language>(host::load_profile(options.profile).language_index());
    const size_t runs = host::completed_runs(
        std::string_view(stream).substr(0, progress.bytes - progress.queued), language);
    // Fills come first and leave no pen-down run; they went once a path did.
    PathsDrawn d;
    d.total = total;
    d.drawn = runs == 0 ? skipped : std::min(total, skipped + fills + runs);
    return d;
}

}  // namespace tvk::printer
