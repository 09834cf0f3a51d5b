#include "host/commands/plot_run.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>

#include "host/commands/driver_host.h"
#include "host/link/configuration.h"
#include "host/link/plot_sender.h"
#include "host/link/plot_setup.h"
#include "host/plotting/plot_job.h"
#include "host/plotting/plot_time.h"
#include "host/plotting/resume_point.h"
#include "host/ports/files.h"
#include "host/preview/svg_preview.h"
#include "host/settings/journal.h"
#include "host/ui/interrupt.h"
#include "host/ui/plot_keys.h"
#include "host/ui/plot_report.h"

namespace tvk::host {
namespace {

constexpr double kMmPerInch = 25.4;
// What a plotter's buffer may hold that it has not drawn, where it did not
// tell: more than most have.
constexpr size_t kAssumedPlotterBuffer = 4096;
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

// A margin on every side must leave some of the paper to draw on.
void check_margin(double margin_mm, double area_x, double area_y, const std::string& paper) {
    const double width = area_x * kMmPerInch, height = area_y * kMmPerInch;
    if (!(area_x > 0 && area_y > 0) || 2 * margin_mm < std::min(width, height)) return;
    char text[256];
    std::snprintf(text, sizeof text,
                  "--margin %g leaves nothing to draw on: the paper%s%s is %.0f x %.0f mm; give "
                  "less than %g mm",
                  margin_mm, paper.empty() ? "" : " ", paper.c_str(), width, height,
                  std::floor(std::min(width, height) / 2 * 10) / 10);
    throw UsageError(text);
}

// A dry run: the driver's bytes are counted and decoded, and go nowhere.
class DryRunOutput final : public PortOutput {
  public:
    Written write(const uint8_t*, size_t count, size_t& done, int) override {
        done = count;
        return Written::kAll;
    }
    bool finish(int) override { return true; }
    std::string name() const override { return "nowhere (dry run)"; }
};

std::unique_ptr<PortOutput> open_output(const PlotOptions& o, const PlotTarget& t,
                                        const Profile& profile) {
    if (t.port != nullptr) return nullptr;
    if (o.dry_run) return std::make_unique<DryRunOutput>();
    if (!o.port.empty()) return open_plotter_port(o.port, profile.port_kind, profile.line);
    if (t.output.empty() || t.output == "-") return open_stdout_output();
    return open_file_output(t.output);
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
    std::string missed;
    for (const auto& [type, count] : drawing.missed_window()) {
        missed += (missed.empty() ? "" : ", ") + std::to_string(count) + " " + type;
    }
    if (!missed.empty()) {
        note += std::string(note.empty() ? "" : "\n") + "Not drawn: " + missed +
                " (infinite lines that miss the part of the drawing plotted).";
    }
    return note;
}

// The progress bar follows the bytes that reach the port and steps aside
// for every text shown, while it lives.
class ProgressHooks {
  public:
    // `reached` follows the bytes that have reached the port.
    ProgressHooks(DriverHost& host, ProgressBar& bar, size_t& reached) : host_(host) {
        // What is still queued on this machine has not reached the port.
        PortOutput* port = host_.session.port;
        host_.session.on_sent = [&bar, &reached, port](size_t bytes) {
            const size_t queued = port != nullptr ? port->still_queued() : 0;
            reached = bytes > queued ? bytes - queued : 0;
            bar.sent(reached);
        };
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

// Read with Ctrl-C watched (a large drawing takes a while), its progress on
// the bar.
Drawing read_drawing(const std::string& path, const PlotOptions& o, int page, ProgressBar& bar) {
    const InterruptWatch watch;
    Drawing drawing =
        Drawing::load(path, {o.units_per_inch, o.plot_language, page ? page : o.page}, bar);
    if (!o.layout.empty()) drawing.use_layout(o.layout);
    bar.clear();
    return drawing;
}

// Only the paths and fills of one pen (--pen-only).
void keep_pen(PlotJob& job, int pen) {
    const size_t before = job.paths.size() + job.polygons.size();
    std::erase_if(job.paths, [pen](const PenPath& p) { return p.pen != pen; });
    std::erase_if(job.polygons, [pen](const FillPolygon& f) { return f.pen != pen; });
    if (before > 0 && job.paths.empty() && job.polygons.empty()) {
        throw HostError("nothing of the drawing is drawn with pen " + std::to_string(pen) +
                        " (--pen-only)");
    }
}

// The plot pen by pen (pens changed by hand), each pen's part in the order
// planned.
void order_by_pen(PlotJob& job) {
    std::stable_sort(job.polygons.begin(), job.polygons.end(),
                     [](const FillPolygon& a, const FillPolygon& b) { return a.pen < b.pen; });
    std::stable_sort(job.paths.begin(), job.paths.end(),
                     [](const PenPath& a, const PenPath& b) { return a.pen < b.pen; });
}

// The last `length` of a path's line (all of it where it is shorter).
HostPolyline tail_of(const HostPolyline& points, double length) {
    HostPolyline tail;
    if (points.empty()) return tail;
    tail.push_back(points.back());
    for (size_t i = points.size() - 1; i > 0 && length > 0; --i) {
        const HostPoint& a = points[i - 1];
        const HostPoint& b = points[i];
        const double step = std::hypot(b.first - a.first, b.second - a.second);
        if (step >= length) {
            const double t = length / step;
            tail.push_back(
                {static_cast<int32_t>(std::lround(b.first + (a.first - b.first) * t)),
                 static_cast<int32_t>(std::lround(b.second + (a.second - b.second) * t))});
            break;
        }
        tail.push_back(a);
        length -= step;
    }
    std::reverse(tail.begin(), tail.end());
    return tail;
}

// A true colour as the user knows it: its name where it is a standard one.
std::string true_colour_text(uint32_t rgb) {
    static const std::pair<uint32_t, const char*> kNamed[] = {
        {0xFF0000, "red"},  {0xFFFF00, "yellow"}, {0x00FF00, "green"},   {0x008000, "green"},
        {0x00FFFF, "cyan"}, {0x0000FF, "blue"},   {0xFF00FF, "magenta"}, {0x000000, "black"}};
    rgb &= 0xFFFFFF;
    for (const auto& [value, name] : kNamed) {
        if (value == rgb) return name;
    }
    char text[16];
    std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb));
    return text;
}

// What a pen is put in for: its colour in the profile, else the first colour
// of the drawing drawn with it ("red", "#FF8000", "colour 9"), else the first
// colour number that goes to it.
std::string pen_colour_text(const Profile& profile, const PlotJob& job, int pen) {
    if (const auto it = profile.pen_colour.find(pen); it != profile.pen_colour.end())
        return true_colour_text(it->second);
    static const char* const kNames[] = {"",     "red",  "yellow",  "green",
                                         "cyan", "blue", "magenta", "black"};
    auto colour_text = [](int c) {
        return c >= 1 && c < 8 ? std::string(kNames[c]) : "colour " + std::to_string(c);
    };
    for (const auto& [colour, to] : job.colour_pens) {
        if (to != pen) continue;
        return colour.second >= 0 ? true_colour_text(static_cast<uint32_t>(colour.second))
                                  : colour_text(colour.first);
    }
    for (int c = 1; c < 256; ++c) {
        if (profile.pen_by_colour[static_cast<size_t>(c)] == pen) return colour_text(c);
    }
    return "";
}

// A large plot holds hundreds of thousands of paths: freeing them one by one
// takes longer than the system takes to take back the whole program. Held
// where the program can reach them, they are no leak.
void leave_to_exit(PlotJob job) {
    static auto* const left = new std::vector<PlotJob>;
    left->push_back(std::move(job));
}

// How many pens the plot draws with.
size_t pens_of(const PlotJob& job) {
    std::set<int> pens;
    for (const FillPolygon& f : job.polygons) pens.insert(f.pen);
    for (const PenPath& p : job.paths) pens.insert(p.pen);
    return pens.size();
}

bool to_stdout(const PlotOptions& o, const PlotTarget& t) {
    return t.port == nullptr && !o.dry_run && o.port.empty() &&
           (t.output.empty() || t.output == "-");
}

class PlotRun {
  public:
    PlotRun(const GlobalOptions& global, const PlotOptions& o, const PlotTarget& t)
        : global_(global),
          o_(o),
          t_(t),
          to_stdout_(to_stdout(o, t)),
          drawing_(read_drawing(t.drawing, o, t.page, bar_)),
          host_(global, to_stdout_ || o.json ? stderr : stdout, prompts_interactive(global)) {}

