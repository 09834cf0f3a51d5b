// tvkplot plot: drawings through the plot entry to files, standard output
// or a plotter port, as a CAD host plots them; every plot-time setting can
// come from the command line.
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "host/commands/commands.h"
#include "host/commands/distinct_files.h"
#include "host/commands/driver_host.h"
#include "host/commands/plot_options.h"
#include "host/commands/plot_run.h"
#include "host/drawing/model/drawing.h"
#include "host/ui/plot_report.h"

namespace tvk::host {
namespace {

constexpr const char* kPlotFooter =
    "\nThe profile: --profile FILE; else the one of --model, else of the model configured\n"
    "last; without one, that model (or the first of the definition file) with its defaults.\n"
    "--scale 1 (or 1:1) plots a drawing in millimetres full size, --scale 25.4 one in\n"
    "inches; --scale 1:50 draws 50 drawing units in one millimetre. Whatever lies outside\n"
    "the paper is cut off, and tvkplot says how much and where. The plot-time questions\n"
    "take --paper, --copies, --pe and --coordinates as their answers; those not given\n"
    "take their defaults with --yes or when input is not a terminal.\n"
    "Several drawings are plotted one after another, each to its own output: give -o a\n"
    "pattern with {name} (the drawing's file name without its extension). On a port,\n"
    "tvkplot asks for new paper between them (not with --yes). The pages of a plot file\n"
    "are plotted so too (on a port, to standard output, or to -o NAME with {name}, which\n"
    "then gets -1, -2, ...); else its first page, or the one --page names. Every drawing\n"
    "is looked for first; a missing one stops the batch before it starts, unless\n"
    "--keep-going.\n"
    "\nExamples:\n"
    "  tvkplot plot part.dxf -o part.plt --preview part.svg\n"
    "  tvkplot plot plan.dxf --scale 1:50 --rotate auto --paper A1 -o plan.plt\n"
    "  tvkplot plot plan.dxf --layers WALLS,DOORS --pen red=2 --layer-pen 'DIM*=3' -o plan.plt\n"
    "  tvkplot plot a.dxf b.dxf -o '{name}.plt' --json --dry-run\n"
    "  tvkplot plot *.dxf -o '{name}.plt' --keep-going --json\n"
    "  tvkplot plot part.dxf --yes -o - > /dev/ttyUSB0";

// "S", or a ratio "A:B" of millimetres on paper to drawing units.
CLI::Validator scale_check() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const size_t colon = text.find(':');
            std::optional<double> value;
            if (colon == std::string::npos) {
                value = parse_number(text);
            } else {
                const auto a = parse_number(text.substr(0, colon));
                const auto b = parse_number(text.substr(colon + 1));
                if (a && b && *b > 0) value = *a / *b;
            }
            if (!value || !(*value > 0)) {
                return "must be millimetres on paper per drawing unit above 0 (as 0.5) or a "
                       "ratio (as 1:50 or 2:1), not \"" +
                       text + "\"";
            }
            text = std::to_string(*value);
            return {};
        },
        "");
}

CLI::Validator offset_check() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const size_t comma = text.find(',');
            if (comma == std::string::npos || !parse_number(text.substr(0, comma)) ||
                !parse_number(text.substr(comma + 1))) {
                return "must be X,Y in millimetres (as 10,-5), not \"" + text + "\"";
            }
            return {};
        },
        "");
}

std::string stem_of(const std::string& drawing) {
    return std::filesystem::path(drawing).stem().string();
}

// Why a drawing cannot be read, or empty when it can.
std::string unreadable(const std::string& drawing) {
    std::error_code ec;
    if (std::filesystem::is_directory(drawing, ec)) return drawing + ": is a directory";
    if (std::FILE* f = std::fopen(drawing.c_str(), "rb")) {
        std::fclose(f);
        return {};
    }
    return drawing + ": cannot open: " + std::strerror(errno);
}

bool has_name(const std::string& pattern) {
    return pattern.find("{name}") != std::string::npos;
}

