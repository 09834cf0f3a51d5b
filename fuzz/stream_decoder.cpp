// The plotter-stream decoder in each language (the first byte chooses it),
// and the SVG preview drawn from what it decoded.
#include "decoder/stream_decoder.h"

#include <sstream>

#include "fuzz/fuzz_input.h"
#include "host/preview/svg_preview.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto language = static_cast<tvk::decoder::Language>(data[0] % 4);
    const std::string_view stream{reinterpret_cast<const char*>(data) + 1, size - 1};
    const tvk::decoder::Decoded decoded = tvk::decoder::decode(stream, language);
    (void)tvk::decoder::drawn_polylines(decoded);
    const tvk::host::StreamSurvey survey = tvk::host::survey_stream(stream, language);
    (void)tvk::host::preview_warning(survey, "the stream");
    std::ostringstream svg;
    tvk::host::write_svg(svg, stream, survey, tvk::host::SvgOptions{});
    // The picture written as the stream is decoded is the one of the stream decoded whole.
    if (svg.str() != tvk::host::render_svg(decoded, tvk::host::SvgOptions{})) __builtin_trap();
    return 0;
}