    int run() {
        // Outputs that cannot be written fail before the work, not after it.
        if (!t_.preview.empty()) check_can_write(t_.preview, "the preview");
        if (!o_.dry_run && o_.port.empty() && !to_stdout_ && t_.port == nullptr)
            check_can_write(t_.output, "the plot");
        // A pause that asks for Enter needs someone at a terminal.
        if (on_port() && (o_.manual_pens || o_.split_ink_mm > 0) && !o_.pen_wait &&
            !prompts_interactive(global_)) {
            throw UsageError(std::string(o_.manual_pens ? "--manual-pens" : "--split-ink") +
                             " waits for Enter at each pause, and there is no terminal to press "
                             "it on (or --yes was given): give --pen-wait SECONDS to wait that "
                             "long instead");
        }
        if (!on_port() && t_.port == nullptr && (o_.split_ink_mm > 0 || o_.pen_wait)) {
            host_.terminal.print(
                "Note: --split-ink and --pen-wait pause only a plot to a port (--port); this "
                "plot does not pause.\n");
        }
        const PlotProfile chosen = plot_profile(host_, o_);
        // The profile's paper is the one plotted unless --paper names another.
        if (o_.answers.paper.empty()) {
            check_margin(o_.margin_mm, chosen.profile.area_x, chosen.profile.area_y, "");
        }
        PenChoices choices = pen_choices(o_.pen_texts, chosen.profile);
        // A plot file's pen speeds slow its pens where the target's are faster.
        choices.file_speed_by_colour = drawing_.pen_speeds();
        const Profile profile = with_colour_pens(chosen.profile, choices);
        InterruptWatch watch;
        host_.session.wait_seconds = o_.wait;
        owned_port_ = open_output(o_, t_, profile);
        if (owned_port_ && on_port()) {
            if (profile.status_queries) {
                std::string note;
                owned_port_ = paced_by_status(std::move(owned_port_), note);
                if (!note.empty()) host_.terminal.print(note + "\n");
            }
            owned_port_->guard(stop_commands(profile.language_index()));
            owned_port_->notice = [this](const std::string& text) {
                host_.terminal.print("tvkplot: " + text + "\n");
            };
        }
        port_ = t_.port != nullptr ? t_.port : owned_port_.get();
        host_.session.port = port_;
        // A large plot's stream is as large as its drawing: held only for the
        // preview, and on a port to tell how far a plot that broke off got.
        host_.session.keep_sent = !t_.preview.empty() || on_port();
        host_.session.stored = profile.stored;
        // Pauses come between the driver's requests: its bytes must reach
        // the port as they are made, not megabytes later.
        if (on_port()) host_.unbuffered_output(chosen.model.name);
        host_.start(EntryKind::kPlot);
        select_model(host_.driver, chosen.model.number, profile.max_line_type);
        const PlotLimits limits =
            set_up_plot(host_.driver, port_->is_serial() ? 0 : kPlotToFile, o_.answers);
        // The driver goes on after a question cancelled; the user meant the plot.
        if (host_.terminal.cancelled() && !interrupt_requested())
            throw Cancelled("plot cancelled; nothing was written");
        check_margin(o_.margin_mm, limits.area_x, limits.area_y, limits.paper);

        ProgressBar& bar = bar_;
        const ProgressHooks hooks(host_, bar, reached_);
        PlotJob job;
        double travel_before = 0;
        const TimeModel model = time_model(profile, limits);
        try {
            bar.step("Preparing", 0, 0);
            // What the drawing holds, for the message when nothing is plotted:
            // the model is let go as the job is made.
            const auto layers = drawing_.layers();
            job = make_job(profile, limits, choices);
            if (t_.colours) t_.colours(job.colour_pens);
            // A plotter with one pen asks for each pen, where the plot has several.
            pens_asked_ = o_.manual_pens || (job.pens_by_hand && pens_of(job) > 1);
            if (pens_asked_ && !o_.manual_pens && on_port() && !o_.pen_wait &&
                !prompts_interactive(global_)) {
                // Unattended, without a wait given: drawn as before, in one go.
                pens_asked_ = false;
                host_.terminal.print(
                    "Note: " + profile.model + " has one pen and this plot draws with " +
                    std::to_string(pens_of(job)) +
                    " pens: it goes on without stopping to change it (no terminal to press "
                    "Enter on, or --yes); --pen-wait SECONDS stops that long for each.\n");
            }
            if (o_.pen_only > 0) keep_pen(job, o_.pen_only);
            if (job.paths.empty() && job.polygons.empty()) {
                throw HostError(nothing_to_plot(layers, choices));
            }
            travel_before = pen_up_travel(job.paths);
            if (limits.optimize > 0)
                optimize_paths(job.paths, limits.optimize, order_costs(model), bar);
            if (o_.manual_pens || job.pens_by_hand) order_by_pen(job);
        } catch (const Cancelled&) {
            if (!interrupt_requested()) throw;
            return broke_off(true, false, profile);
        }

        // Each item's pen, counted as the journal counts items.
        item_pens_.reserve(job.polygons.size() + job.paths.size());
        for (const FillPolygon& f : job.polygons) item_pens_.push_back(f.pen);
        for (const PenPath& p : job.paths) item_pens_.push_back(p.pen);
        for (const int pen : item_pens_) {
            if (!pen_names_.contains(pen)) pen_names_[pen] = pen_colour_text(profile, job, pen);
        }
        if (resumed()) {
            ResumeRequest request;
            request.from_path = o_.from_path;
            request.from_percent = o_.from_percent;
            request.back = o_.back_mm * limits.resolution / kMmPerInch;
            skipped_ = resume_skip(job, request);
            const size_t total = job.polygons.size() + job.paths.size();
            // The line before the first path drawn again, for a join without a gap.
            std::optional<PenPath> overlap;
            if (o_.overlap_mm > 0 && skipped_ > job.polygons.size()) {
                overlap = job.paths[skipped_ - job.polygons.size() - 1];
                overlap->points =
                    tail_of(overlap->points, o_.overlap_mm * limits.resolution / kMmPerInch);
                if (overlap->points.size() < 2) overlap.reset();
            }
            drop_first_items(job, skipped_);
            if (overlap) {
                job.paths.insert(job.paths.begin(), *overlap);
                overlap_runs_ = 1;
            }
            host_.terminal.print("Resuming the plot at path " + std::to_string(skipped_ + 1) +
                                 " of " + std::to_string(total) + ".\n");
            total_items_ = total;
        } else {
            total_items_ = job.polygons.size() + job.paths.size();
        }
        fills_ = job.polygons.size();
        if (t_.planned) t_.planned(skipped_, fills_, total_items_);
        start_journal(profile);

        SendOptions options;
        options.pen_widths = profile.language_index() == 3;
        options.variable_speed = profile.variable_speed();
        options.progress = [&bar, this](size_t done, size_t total) {
            bar.sending(done, total);
            if (t_.progress) t_.progress(done, total);
        };
        std::optional<PauseRequests> pauses;
        std::optional<PlotKeys> keys;
        // Pauses between the driver's requests, where the pen is up: by
        // Ctrl-Z, by key, for a pen change or after a length of ink.
        if (on_port()) {
            pauses.emplace();
            keys.emplace();
            if (keys && keys->active()) {
                host_.terminal.print("p or the space bar pauses the plot.\n");
            }
            options.pause_asked = [&keys] {
                return pause_requested() || (keys && keys->pause_typed());
            };
            options.manual_pens = pens_asked_;
            options.split_ink = o_.split_ink_mm * limits.resolution / kMmPerInch;
            options.units_per_inch = limits.resolution;
            options.paused = [this, &bar, &keys](const PauseReason& reason) {
                bar.clear();
                return pause(reason, keys ? &*keys : nullptr);
            };
        } else if (t_.pen_change && pens_asked_) {
            options.manual_pens = true;
            options.paused = [this](const PauseReason& reason) {
                return plotter_caught_up() && t_.pen_change(pen_change_text(reason.pen));
            };
        }
        SendResult sent = send_plot(host_.driver, job, options);
        keys.reset();
        bar.clear();
        bool port_failed = host_.session.write_failed;
        if (!sent.stopped && !sent.failed && !port_->finish(host_.session.last_deadline_ms)) {
            if (!on_plotter() && !interrupt_requested()) {
                throw HostError("cannot write the plot " + port_->name() + ": " + port_->failure());
            }
            sent.stopped = interrupt_requested();
            port_failed = !sent.stopped;
        }
        if (sent.stopped || sent.failed || port_failed) {
            return broke_off(sent.stopped, port_failed, profile);
        }
        if (!journal_.id.empty()) remove_journal(journal_.id);
        report(profile, limits, job, sent, travel_before, model);
        if (!t_.preview.empty()) write_preview(profile, limits, job);
        if (t_.program_ends) leave_to_exit(std::move(job));
        return 0;
    }