PlotTarget plot_target(const std::string& drawing, const std::string& output,
                       const std::string& preview, int page) {
    PlotTarget t;
    t.drawing = drawing;
    t.output = output;
    t.preview = preview;
    t.page = page;
    return t;
}

int run_plot(const GlobalOptions& global, PlotOptions& o) {
    const bool several = o.drawings.size() > 1;
    const bool to_stdout = !o.dry_run && o.port.empty() && (o.output.empty() || o.output == "-");
    if (to_stdout && o.output.empty() && isatty(STDOUT_FILENO) == 1) {
        throw UsageError(
            "where should the plot go? give -o FILE for a file, --port DEVICE for a "
            "plotter, -o - for standard output, or --dry-run for none");
    }
    if (to_stdout && o.json) {
        throw UsageError(
            "--json writes the summary on standard output: give the plot -o FILE, "
            "--port DEVICE or --dry-run");
    }
    if (several && !o.dry_run && o.port.empty() && !to_stdout && !has_name(o.output)) {
        throw UsageError(
            "several drawings need several outputs: give -o a pattern with {name}, "
            "as -o '{name}.plt'");
    }
    if (several && !o.preview.empty() && !has_name(o.preview)) {
        throw UsageError(
            "several drawings need several previews: give --preview a pattern with "
            "{name}, as --preview '{name}.svg'");
    }
    // The pages of a plot file are plotted one after another where each can
    // go somewhere of its own: to a port, standard output, or outputs named
    // by {name} (the page's number added to the name).
    const bool pages_apart = o.page == 0 && (o.preview.empty() || has_name(o.preview)) &&
                             (!o.port.empty() || to_stdout || o.dry_run || has_name(o.output));
    std::vector<PlotTarget> targets;
    for (const std::string& drawing : o.drawings) {
        const int pages =
            pages_apart ? Drawing::plot_pages(drawing, {o.units_per_inch, o.plot_language, 0}) : 1;
        if (pages <= 1) {
            targets.push_back(plot_target(drawing, output_for(o.output, drawing),
                                          output_for(o.preview, drawing), 0));
            continue;
        }
        for (int page = 1; page <= pages; ++page) {
            const std::string suffix = "-" + std::to_string(page);
            targets.push_back(plot_target(drawing, output_for(o.output, drawing, suffix),
                                          output_for(o.preview, drawing, suffix), page));
        }
    }
    // Before anything is written: no output may replace an input or another
    // output.
    std::vector<FileRole> inputs = {{o.profile, "the profile"},
                                    {definition_file(global), "the plotter definition file"}};
    std::vector<FileRole> outputs = {{o.port, "the port (--port)"}};
    for (const std::string& drawing : o.drawings)
        inputs.push_back({drawing, several ? "the drawing " + drawing : "the drawing"});
    for (const PlotTarget& target : targets) {
        // With several drawings, each role names its drawing.
        const std::string of = several || target.page > 0 ? " of " + target.drawing : std::string();
        const std::string page =
            target.page > 0 ? " (page " + std::to_string(target.page) + ")" : std::string();
        if (!o.dry_run && o.port.empty() && !to_stdout)
            outputs.push_back({target.output, "the plot" + of + page + " (-o)"});
        outputs.push_back({target.preview, "the preview" + of + page + " (--preview)"});
    }
    check_distinct_files(inputs, outputs);
    // Every drawing is looked for before the first is plotted: a batch that
    // would stop half way stops before it starts (or, with --keep-going,
    // plots what it can).
    std::vector<std::string> missing;
    for (const std::string& drawing : o.drawings) {
        if (const std::string why = unreadable(drawing); !why.empty()) missing.push_back(why);
    }
    if (!missing.empty() && !o.keep_going) {
        std::string text = missing.size() == 1 ? missing.front() : "drawings that cannot be read:";
        if (missing.size() > 1) {
            for (const std::string& why : missing) text += "\n  " + why;
        }
        throw HostError(text +
                        (several ? "\nNothing was plotted (--keep-going plots the rest)." : ""));
    }
    if (!targets.empty()) targets.back().program_ends = true;
    // On a port, new paper before each drawing after the first; with --yes
    // or without a terminal nobody is there to put it in: no question.
    const bool ask_paper = !o.port.empty() && !o.dry_run && prompts_interactive(global);
    Terminal between(stderr, true);
    int result = 0;
    for (size_t i = 0; i < targets.size(); ++i) {
        const PlotTarget& target = targets[i];
        const std::string what =
            target.drawing +
            (target.page > 0 ? " (page " + std::to_string(target.page) + ")" : std::string());
        if (i > 0 && ask_paper) {
            const auto go_on =
                between.ask_yes_no("Put in new paper for " + what + ", then go on? ", true);
            if (!go_on || !*go_on) throw Cancelled("stopped before " + what);
        }
        int code = 0;
        if (!o.keep_going) {
            code = plot_drawing(global, o, target);
        } else {
            // A drawing that fails is reported and the next one plotted;
            // what the user stops or cancels ends the batch.
            try {
                code = plot_drawing(global, o, target);
            } catch (const Cancelled&) {
                throw;
            } catch (const UsageError&) {
                throw;
            } catch (const std::exception& e) {
                const std::string why = e.what();
                std::fprintf(
                    stderr, "tvkplot: %s%s\n",
                    why.find(target.drawing) == std::string::npos ? (what + ": ").c_str() : "",
                    why.c_str());
                if (o.json) std::printf("%s\n", failure_json(target.drawing, e.what()).c_str());
                std::fflush(stdout);
                code = kExitFailed;
            }
            if (code == kExitStopped) return code;
        }
        if (code != 0 && !o.keep_going) return code;
        if (code != 0) result = code;
    }
    return result;
}

}  // namespace

