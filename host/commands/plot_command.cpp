// tvkplot plot: a DXF drawing through the plot entry to a file, standard
// output or a plotter port, as a CAD host plots it.
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>

#include "host/commands/commands.h"
#include "host/commands/driver_host.h"
#include "host/commands/plot_options.h"
#include "host/link/configuration.h"
#include "host/link/plot_sender.h"
#include "host/link/plot_setup.h"
#include "host/plotting/plot_job.h"
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
        return {host.model_of(p, o.profile), std::move(p)};
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
        return {host.model_of(p, path), std::move(p)};
    }
    host.terminal.print("No profile for " + model.name +
                        ": plotting with its defaults (`tvkplot configure` makes one).\n");
    // The dialog's texts are shown only if it fails.
    host.terminal.hold();
    const bool interactive = host.terminal.interactive();
    host.terminal.set_interactive(false);
    try {
        Profile p = configure_model(host.driver, model.number, model.name, true);
        host.terminal.set_interactive(interactive);
        host.terminal.drop();
        return {model, std::move(p)};
    } catch (...) {
        host.terminal.set_interactive(interactive);
        host.terminal.release();
        throw;
    }
}

std::unique_ptr<PortOutput> open_output(const PlotOptions& o, const Profile& profile) {
    if (!o.port.empty()) {
        return profile.port_kind == 2 ? open_device_output(o.port)
                                      : open_serial_output(o.port, profile.line);
    }
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

// At the pen speeds sent (centimetres per second); 0 when none were.
double drawing_seconds(const PlotJob& job, bool speeds_sent, double mm_per_unit) {
    double seconds = 0;
    if (!speeds_sent) return seconds;
    for (const PenPath& p : job.paths) {
        if (p.speed > 0) seconds += path_length(p.points, false) * mm_per_unit / (p.speed * 10.0);
    }
    return seconds;
}

double pen_down_length(const PlotJob& job) {
    double length = 0;
    for (const PenPath& p : job.paths) length += path_length(p.points, false);
    for (const FillPolygon& f : job.polygons) length += path_length(f.vertices, true);
    return length;
}

std::string unsupported_note(const Drawing& drawing) {
    std::string note;
    for (const auto& [type, count] : drawing.unsupported()) {
        note += (note.empty() ? "" : ", ") + std::to_string(count) + " " + type;
    }
    return note.empty() ? note : "Not drawn (not supported): " + note + ".";
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

class PlotRun {
  public:
    PlotRun(const GlobalOptions& global, const PlotOptions& o)
        : o_(o),
          to_stdout_(o.port.empty() && (o.output.empty() || o.output == "-")),
          drawing_(Drawing::load_dxf(o.drawing)),
          host_(global, to_stdout_ ? stderr : stdout, prompts_interactive(global)) {}

    int run() {
        // Outputs that cannot be written fail before the work, not after it.
        if (!o_.preview.empty()) check_can_write(o_.preview, "the preview");
        if (o_.port.empty() && !to_stdout_) check_can_write(o_.output, "the plot");
        const PlotProfile chosen = plot_profile(host_, o_);
        const Profile& profile = chosen.profile;
        InterruptWatch watch;
        port_ = open_output(o_, profile);
        host_.session.port = port_.get();
        host_.session.stored = profile.stored;
        host_.start(EntryKind::kPlot);
        select_model(host_.driver, chosen.model.number, profile.max_line_type);
        const PlotLimits limits = set_up_plot(host_.driver, port_->is_serial() ? 0 : kPlotToFile);

        PlotJob job = make_job(profile, limits);
        if (job.paths.empty() && job.polygons.empty()) {
            const std::string note = unsupported_note(drawing_);
            throw HostError(o_.drawing + " has nothing to plot on this paper" +
                            (note.empty() ? "" : ". " + note));
        }
        const double travel_before = pen_up_travel(job.paths);
        if (limits.optimize > 0) optimize_paths(job.paths, limits.optimize);

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
        if (sent.stopped || sent.failed) {
            port_->discard();
            std::fprintf(stderr, "tvkplot: %s; %s\n",
                         sent.stopped ? "plot stopped" : "the plot failed",
                         what_was_left().c_str());
            return sent.stopped ? kExitStopped : 1;
        }
        if (!port_->finish()) {
            throw HostError("cannot write the plot " + port_->name() + ": " + std::strerror(errno));
        }
        report(profile, limits, job, sent, travel_before);
        if (!o_.preview.empty()) write_preview(profile, limits, job);
        return 0;
    }

  private:
    // After a stopped or failed plot.
    std::string what_was_left() const {
        if (to_stdout_) return "the output is incomplete";
        if (o_.port.empty()) return "nothing was written";
        return host_.session.sent.empty() ? "nothing was sent"
                                          : "the plotter got only part of the plot";
    }

    void report(const Profile& profile, const PlotLimits& limits, const PlotJob& job,
                const SendResult& sent, double travel_before) {
        const double mm = kMmPerInch / limits.resolution;
        PlotFigures figures;
        figures.pens = sent.pens.size();
        figures.vectors = sent.vectors;
        figures.bytes = host_.session.sent.size();
        figures.pen_up_mm = pen_up_travel(job.paths) * mm;
        figures.pen_down_mm = pen_down_length(job) * mm;
        figures.serial = profile.port_kind != 2;
        figures.line = profile.line;
        figures.drawing_seconds = drawing_seconds(job, profile.variable_speed(), mm);
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
        const Box extents = drawing_.extents();
        const Placement placement =
            o_.scale
                ? Placement::scaled(extents, o_.rotate, *o_.scale / kMmPerInch * limits.resolution)
                : Placement::fit(extents, o_.rotate, area);
        // Chords within half a host unit: finer than the plotter can show.
        const FlatDrawing flat = drawing_.flatten(0.5 / placement.scale());
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
    command->add_option("--port", o->port, "Send the plot to the plotter on this port instead")
        ->type_name("DEVICE")
        ->excludes(out_opt);
    auto* preview_opt =
        command->add_option("--preview", o->preview, "Also write an SVG picture of the plot")
            ->type_name("OUT.svg");
    command->add_flag("--travel", o->travel, "Show the pen-up travel in the preview")
        ->needs(preview_opt);
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