  private:
    // The pen is lifted and parked: once the plotter has all of it, the
    // user is told why and how the plot goes on. False when the plot is to
    // stop (Ctrl-C, or the plotter failed meanwhile).
    std::string pen_change_text(int pen) {
        const std::string& colour = pen_names_[pen];
        return "put in pen " + std::to_string(pen) + (colour.empty() ? "" : " (" + colour + ")");
    }

    // Before a pause: the plotter has taken all that was sent; false where it
    // failed (a write failure) or the plot was stopped meanwhile.
    bool plotter_caught_up() {
        if (port_->finish(host_.session.last_deadline_ms)) return true;
        if (!interrupt_requested()) host_.session.write_failed = true;
        return false;
    }

    bool pause(const PauseReason& reason, PlotKeys* keys) {
        if (!plotter_caught_up()) return false;
        // A path split here ends a pen-down run that is no path of its own.
        if (reason.mid_path) splits_.push_back(host_.session.sent_bytes);
        const bool can_wait = keys != nullptr && keys->active();
        const auto give_up = [seen = continued_count()] {
            return interrupt_requested() || continued_count() != seen;
        };
        std::string what;
        if (reason.kind == PauseReason::kPenChange) {
            what = pen_change_text(reason.pen);
        } else if (reason.kind == PauseReason::kInk) {
            char text[128];
            std::snprintf(text, sizeof text, "pen %d has drawn %g mm: shake or refill it",
                          reason.pen, o_.split_ink_mm);
            what = text;
        }
        if (reason.kind == PauseReason::kAsked && pause_requested()) {
            // Ctrl-Z: the program stops as the user asked, and `fg` goes on.
            forget_pause_request();
            std::fprintf(stderr,
                         "tvkplot: paused with the pen up and away, %zu bytes sent; `fg` "
                         "continues the plot\n",
                         host_.session.sent_bytes);
            if (keys != nullptr) keys->suspend();
            pause_now();
            if (keys != nullptr) keys->resume();
        } else if (reason.kind == PauseReason::kAsked) {
            std::fprintf(stderr,
                         "tvkplot: paused with the pen up and away, %zu bytes sent; p, the space "
                         "bar or Enter continues the plot\n",
                         host_.session.sent_bytes);
            if (keys != nullptr) keys->wait_key(-1, false, give_up);
        } else if (o_.pen_wait) {
            std::fprintf(stderr, "tvkplot: %s; the plot goes on in %g s\n", what.c_str(),
                         *o_.pen_wait);
            const long ms = std::lround(*o_.pen_wait * 1000);
            if (can_wait) {
                keys->wait_key(ms, true, give_up);
            } else {
                for (long waited = 0; waited < ms && !give_up(); waited += 100)
                    poll(nullptr, 0, static_cast<int>(std::min<long>(100, ms - waited)));
            }
        } else {
            std::fprintf(stderr, "tvkplot: %s, then press Enter\n", what.c_str());
            if (keys != nullptr) keys->wait_key(-1, true, give_up);
        }
        if (interrupt_requested()) return false;
        // A pause key typed during the pause does not pause again.
        if (keys != nullptr) keys->pause_typed();
        forget_pause_request();
        std::fprintf(stderr, "tvkplot: the plot goes on\n");
        return true;
    }

