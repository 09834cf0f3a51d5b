// tvkplot plot: a DXF drawing through the plot entry to a file, standard
// output or a plotter port, as a CAD host plots it.
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "host/commands/commands.h"
#include "host/commands/distinct_files.h"
#include "host/commands/driver_host.h"
#include "host/commands/plot_options.h"
#include "host/link/configuration.h"
#include "host/link/plot_sender.h"
#include "host/link/plot_setup.h"
#include "host/plotting/plot_job.h"
#include "host/plotting/plot_time.h"
#include "host/ports/files.h"
#include "host/preview/svg_preview.h"
#include "host/ui/interrupt.h"
#include "host/ui/plot_report.h"

namespace tvk::host {
namespace {

constexpr const char* kPlotFooter =
    "\nThe profile: --profile FILE; else the one of --model, else of the model configured\n"
    "last; without one, that model (or the first of the definition file) with its defaults.\n"
    "--scale 1 plots a drawing in millimetres full size, --scale 25.4 one in inches.\n"
    "Whatever lies outside the paper is cut off. The plot-time questions take their\n"
    "defaults with --yes or when input is not a terminal.\n"
    "\nExamples:\n"
    "  tvkplot plot part.dxf -o part.plt --preview part.svg\n"
    "  tvkplot plot plan.dxf --scale 0.02 --rotate --model TVK-HG700 -o plan.plt\n"
    "  tvkplot plot part.dxf --yes -o - > /dev/ttyUSB0";

constexpr double kMmPerInch = 25.4;
constexpr uint16_t kLongPlot = 0x0001;
constexpr uint16_t kAbsolute = 0x0020;

struct PlotProfile {
    Model model;
    Profile profile;
};

// The profile named, else the default profile of the model named (or of the
// model configured last), else the model's defaults, configured without
// questions.
PlotProfile plot_profile(DriverHost& host, const PlotOptions& o) {
    if (!o.profile.empty()) {
        Profile p = open_profile(o.profile);
        if (!o.model.empty() && model_number({p.model}, o.model) != 1) {
            throw HostError("the profile " + o.profile + " is for " + p.model + ", not " + o.model +
                            ": leave out --model, or give a profile of " + o.model);
        }
        const Model model = host.model_of(p, o.profile);
        return {model, checked_profile(host, model, p, o.profile)};
    }
    Model model{1, host.models().front()};
    if (!o.model.empty()) {
        model = host.model(o.model);
    } else if (const int last = model_number(host.models(), default_model()); last > 0) {
        model = {last, host.models()[static_cast<size_t>(last - 1)]};
    }
    std::error_code ec;
    if (const std::string path = default_profile_path(model.name);
        std::filesystem::exists(path, ec)) {
        Profile p = open_profile(path);
        const Model of = host.model_of(p, path);
        return {of, checked_profile(host, of, p, path)};
    }
    host.terminal.print("No profile for " + model.name +
                        ": plotting with its defaults (`tvkplot configure` makes one).\n");
    return {model, configure_quietly(host, model, true)};
}

std::unique_ptr<PortOutput> open_output(const PlotOptions& o, const Profile& profile) {
    if (!o.port.empty()) return open_plotter_port(o.port, profile.port_kind, profile.line);
    if (o.output.empty() || o.output == "-") return open_stdout_output();
    return open_file_output(o.output);
}

// The long-plot divisor as the driver takes it from the paper's size.
int long_plot_divisor(double area_x, double area_y) {
    const double side = std::max(area_x, area_y);
    if (side <= 64.5) return 1;
    if (side <= 129) return 2;
    if (side <= 258) return 4;
    if (side <= 516) return 8;
    return 16;
}

double path_length(const HostPolyline& points, bool closed) {
    double length = 0;
    for (size_t i = 1; i < points.size(); ++i) {
        length += std::hypot(points[i].first - points[i - 1].first,
                             points[i].second - points[i - 1].second);
    }
    if (closed && points.size() > 2) {
        length += std::hypot(points.back().first - points.front().first,
                             points.back().second - points.front().second);
    }
    return length;
}

double pen_down_length(const PlotJob& job) {
    double length = 0;
    for (const PenPath& p : job.paths) length += path_length(p.points, false);
    for (const FillPolygon& f : job.polygons) length += path_length(f.vertices, true);
    return length;
}

// What the user should know about how the drawing was drawn: references
// that could not be followed, fonts, characters no font has, and the
// entities that are not drawn, by type; one line each.
std::string unsupported_note(const Drawing& drawing) {
    std::string note;
    for (const std::string& line : drawing.notes()) note += (note.empty() ? "" : "\n") + line;
    std::string types;
    for (const auto& [type, count] : drawing.unsupported()) {
        types += (types.empty() ? "" : ", ") + std::to_string(count) + " " + type;
    }
    if (!types.empty())
        note += std::string(note.empty() ? "" : "\n") + "Not drawn (not supported): " + types + ".";
    return note;
}

// The progress bar follows the bytes that reach the port and steps aside
// for every text shown, while it lives.
class ProgressHooks {
  public:
    ProgressHooks(DriverHost& host, ProgressBar& bar) : host_(host) {
        host_.session.on_sent = [&bar](size_t bytes) { bar.sent(bytes); };
        host_.terminal.set_before_print([&bar] { bar.clear(); });
    }
    ~ProgressHooks() {
        host_.session.on_sent = nullptr;
        host_.terminal.set_before_print(nullptr);
    }
    ProgressHooks(const ProgressHooks&) = delete;
    ProgressHooks& operator=(const ProgressHooks&) = delete;

