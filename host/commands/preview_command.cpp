// tvkplot preview: a plotter stream rendered as SVG.
#include <cstdio>
#include <filesystem>
#include <memory>

#include "host/commands/commands.h"
#include "host/commands/distinct_files.h"
#include "host/drawing/model/drawing.h"
#include "host/drawing/plotfile/language.h"
#include "host/host_error.h"
#include "host/ports/files.h"
#include "host/preview/svg_preview.h"

namespace tvk::host {
namespace {

constexpr double kMmPerInch = 25.4;

struct PreviewOptions {
    std::string stream;
    std::string output;
    std::string language;          // empty: guessed from the stream
    double units_per_inch = 1016;  // plotter units per inch
    bool travel = false;
};

// Chosen on evidence as plot files are: HP-GL and HP-GL/2 streams are read as
// TK-GL3, whose commands include those of the other dialects.
decoder::Language guess_language(const std::string& stream, std::string& note) {
    const plotfile::LanguageChoice choice = plotfile::choose_language(stream);
    // Nothing of it in any language: refused as no stream of the simplest.
    if (!(choice.share > 0)) return decoder::Language::kVtxGl;
    note = plotfile::language_note(choice);
    return choice.language == plotfile::PlotLanguage::kVtxGl ? decoder::Language::kVtxGl
                                                             : decoder::Language::kTkGl3;
}

int run_preview(const PreviewOptions& o) {
    check_distinct_files({{o.stream, "the plotter stream"}}, {{o.output, "the preview (-o)"}});
    check_can_write(o.output, "the preview");
    // The stream is held whole and decoded once for each part of the picture:
    // past this the preview would take too long and too much memory.
    constexpr std::uintmax_t kMaxStreamSize = std::uintmax_t{512} << 20;
    std::error_code ec;
    if (std::filesystem::is_regular_file(o.stream, ec) &&
        std::filesystem::file_size(o.stream, ec) > kMaxStreamSize) {
        throw HostError(o.stream + " is larger than 512 MiB, the most tvkplot previews");
    }
    const std::string stream = read_whole_file(o.stream, "the plotter stream");
    if (stream.empty()) throw HostError(o.stream + " is empty");
    // A drawing given where a stream belongs: told by its content alone.
    const std::string head = stream.substr(0, 4096);
    if (head.rfind("\x1F\x8B", 0) != 0 && drawing_kind(head, "") != DrawingKind::kPlot) {
        const bool svg = drawing_kind(head, "") == DrawingKind::kSvg;
        throw HostError(o.stream + " is " + (svg ? "an SVG" : "a DXF") +
                        " drawing, not a plotter stream: `tvkplot plot " + o.stream +
                        " --dry-run --preview OUT.svg` previews drawings");
    }

    // The command line has checked the name.
    std::string note;
    const decoder::Language language = o.language.empty()
                                           ? guess_language(stream, note)
                                           : *decoder::language_from_name(o.language);
    if (!note.empty()) std::fprintf(stderr, "tvkplot: %s: %s\n", o.stream.c_str(), note.c_str());
    const StreamSurvey survey = survey_stream(stream, language);
    const char* hint =
        o.language.empty() ? " (read as the language it looks like; --language names another)" : "";
    if (const std::string refusal = preview_refusal(survey, o.stream); !refusal.empty()) {
        throw HostError(refusal + hint);
    }
    if (const std::string warning = preview_warning(survey, o.stream); !warning.empty()) {
        std::fprintf(stderr, "tvkplot: %s%s\n", warning.c_str(), hint);
    }
    SvgOptions options;
    options.units_per_mm = o.units_per_inch / kMmPerInch;
    options.travel = o.travel;
    save_svg(o.output, stream, survey, options);
    return 0;
}

}  // namespace

Command add_preview_command(CLI::App& app) {
    auto o = std::make_shared<PreviewOptions>();
    CLI::App* command = app.add_subcommand("preview", "Draw a plotter stream as an SVG picture");
    command->add_option("stream", o->stream, "The plotter stream")->required()->type_name("STREAM");
    command->add_option("-o,--output", o->output, "The SVG file to write")
        ->required()
        ->type_name("OUT.svg");
    command
        ->add_option("--language", o->language,
                     "VTX-GL, TK-GL1, TK-GL2 or TK-GL3 (default: as the stream looks)")
        ->type_name("L")
        ->transform(CLI::IsMember({"VTX-GL", "TK-GL1", "TK-GL2", "TK-GL3"}, CLI::ignore_case));
    command
        ->add_option("--units-per-inch", o->units_per_inch,
                     "Plotter units per inch (default: 1016)")
        ->type_name("N")
        ->check(above_zero("plotter units per inch"));
    command->add_flag("--travel", o->travel, "Show the pen-up travel");
    return {command, [o] { return run_preview(*o); }};
}

}  // namespace tvk::host