    // A plot stopped by the user or failed: what is still queued for the
    // plotter is dropped and its pen lifted; the user learns what it got.
    int broke_off(bool stopped, bool port_failed, const Profile& profile) {
        std::string text;
        if (on_plotter()) {
            text = break_off(*port_, stopped, port_failed, host_.session.sent_bytes,
                             profile.language_index());
        } else {
            port_->abandon("");
            text = std::string(stopped ? "plot stopped" : "the plot failed") +
                   (to_stdout_ ? "; the output is incomplete" : "; nothing was written");
        }
        std::fprintf(stderr, "tvkplot: %s\n", text.c_str());
        if (t_.outcome) t_.outcome(text);
        record_break(stopped, profile);
        return stopped ? stop_exit_code() : kExitFailed;
    }

    bool on_port() const { return !o_.port.empty() && !o_.dry_run; }
    bool resumed() const { return o_.from_path > 0 || o_.from_percent >= 0 || o_.back_mm > 0; }

    // A plot to a port keeps a journal while it runs, so that it can be
    // resumed however it ends; a plot of several drawings keeps none.
    void start_journal(const Profile&) {
        if (!on_port() || (o_.drawings.size() != 1 && o_.journal.empty())) return;
        Journal j;
        j.id = o_.journal.empty() ? new_journal_id(t_.drawing) : o_.journal;
        if (!o_.journal.empty()) {
            try {
                j = load_journal(o_.journal);
            } catch (const HostError&) {
                j.id = o_.journal;
            }
        } else {
            std::error_code ec;
            j.directory = std::filesystem::current_path(ec).string();
            j.args = remembered_command_line();
            j.started = journal_now();
        }
        j.drawing = t_.drawing;
        j.port = o_.port;
        j.state = "plotting";
        j.total = total_items_;
        try {
            save_journal(j);
            journal_ = j;
        } catch (const HostError& e) {
            host_.terminal.print(std::string("tvkplot: ") + e.what() +
                                 "; the plot cannot be resumed\n");
        }
    }