  private:
    DriverHost& host_;
};

// The drawing work (reading, flattening, ordering) stops at Ctrl-C, saying
// what was left of the plot.
class StopOnInterrupt final : public WorkProgress {
  public:
    explicit StopOnInterrupt(std::function<std::string()> left) : left_(std::move(left)) {}
    void step(const char*, uint64_t, uint64_t) override {
        if (interrupt_requested()) throw Cancelled("plot stopped; " + left_());
    }

  private:
    std::function<std::string()> left_;
};

// Read with Ctrl-C watched: a large drawing takes a while.
Drawing load_drawing(const std::string& path) {
    const InterruptWatch watch;
    StopOnInterrupt progress([] { return std::string("nothing was written"); });
    return Drawing::load_dxf(path, progress);
}

// The ordering may take a tenth of the plot's time to save more, up to this.
constexpr double kMaxOrderingSeconds = 0.5;

class PlotRun {
  public:
    PlotRun(const GlobalOptions& global, const PlotOptions& o)
        : o_(o),
          progress_([this] { return nothing_sent(); }),
          to_stdout_(o.port.empty() && (o.output.empty() || o.output == "-")),
          drawing_(load_drawing(o.drawing)),
          host_(global, to_stdout_ ? stderr : stdout, prompts_interactive(global)) {}

    int run() {
        // Outputs that cannot be written fail before the work, not after it.
        if (!o_.preview.empty()) check_can_write(o_.preview, "the preview");
        if (o_.port.empty() && !to_stdout_) check_can_write(o_.output, "the plot");
        const PlotProfile chosen = plot_profile(host_, o_);
        const Profile& profile = chosen.profile;
        InterruptWatch watch;
        host_.session.wait_seconds = o_.wait;
        port_ = open_output(o_, profile);
        host_.session.port = port_.get();
        host_.session.stored = profile.stored;
        host_.start(EntryKind::kPlot);
        select_model(host_.driver, chosen.model.number, profile.max_line_type);
        const PlotLimits limits = set_up_plot(host_.driver, port_->is_serial() ? 0 : kPlotToFile);
        // The driver goes on after a question cancelled; the user meant the plot.
        if (host_.terminal.cancelled() && !interrupt_requested())
            throw Cancelled("plot cancelled; nothing was written");

        PlotJob job = make_job(profile, limits);
        if (job.paths.empty() && job.polygons.empty()) {
            const std::string note = unsupported_note(drawing_);
            throw HostError(o_.drawing + " has nothing to plot on this paper" +
                            (note.empty() ? "" : ". " + note));
        }
        const double travel_before = pen_up_travel(job.paths);
        const TimeModel model = time_model(profile, limits);
        if (limits.optimize > 0) {
            const double budget =
                std::min(0.1 * plot_time(job, 0, model).plotter_s, kMaxOrderingSeconds);
            optimize_paths(job.paths, limits.optimize, order_costs(model, budget), progress_);
        }

        SendResult sent;
        {
            ProgressBar bar;
            const ProgressHooks hooks(host_, bar);
            SendOptions options;
            options.pen_widths = profile.language_index() == 3;
            options.variable_speed = profile.variable_speed();
            options.progress = [&bar](size_t done, size_t total) { bar.update(done, total); };
            sent = send_plot(host_.driver, job, options);
        }
        bool port_failed = host_.session.write_failed;
        if (!sent.stopped && !sent.failed && !port_->finish(host_.session.last_deadline_ms)) {
            if (o_.port.empty() && !interrupt_requested()) {
                throw HostError("cannot write the plot " + port_->name() + ": " + port_->failure());
            }
            sent.stopped = interrupt_requested();
            port_failed = !sent.stopped;
        }
        if (sent.stopped || sent.failed || port_failed) {
            return broke_off(sent.stopped, port_failed, profile);
        }
        report(profile, limits, job, sent, travel_before, model);
        if (!o_.preview.empty()) write_preview(profile, limits, job);
        return 0;
    }

