// The plotter-stream decoder in each language (the first byte chooses it),
// and the SVG preview drawn from what it decoded.
#include "decoder/stream_decoder.h"

#include "fuzz/fuzz_input.h"
#include "host/preview/svg_preview.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto language = static_cast<tvk::decoder::Language>(data[0] % 4);
    const tvk::decoder::Decoded decoded =
        tvk::decoder::decode({reinterpret_cast<const char*>(data) + 1, size - 1}, language);
    (void)tvk::decoder::drawn_polylines(decoded);
    (void)tvk::host::preview_warning(decoded, "the stream", language);
    (void)tvk::host::render_svg(decoded, tvk::host::SvgOptions{});
    return 0;
}