    // How far the plot got, from what reached the plotter: the paths it
    // holds in full, and those the plotter has surely drawn (after a failure
    // its buffer may have held bytes it never drew; after a stop it draws
    // them before it lifts the pen).
    void record_break(bool stopped, const Profile& profile) {
        if (journal_.id.empty()) return;
        const auto language = static_cast<decoder::Language>(profile.language_index());
        const std::string& stream = host_.session.sent;
        // As last known while the port was there: a port that is gone
        // tells nothing of its queue.
        const size_t reached = std::min(stream.size(), reached_);
        auto paths_in = [&](size_t bytes) {
            size_t runs = completed_runs(std::string_view(stream).substr(0, bytes), language);
            // Runs that are parts of a path split for ink, and the line drawn again first.
            size_t parts = overlap_runs_;
            for (const size_t at : splits_) parts += at <= bytes ? 1 : 0;
            runs -= std::min(runs, parts);
            // Fills come first and leave no pen-down run; they went once a path did.
            return runs == 0 ? 0 : std::min(total_items_, skipped_ + fills_ + runs);
        };
        journal_.sent = std::max(paths_in(reached), skipped_);
        const size_t told = port_->plotter_buffer();
        // And what the port may hold that its queue does not show (a
        // pseudo-terminal, whose other end may not have read it).
        const size_t buffer = (stopped    ? 0
                               : told > 0 ? told
                                          : kAssumedPlotterBuffer) +
                              port_->may_still_hold();
        journal_.drawn = std::max(paths_in(reached - std::min(reached, buffer)), skipped_);
        journal_.next_pen =
            pens_asked_ && journal_.drawn < item_pens_.size() ? item_pens_[journal_.drawn] : 0;
        journal_.state = stopped ? "stopped" : "failed";
        try {
            save_journal(journal_);
        } catch (const HostError&) {
            return;
        }
        std::fprintf(stderr,
                     "tvkplot: %zu of %zu paths were drawn; `tvkplot resume %s` plots the rest "
                     "(--from-path N, --back MM or --from PERCENT to choose where)\n",
                     journal_.drawn, journal_.total, journal_.id.c_str());
    }