  private:
    // Stopped while the drawing is read, measured or ordered: no byte of the
    // plot has left yet.
    std::string nothing_sent() const {
        return o_.port.empty() ? "nothing was written" : "nothing was sent";
    }

    // A plot stopped by the user or failed: what is still queued for the
    // plotter is dropped and its pen lifted; the user learns what it got.
    int broke_off(bool stopped, bool port_failed, const Profile& profile) {
        std::string text;
        if (!o_.port.empty()) {
            text = break_off(*port_, stopped, port_failed, host_.session.sent.size(),
                             profile.language_index());
        } else {
            port_->abandon("");
            text = std::string(stopped ? "plot stopped" : "the plot failed") +
                   (to_stdout_ ? "; the output is incomplete" : "; nothing was written");
        }
        std::fprintf(stderr, "tvkplot: %s\n", text.c_str());
        return stopped ? kExitStopped : kExitFailed;
    }

    void report(const Profile& profile, const PlotLimits& limits, const PlotJob& job,
                const SendResult& sent, double travel_before, const TimeModel& model) {
        const double mm = kMmPerInch / limits.resolution;
        PlotFigures figures;
        figures.pens = sent.pens.size();
        figures.vectors = sent.vectors;
        figures.bytes = host_.session.sent.size();
        figures.pen_up_mm = pen_up_travel(job.paths) * mm;
        figures.pen_down_mm = pen_down_length(job) * mm;
        figures.serial = profile.port_kind != 2;
        figures.line = profile.line;
        figures.time = plot_time(job, figures.bytes, model);
        figures.copies = copies(profile);
        char travel[160];
        std::snprintf(travel, sizeof travel,
                      "Pen-up travel %.1f mm before optimisation, %.1f mm after (level %d).\n",
                      travel_before * mm, figures.pen_up_mm, limits.optimize);
        if (const std::string note = unsupported_note(drawing_); !note.empty()) {
            host_.terminal.print(note + "\n");
        }
        const std::string done = o_.port.empty() ? "Wrote the plot of " : "Sent the plot of ";
        host_.terminal.print(travel + done + o_.drawing + " to " + port_->name() + ":\n  " +
                             summary_line(figures) + "\n");
    }

    TimeModel time_model(const Profile& profile, const PlotLimits& limits) const {
        TimeModel model;
        model.timing = profile.timing;
        model.mm_per_unit = kMmPerInch / limits.resolution;
        if (profile.port_kind != 2) model.bytes_per_second = 1 / transfer_seconds(1, profile.line);
        model.model_speed_cm_s = profile.pen_speed;
        model.speeds_sent = profile.variable_speed();
        return model;
    }

    // Only TK-GL3 plotters draw further copies (the replot command).
    int copies(const Profile& profile) const {
        const StoredBlock& block = kept_block(profile);
        const int count = block[4] | (block[5] << 8);
        return profile.language_index() == 3 ? std::max(count, 1) : 1;
    }

    // The answers of the plot-time questions are in the block the driver kept last.
    const StoredBlock& kept_block(const Profile& profile) const {
        return host_.session.saved ? *host_.session.saved : profile.stored;
    }

    PlotJob make_job(const Profile& profile, const PlotLimits& limits) {
        const HostArea area = host_area(limits.area_x, limits.area_y, limits.resolution);
        const Box extents = drawing_.extents(progress_);
        const Placement placement =
            o_.scale
                ? Placement::scaled(extents, o_.rotate, *o_.scale / kMmPerInch * limits.resolution)
                : Placement::fit(extents, o_.rotate, area);
        // Chords within half a host unit: finer than the plotter can show.
        const FlatDrawing flat =
            drawing_.flatten(0.5 / placement.scale(), placement.window(area), progress_);
        return build_job(flat, {placement, area, limits.resolution}, profile);
    }

