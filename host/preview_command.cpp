// tvkplot preview: a plotter stream rendered as SVG.
#include <fstream>
#include <iterator>

#include "host/commands.h"
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
    std::ifstream file(o.stream, std::ios::binary);
    if (!file) throw HostError("cannot read the plotter stream " + o.stream);
    const std::string stream((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());

    decoder::Language language = guess_language(stream);
    if (!o.language.empty()) {
        const auto named = decoder::language_from_name(o.language);
        if (!named) throw HostError("unknown plotter language " + o.language);
        language = *named;
    }
    const decoder::Decoded decoded = decoder::decode(stream, language);
    if (!decoded.problems.empty()) {
        std::fprintf(stderr,
                     "tvkplot: %zu part%s of %s not understood as %s, the first at byte %zu: %s\n",
                     decoded.problems.size(), decoded.problems.size() == 1 ? "" : "s",
                     o.stream.c_str(), decoder::language_name(language),
                     decoded.problems.front().offset, decoded.problems.front().what.c_str());
    }
    PreviewOptions options;
    options.units_per_mm = o.units_per_inch / kMmPerInch;
    options.travel = o.travel;
    save_svg(o.output, decoded, options);
    return 0;
}

}  // namespace tvk::host