    // A plotter listens at the other end: it is told to lift its pen when a plot breaks off.
    bool on_plotter() const { return t_.port != nullptr || (!o_.port.empty() && !o_.dry_run); }

    void report(const Profile& profile, const PlotLimits& limits, const PlotJob& job,
                const SendResult& sent, double travel_before, const TimeModel& model) {
        const double mm = kMmPerInch / limits.resolution;
        PlotResult r;
        r.drawing = t_.drawing;
        r.dry_run = o_.dry_run;
        if (!o_.dry_run) r.output = port_->name();
        PlotFigures& figures = r.figures;
        figures.pens = sent.pens.size();
        figures.vectors = sent.vectors;
        figures.bytes = host_.session.sent_bytes;
        figures.pen_up_mm = pen_up_travel(job.paths) * mm;
        figures.serial = profile.port_kind != 2;
        figures.line = profile.line;
        figures.time = plot_time(job, figures.bytes, model);
        figures.pen_down_mm = figures.time.pen_down * mm;
        figures.bounds = plot_bounds(job, figures.time, model);
        figures.pen_up_bound_mm = figures.bounds.travel * mm;
        figures.copies = copies(profile);
        r.pens.assign(sent.pens.begin(), sent.pens.end());
        r.paper = limits.paper;
        r.paper_width_mm = limits.area_x * kMmPerInch;
        r.paper_height_mm = limits.area_y * kMmPerInch;
        r.scale = placement_->scale() * mm;
        r.rotated = placement_->rotated();
        // Only what lies beyond the paper by more than the plotter's step is
        // cut off: lines on the edge of a fitted plot are not.
        if (job.placed_length > 0 && job.cut_length > 1) {
            r.clipped_share = std::clamp(job.cut_length / job.placed_length, 0.0, 1.0);
            const double beyond[4] = {-job.placed.min_x, job.placed.max_x - area_.width,
                                      -job.placed.min_y, job.placed.max_y - area_.height};
            for (int i = 0; i < 4; ++i) r.outside_mm[i] = beyond[i] > 1 ? beyond[i] * mm : 0;
        }
        r.not_drawn = drawing_.unsupported();
        for (const auto& [type, count] : drawing_.missed_window()) r.not_drawn[type] += count;

        // A dry run is where the pens are chosen: say which true colour
        // (an SVG's strokes and fills) became which colour number and pen.
        if (o_.dry_run && !job.true_colour_pens.empty()) {
            std::string colours;
            int shown = 0;
            for (const auto& [key, pen] : job.true_colour_pens) {
                if (++shown > 24) {
                    colours += ", ...";
                    break;
                }
                char text[64];
                std::snprintf(text, sizeof text, "#%06X (colour %d) on pen %d",
                              static_cast<unsigned>(key.second) & 0xFFFFFF, key.first, pen);
                colours += (colours.empty() ? "" : ", ") + std::string(text);
            }
            host_.terminal.print("Colours: " + colours + ".\n");
        }
        if (const std::string note = outside_note(r); !note.empty()) {
            host_.terminal.print(note + "\n");
        }
        char travel[160];
        std::snprintf(travel, sizeof travel,
                      "Pen-up travel %.1f mm before optimisation, %.1f mm after (level %d).\n",
                      travel_before * mm, figures.pen_up_mm, limits.optimize);
        if (const std::string note = unsupported_note(drawing_); !note.empty()) {
            host_.terminal.print(note + "\n");
        }
        const std::string done = o_.dry_run      ? "Dry run of "
                                 : !on_plotter() ? "Wrote the plot of "
                                                 : "Sent the plot of ";
        host_.terminal.print(travel + done + t_.drawing +
                             (o_.dry_run ? "" : " to " + port_->name()) + ":\n  " +
                             summary_line(figures) + "\n");
        if (const size_t hold = port_->may_still_hold(); hold > 0 && on_plotter()) {
            host_.terminal.print(
                "Note: " + port_->name() +
                " is a pseudo-terminal, whose queue tells nothing of what the program at its "
                "other end has read: up to " +
                std::to_string(hold) +
                " bytes of the plot may not have reached the plotter yet. A profile with "
                "[port] status = true (a plotter that answers its buffer query) has tvkplot "
                "ask it.\n");
        }
        if (t_.outcome) t_.outcome(summary_line(figures));
        if (o_.json) {
            std::fputs((result_json(r) + "\n").c_str(), stdout);
            std::fflush(stdout);
        }
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

    // Why the plot is empty: an empty layout, layers chosen that hold
    // nothing (with those that do), or a drawing with nothing drawable.
    std::string nothing_to_plot(const std::vector<Drawing::LayerInfo>& layers,
                                const PenChoices& choices) const {
        const std::string note = unsupported_note(drawing_);
        const std::string noted = note.empty() ? "" : ". " + note;
        int entities = 0;
        for (const auto& l : layers) entities += l.entities;
        if (!o_.layout.empty() && entities == 0) {
            return "the layout \"" + o_.layout + "\" of " + t_.drawing +
                   " is empty: it has no entities and no viewports onto model space";
        }
        if (!choices.filters_layers())
            return t_.drawing + " has nothing to plot on this paper" + noted;
        std::string names;
        for (const auto& l : layers) {
            if (l.entities == 0) continue;
            names += (names.empty() ? "" : ", ") + l.name;
            if (l.frozen || l.off) names += l.frozen ? " (frozen)" : " (off)";
        }
        return t_.drawing +
               " has nothing to plot on the layers chosen; its layers with entities are " +
               (names.empty() ? "none" : names) + " (`tvkplot layers " + t_.drawing +
               "` lists them)" + noted;
    }

    // The answers of the plot-time questions are in the block the driver kept last.
    const StoredBlock& kept_block(const Profile& profile) const {
        return host_.session.saved ? *host_.session.saved : profile.stored;
    }

    PlotJob make_job(const Profile& profile, const PlotLimits& limits, const PenChoices& choices) {
        area_ = host_area(limits.area_x, limits.area_y, limits.resolution);
        const double units_per_mm = limits.resolution / kMmPerInch;
        const Box extents =
            choices.filters_layers()
                ? drawing_.extents([&](const std::string& layer) { return choices.plotted(layer); },
                                   bar_)
                : drawing_.extents(bar_);
        PlacementRequest request;
        if (o_.scale) request.scale = *o_.scale * units_per_mm;
        request.margin = o_.margin_mm * units_per_mm;
        request.center = o_.center;
        request.offset = {o_.offset_mm.x * units_per_mm, o_.offset_mm.y * units_per_mm};
        request.rotate = o_.rotate;
        placement_ = Placement::place(extents, request, area_);
        // Chords within half a host unit: finer than the plotter can show.
        JobBuilder job({*placement_, area_, limits.resolution}, profile, choices);
        // The job is all the plot needs of the drawing from now on.
        drawing_.flatten_letting_go(0.5 / placement_->scale(), placement_->window(area_), bar_,
                                    job);
        return job.finish();
    }

    void write_preview(const Profile& profile, const PlotLimits& limits, const PlotJob& job) {
        const StoredBlock& block = kept_block(profile);
        const uint16_t flags = static_cast<uint16_t>(block[16] | (block[17] << 8));
        const int divisor =
            (flags & kLongPlot) ? long_plot_divisor(limits.area_x, limits.area_y) : 1;
        const double units_per_inch = limits.resolution * divisor;
        const auto language = static_cast<decoder::Language>(profile.language_index());
        const StreamSurvey survey = survey_stream(host_.session.sent, language);
        if (const std::string warning = preview_warning(survey, "the plot"); !warning.empty()) {
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
        if ((flags & kAbsolute) && survey.first && !survey.first->pen_down) {
            paper.x = static_cast<double>(survey.first->to.x);
            paper.y = static_cast<double>(survey.first->to.y);
        }
        options.paper = paper;
        if (o_.preview_numbers) {
            // Where each item starts, numbered as a resumed plot counts them.
            const double origin_x = (flags & kAbsolute) ? paper.x : 0;
            const double origin_y = (flags & kAbsolute) ? paper.y : 0;
            size_t number = skipped_;
            auto add = [&](const HostPolyline& points) {
                ++number;
                if (points.empty()) return;
                options.numbers.push_back({origin_x + points.front().first * divisor,
                                           origin_y + points.front().second * divisor, number});
            };
            for (const FillPolygon& f : job.polygons) add(f.vertices);
            for (size_t i = overlap_runs_; i < job.paths.size(); ++i) add(job.paths[i].points);
        }
        save_svg(t_.preview, host_.session.sent, survey, options);
        host_.terminal.print("Wrote the preview " + t_.preview + ".\n");
    }

    ProgressBar bar_;  // first: it shows the reading of the drawing
    const GlobalOptions& global_;
    const PlotOptions& o_;
    const PlotTarget& t_;
    bool to_stdout_;
    Drawing drawing_;
    DriverHost host_;
    std::unique_ptr<PortOutput> owned_port_;
    PortOutput* port_ = nullptr;
    HostArea area_;
    std::optional<Placement> placement_;
    Journal journal_;
    size_t total_items_ = 0;
    size_t skipped_ = 0;
    size_t fills_ = 0;
    size_t reached_ = 0;                    // bytes that reached the port
    size_t overlap_runs_ = 0;               // 1 where a resumed plot draws the line before it again
    std::vector<size_t> splits_;            // bytes sent where a path was split for ink
    std::vector<int> item_pens_;            // of every item of the plot, fills first
    bool pens_asked_ = false;               // a pause before each pen's part, to put it in by hand
    std::map<int, std::string> pen_names_;  // what each pen is put in for
};

}  // namespace

int plot_drawing(const GlobalOptions& global, const PlotOptions& options,
                 const PlotTarget& target) {
    try {
        PlotRun run(global, options, target);
        return run.run();
    } catch (const Cancelled&) {
        // Ctrl-C while the drawing was read: nothing has left yet.
        if (!interrupt_requested()) throw;
        std::fprintf(stderr, "tvkplot: plot stopped; nothing was %s\n",
                     options.port.empty() ? "written" : "sent");
        return stop_exit_code();
    }
}

}  // namespace tvk::host