std::string output_for(const std::string& pattern, const std::string& drawing,
                       const std::string& suffix) {
    std::string out = pattern;
    for (size_t at; (at = out.find("{name}")) != std::string::npos;) {
        out.replace(at, 6, stem_of(drawing) + suffix);
    }
    return out;
}

Command add_plot_command(CLI::App& app, GlobalOptions& global) {
    auto o = std::make_shared<PlotOptions>();
    auto scale = std::make_shared<double>(0);
    auto offset = std::make_shared<std::string>();
    auto rotate = std::make_shared<bool>(false);
    auto pe = std::make_shared<std::string>();
    auto coordinates = std::make_shared<std::string>();
    auto copies = std::make_shared<int>(1);
    CLI::App* command =
        app.add_subcommand("plot", "Plot drawings: DXF, SVG, or plot files to plot again");
    command
        ->add_option("drawings", o->drawings,
                     "The drawings (each told by its content), one after another")
        ->required()
        ->type_name("DRAWING");
    command->add_option("--profile", o->profile, "The plotter profile (default: see below)")
        ->type_name("FILE");
    command->add_option("--model", o->model, "The model whose profile to use (default: see below)")
        ->type_name("NAME");
    auto* out_opt = command
                        ->add_option("-o,--output", o->output,
                                     "The plot file ({name}: the drawing's name); - for standard "
                                     "output (default when it is redirected)")
                        ->type_name("OUT");
    command
        ->add_option("--port", o->port,
                     "Send the plot to the plotter on this serial port (or tcp:HOST:PORT) instead")
        ->type_name("DEVICE")
        ->excludes(out_opt);
    add_wait_option(*command, o->wait);
    auto* preview_opt = command
                            ->add_option("--preview", o->preview,
                                         "Also write an SVG picture of the plot ({name} as for -o)")
                            ->type_name("OUT.svg");
    command->add_flag("--travel", o->travel, "Show the pen-up travel in the preview")
        ->needs(preview_opt);
    command
        ->add_option("--units-per-inch", o->units_per_inch,
                     "The plotter units of a plot file given as the drawing (default 1016)")
        ->type_name("N")
        ->check(above_zero("plotter units per inch"));
    command
        ->add_option("--language", o->plot_language,
                     "The language of a plot file given as the drawing: HP-GL, HP-GL/2 or VTX-GL "
                     "(TK-GL1 and TK-GL2 are HP-GL, TK-GL3 HP-GL/2; default: as the file reads)")
        ->type_name("L")
        ->transform(CLI::IsMember({"HP-GL", "HP-GL/2", "VTX-GL", "TK-GL1", "TK-GL2", "TK-GL3"},
                                  CLI::ignore_case));
    command
        ->add_option("--page", o->page,
                     "The page of a PDF, or of a plot file of several pages (default: 1)")
        ->type_name("N")
        ->check(CLI::PositiveNumber);
    command->add_flag("--dry-run", o->dry_run,
                      "Everything but the output: the questions, the summary, the preview");
    command->add_flag("--keep-going", o->keep_going,
                      "With several drawings: one that cannot be plotted is reported (and, with "
                      "--json, given a record of its failure) and the rest are plotted");
    command->add_flag("--json", o->json,
                      "The summary as one JSON object (a line) per drawing on standard output; "
                      "texts on standard error");

    command
        ->add_option("--layout", o->layout,
                     "Plot this paper-space layout (its viewports at their scales) instead of "
                     "model space; `tvkplot layouts` lists them")
        ->type_name("NAME");

    const char* const settings = "Plot settings (this plot only)";
    command
        ->add_option("--paper", o->answers.paper,
                     "A paper of the model's list, by name (any case) or number")
        ->type_name("NAME|N")
        ->group(settings);
    auto* copies_opt = command->add_option("--copies", *copies, "Copies in all (TK-GL3 plotters)")
                           ->type_name("N")
                           ->check(in_range(1, 100, "copies", true))
                           ->group(settings);
    auto* pe_opt =
        command
            ->add_option(
                "--pe", *pe,
                "The PE command: on, off, or 8bit (on, in 8-bit mode where the line allows)")
            ->type_name("on|off|8bit")
            ->check(CLI::IsMember({"on", "off", "8bit"}).description(""))
            ->group(settings);
    auto* coordinates_opt =
        command->add_option("--coordinates", *coordinates, "The plotter's coordinate system")
            ->type_name("absolute|relative")
            ->check(CLI::IsMember({"absolute", "relative"}).description(""))
            ->group(settings);
    command
        ->add_option("--pen", o->pen_texts.pens,
                     "Draw a colour (1 to 255, or red, yellow, green, cyan, blue, magenta, white, "
                     "black) with a pen; repeatable")
        ->type_name("COLOUR=PEN")
        ->group(settings);
    command
        ->add_option(
            "--layer-pen", o->pen_texts.layer_pens,
            "Draw a layer (wildcards * and ?) with a pen, whatever its colours; repeatable")
        ->type_name("LAYER=PEN")
        ->group(settings);
    command
        ->add_option("--layers", o->pen_texts.layers, "Plot only these layers (wildcards * and ?)")
        ->type_name("A,B")
        ->group(settings);
    command
        ->add_option("--exclude-layers", o->pen_texts.excluded_layers,
                     "Leave these layers out (wildcards * and ?)")
        ->type_name("A,B")
        ->group(settings);
    command
        ->add_option("--speed", o->pen_texts.speeds,
                     "A pen's speed in cm/s (plotters with pen speeds); repeatable")
        ->type_name("PEN=CM_S")
        ->group(settings);
    command
        ->add_option("--width", o->pen_texts.widths,
                     "A pen's width in mm (for fills, and sent to TK-GL3 plotters); repeatable")
        ->type_name("PEN=MM")
        ->group(settings);

    command
        ->add_option("--pen-only", o->pen_only,
                     "Plot only the paths of this pen (a plotter with one pen: one colour at a "
                     "time)")
        ->type_name("PEN")
        ->check(CLI::Range(1, 255).description(""))
        ->group(settings);

    const char* const long_plots = "Long plots on a port";
    command
        ->add_flag("--manual-pens", o->manual_pens,
                   "Plot pen by pen, parking the pen and asking for the next one in between "
                   "(a model with one pen does so by itself)")
        ->group(long_plots);
    command
        ->add_option("--pen-wait", o->pen_wait,
                     "A pen change or an ink pause waits this long instead of asking for Enter "
                     "(unattended)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0.0, 86400.0).description(""))
        ->group(long_plots);
    command
        ->add_option("--split-ink", o->split_ink_mm,
                     "Pause after every MM of pen-down line, lifting and parking the pen (to "
                     "shake or refill a pen that runs dry)")
        ->type_name("MM")
        ->check(CLI::Range(1.0, 1e7).description(""))
        ->group(long_plots);
    command
        ->add_flag("--preview-numbers", o->preview_numbers,
                   "Number the paths in the preview, as `tvkplot resume --from-path` counts them")
        ->group(long_plots);

    const char* const placement = "Placement";
    auto* scale_opt = command
                          ->add_option("--scale", *scale,
                                       "Millimetres on paper per drawing unit, or a ratio "
                                       "(1:50, 2:1) (default: --fit)")
                          ->type_name("S|A:B")
                          ->transform(scale_check())
                          ->group(placement);
    auto* fit_opt = command->add_flag("--fit");
    fit_opt->description("Fit the drawing to the paper inside the margins, centred (the default)");
    fit_opt->excludes(scale_opt)->group(placement);
    command->add_option("--margin", o->margin_mm, "Blank paper on every side, in mm (default 5)")
        ->type_name("MM")
        ->check(in_range(0, 1000, "millimetres"))
        ->group(placement);
    command->add_flag("--center", o->center, "With --scale: centre the drawing on the paper")
        ->needs(scale_opt)
        ->group(placement);
    auto* offset_opt = command->add_option("--offset", *offset, "Shift the drawing by X,Y mm")
                           ->type_name("X,Y")
                           ->check(offset_check())
                           ->group(placement);
    command
        ->add_flag("--rotate", *rotate,
                   "Turn the drawing 90 degrees counter-clockwise first; --rotate auto: when it "
                   "fits larger that way")
        ->group(placement);
    // tvkplot resume gives these.
    command->add_option("--resume-journal", o->journal)->group("");
    command->add_option("--resume-from-path", o->from_path)->group("");
    command->add_option("--resume-from-percent", o->from_percent)->group("");
    command->add_option("--resume-back", o->back_mm)->group("");
    command->add_option("--resume-overlap", o->overlap_mm)->group("");
    // main() turns "--rotate auto" into this.
    auto* rotate_auto = command->add_flag("--rotate-auto")->group(placement);
    rotate_auto->description("The same as --rotate auto");
    command->add_flag("-y,--yes", global.yes, kYesHelp);
    command->footer(kPlotFooter);
    return {command, [&global, o, scale, scale_opt, offset, offset_opt, rotate, rotate_auto, pe,
                      pe_opt, coordinates, coordinates_opt, copies, copies_opt] {
                if (scale_opt->count() > 0) o->scale = *scale;
                if (offset_opt->count() > 0) {
                    const size_t comma = offset->find(',');
                    o->offset_mm = {*parse_number(offset->substr(0, comma)),
                                    *parse_number(offset->substr(comma + 1))};
                }
                if (rotate_auto->count() > 0) {
                    o->rotate = PlacementRequest::Rotate::kAuto;
                } else if (*rotate) {
                    o->rotate = PlacementRequest::Rotate::kYes;
                }
                if (copies_opt->count() > 0) o->answers.copies = *copies;
                if (pe_opt->count() > 0) {
                    o->answers.pe = *pe != "off";
                    o->answers.pe_8bit = *pe == "8bit";
                }
                if (coordinates_opt->count() > 0) o->answers.absolute = *coordinates == "absolute";
                return run_plot(global, *o);
            }};
}

}  // namespace tvk::host
