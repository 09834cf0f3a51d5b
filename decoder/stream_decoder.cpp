// Decoder of the plotter streams this driver writes (placeholder until the
// parser lands: decodes nothing).
#include "decoder/stream_decoder.h"

namespace tvk::decoder {

namespace {
constexpr const char* kNames[] = {"VTX-GL", "TK-GL1", "TK-GL2", "TK-GL3"};
}

std::optional<Language> language_from_name(std::string_view name) {
    for (int i = 0; i < 4; ++i)
        if (name == kNames[i]) return static_cast<Language>(i);
    return std::nullopt;
}

const char* language_name(Language language) {
    return kNames[static_cast<int>(language)];
}

Decoded decode(std::string_view bytes, Language) {
    Decoded decoded;
    if (!bytes.empty()) decoded.problems.push_back({0, "decoder not yet implemented"});
    return decoded;
}

std::vector<Segment> drawn_segments(const Decoded& decoded) {
    std::vector<Segment> out;
    for (const Segment& s : decoded.segments)
        if (s.pen_down) out.push_back(s);
    return out;
}

std::vector<Polyline> drawn_polylines(const Decoded&) {
    return {};
}

}  // namespace tvk::decoder