    void write_preview(const Profile& profile, const PlotLimits& limits, const PlotJob& job) {
        const StoredBlock& block = kept_block(profile);
        const uint16_t flags = static_cast<uint16_t>(block[16] | (block[17] << 8));
        const int divisor =
            (flags & kLongPlot) ? long_plot_divisor(limits.area_x, limits.area_y) : 1;
        const double units_per_inch = limits.resolution * divisor;
        const auto language = static_cast<decoder::Language>(profile.language_index());
        const decoder::Decoded decoded = decoder::decode(host_.session.sent, language);
        if (const std::string warning = preview_warning(decoded, "the plot", language);
            !warning.empty()) {
            std::fprintf(stderr, "tvkplot: %s\n", warning.c_str());
        }

        SvgOptions options;
        options.units_per_mm = units_per_inch / kMmPerInch;
        options.travel = o_.travel;
        for (const auto& [pen, inches] : job.pen_width)
            options.pen_width_mm[pen] = inches * kMmPerInch;
        // In absolute coordinates the plot starts at the paper's origin, where
        // the opening command takes the pen.
        PaperOutline paper{0, 0, limits.area_x * units_per_inch, limits.area_y * units_per_inch};
        if ((flags & kAbsolute) && !decoded.segments.empty() &&
            !decoded.segments.front().pen_down) {
            paper.x = static_cast<double>(decoded.segments.front().to.x);
            paper.y = static_cast<double>(decoded.segments.front().to.y);
        }
        options.paper = paper;
        save_svg(o_.preview, decoded, options);
        host_.terminal.print("Wrote the preview " + o_.preview + ".\n");
    }

    const PlotOptions& o_;
    StopOnInterrupt progress_;
    bool to_stdout_;
    Drawing drawing_;
    DriverHost host_;
    std::unique_ptr<PortOutput> port_;
};

int run_plot(const GlobalOptions& global, const PlotOptions& options) {
    const bool to_stdout =
        options.port.empty() && (options.output.empty() || options.output == "-");
    if (to_stdout && options.output.empty() && isatty(STDOUT_FILENO) == 1) {
        throw HostError(
            "where should the plot go? give -o FILE for a file, --port DEVICE for a "
            "plotter, or -o - for standard output");
    }
    // Before anything is read or written: no output may replace an input or
    // another output.
    check_distinct_files({{options.drawing, "the drawing"},
                          {options.profile, "the profile"},
                          {definition_file(global), "the plotter definition file"}},
                         {{to_stdout ? "" : options.output, "the plot (-o)"},
                          {options.port, "the port (--port)"},
                          {options.preview, "the preview (--preview)"}});
    PlotRun run(global, options);
    return run.run();
}

}  // namespace

Command add_plot_command(CLI::App& app, GlobalOptions& global) {
    auto o = std::make_shared<PlotOptions>();
    auto scale = std::make_shared<double>(0);
    CLI::App* command = app.add_subcommand("plot", "Plot a DXF drawing");
    command->add_option("drawing", o->drawing, "The DXF drawing")
        ->required()
        ->type_name("DRAWING.dxf");
    command->add_option("--profile", o->profile, "The plotter profile (default: see below)")
        ->type_name("FILE");
    command->add_option("--model", o->model, "The model whose profile to use (default: see below)")
        ->type_name("NAME");
    auto* out_opt = command
                        ->add_option("-o,--output", o->output,
                                     "The plot file; - for standard output (default when it "
                                     "is redirected)")
                        ->type_name("OUT");
    command
        ->add_option("--port", o->port,
                     "Send the plot to the plotter on this serial port (or tcp:HOST:PORT) instead")
        ->type_name("DEVICE")
        ->excludes(out_opt);
    add_wait_option(*command, o->wait);
    command->add_option("--preview", o->preview, "Also write an SVG picture of the plot")
        ->type_name("OUT.svg");
    command->add_flag("--travel", o->travel, "Show the pen-up travel in the preview");
    auto* scale_opt = command
                          ->add_option("--scale", *scale,
                                       "Millimetres on paper per drawing unit (default: --fit)")
                          ->type_name("S")
                          ->check(above_zero("millimetres on paper per drawing unit"));
    auto* fit_opt = command->add_flag("--fit");
    fit_opt->description("Fit the drawing to the paper, centred (the default)");
    fit_opt->excludes(scale_opt);
    command->add_flag("--rotate", o->rotate, "Turn the drawing 90 degrees counter-clockwise first");
    command->add_flag("-y,--yes", global.yes, kYesHelp);
    command->footer(kPlotFooter);
    return {command, [&global, o, scale, scale_opt] {
                if (scale_opt->count() > 0) o->scale = *scale;
                return run_plot(global, *o);
            }};
}

}  // namespace tvk::host
