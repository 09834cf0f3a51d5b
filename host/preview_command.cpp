// tvkplot preview: a plotter stream rendered as SVG.
#include <cstdio>

#include "host/commands.h"
#include "host/files.h"
#include "host/host_error.h"
#include "host/svg_preview.h"

namespace tvk::host {
namespace {

constexpr double kMmPerInch = 25.4;

// HP-GL streams are read as TK-GL3, whose commands include those of the
// other dialects; a stream without HP-GL pen commands is VTX-GL.
decoder::Language guess_language(const std::string& stream) {
    for (const char* command : {"PU", "PD", "PE", "SP", "PA", "PR", "IN"}) {
        if (stream.find(command) != std::string::npos) return decoder::Language::kTkGl3;
    }
    return decoder::Language::kVtxGl;
}

}  // namespace

int run_preview(const PreviewOptionsCli& o) {
    check_can_write(o.output, "the preview");
    const std::string stream = read_whole_file(o.stream, "the plotter stream");

    // The command line has checked the name.
    const decoder::Language language =
        o.language.empty() ? guess_language(stream) : *decoder::language_from_name(o.language);
    const decoder::Decoded decoded = decoder::decode(stream, language);
    if (const std::string warning = preview_warning(decoded, o.stream, language);
        !warning.empty()) {
        std::fprintf(stderr, "tvkplot: %s%s\n", warning.c_str(),
                     o.language.empty()
                         ? " (read as the language it looks like; --language names another)"
                         : "");
    }
    PreviewOptions options;
    options.units_per_mm = o.units_per_inch / kMmPerInch;
    options.travel = o.travel;
    save_svg(o.output, decoded, options);
    return 0;
}

}  // namespace tvk::host
