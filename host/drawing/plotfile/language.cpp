#include "host/drawing/plotfile/language.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "host/drawing/plotfile/instructions.h"

namespace tvk::host::plotfile {
namespace {

// What is read to decide: past this a file has said what it is.
constexpr std::size_t kEvidenceBytes = std::size_t{16} << 20;
// Shares closer than this are "about as well".
constexpr double kClose = 0.05;

bool is_filler(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ';' || c == ',';
}

std::size_t solid_bytes(std::string_view s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return !is_filler(c); }));
}

bool takes_pairs(const std::string& name) {
    return name == "PA" || name == "PR" || name == "PU" || name == "PD";
}

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

const char* plot_language_name(PlotLanguage language) {
    switch (language) {
        case PlotLanguage::kHpgl:
            return "HP-GL";
        case PlotLanguage::kHpgl2:
            return "HP-GL/2";
        case PlotLanguage::kVtxGl:
            return "VTX-GL";
    }
    return "HP-GL";
}

std::optional<PlotLanguage> plot_language_from_name(std::string_view name) {
    const std::string n = upper(name);
    if (n == "HP-GL" || n == "HPGL" || n == "TK-GL1" || n == "TK-GL2") return PlotLanguage::kHpgl;
    if (n == "HP-GL/2" || n == "HPGL2" || n == "HPGL/2" || n == "TK-GL3")
        return PlotLanguage::kHpgl2;
    if (n == "VTX-GL") return PlotLanguage::kVtxGl;
    return std::nullopt;
}

double hpgl_share(std::string_view bytes, std::string* hpgl2_evidence) {
    bytes = bytes.substr(0, std::min(bytes.size(), kEvidenceBytes));
    const std::size_t total = solid_bytes(bytes);
    if (total == 0) return 0;
    InstructionReader reader(bytes);
    Instruction in;
    std::size_t explained = 0;
    std::string evidence;
    int named = 0;
    while (reader.next(in)) {
        const std::string_view part = bytes.substr(in.offset, in.end - in.offset);
        bool ok = false;
        if (in.name == "ESC" || in.name == "PCL") {
            ok = true;
            // A PCL wrapper is HP-GL/2's.
            if (in.name == "PCL" || part.substr(0, 2) == "\x1b%") {
                if (evidence.find("PCL") == std::string::npos && named < 3) {
                    evidence += evidence.empty() ? "PCL" : ", PCL";
                    ++named;
                }
            }
        } else if (in.name.size() == 2 && known_instruction(in.name)) {
            ok = !in.bad_parameters && !(takes_pairs(in.name) && in.numbers.size() % 2 != 0);
            if (ok && hpgl2_instruction(in.name) && named < 3 &&
                evidence.find(in.name) == std::string::npos) {
                evidence += (evidence.empty() ? "" : ", ") + in.name;
                ++named;
            }
        }
        if (ok) explained += solid_bytes(part);
    }
    if (hpgl2_evidence) *hpgl2_evidence = evidence;
    return static_cast<double>(std::min(explained, total)) / static_cast<double>(total);
}

double vtx_gl_share(std::string_view bytes) {
    bytes = bytes.substr(0, std::min(bytes.size(), kEvidenceBytes));
    const std::size_t total = solid_bytes(bytes);
    if (total == 0) return 0;
    std::size_t explained = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c == 27) {
            // Device control, as in HP-GL: ESC "." a letter, parameters to ":".
            Instruction in;
            InstructionReader reader(bytes.substr(i));
            reader.next(in);
            explained += solid_bytes(bytes.substr(i, in.end));
            i += std::max<std::size_t>(in.end, 1);
            continue;
        }
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::size_t j = i + 1;
        int numbers = 0;
        bool in_number = false;
        while (j < bytes.size() &&
               (std::isdigit(static_cast<unsigned char>(bytes[j])) || bytes[j] == '-' ||
                bytes[j] == '+' || bytes[j] == '.' || is_filler(bytes[j]))) {
            const bool digit = std::isdigit(static_cast<unsigned char>(bytes[j])) != 0;
            if (digit && !in_number) ++numbers;
            in_number = digit || (in_number && bytes[j] == '.');
            ++j;
        }
        bool ok = false;
        switch (letter) {
            case 'R':
            case 'I':
            case 'M':
            case 'D':
                ok = numbers % 2 == 0 && numbers > 0;
                break;
            case 'J':
            case 'L':
            case 'B':
                ok = numbers <= 1;
                break;
            case 'H':
                ok = numbers == 0;
                break;
            default:
                break;
        }
        if (ok) explained += solid_bytes(bytes.substr(i, j - i));
        i = j;
    }
    return static_cast<double>(std::min(explained, total)) / static_cast<double>(total);
}

LanguageChoice choose_language(std::string_view bytes) {
    LanguageChoice choice;
    std::string evidence;
    const double hpgl = hpgl_share(bytes, &evidence);
    const double vtx = vtx_gl_share(bytes);
    const PlotLanguage hp = evidence.empty() ? PlotLanguage::kHpgl : PlotLanguage::kHpgl2;
    if (vtx > hpgl) {
        choice.language = PlotLanguage::kVtxGl;
        choice.share = vtx;
        if (vtx - hpgl < kClose && hpgl > 0.5) choice.close = hp;
    } else {
        choice.language = hp;
        choice.share = hpgl;
        choice.evidence = evidence;
        if (hpgl - vtx < kClose && vtx > 0.5) choice.close = PlotLanguage::kVtxGl;
    }
    return choice;
}

std::string language_note(const LanguageChoice& choice) {
    std::string note = std::string("Read as ") + plot_language_name(choice.language);
    if (!choice.evidence.empty()) note += " (it has " + choice.evidence + ")";
    if (choice.close) {
        const char* other = plot_language_name(*choice.close);
        note += std::string("; ") + other + " reads it about as well: --language " + other +
                " reads it so";
    }
    return note + ".";
}

}  // namespace tvk::host::plotfile
