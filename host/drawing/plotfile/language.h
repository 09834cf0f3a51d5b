// Which language a plot file is written in, decided on evidence: how much of
// the file each language explains (instructions it knows, with parameters of
// the right shape), never the first command that matches.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tvk::host::plotfile {

enum class PlotLanguage { kHpgl, kHpgl2, kVtxGl };

// "HP-GL", "HP-GL/2", "VTX-GL".
const char* plot_language_name(PlotLanguage language);
// Those names in any case, and the driver's dialects: TK-GL1 and TK-GL2 are
// HP-GL, TK-GL3 is HP-GL/2. Nothing for any other name.
std::optional<PlotLanguage> plot_language_from_name(std::string_view name);

struct LanguageChoice {
    PlotLanguage language = PlotLanguage::kHpgl;
    double share = 0;  // of the file's bytes (blanks and separators aside) explained
    // Another language explains the file about as well: the user should know.
    std::optional<PlotLanguage> close;
    std::string evidence;  // e.g. "BP, PW": what made HP-GL into HP-GL/2
};

LanguageChoice choose_language(std::string_view bytes);

// What the user is told: "Read as HP-GL/2 (it has PW, NP)." and, where
// another language reads the file about as well, how to choose it.
std::string language_note(const LanguageChoice& choice);

// The share of the bytes each language explains, for the chooser and tests.
double hpgl_share(std::string_view bytes, std::string* hpgl2_evidence = nullptr);
double vtx_gl_share(std::string_view bytes);

}  // namespace tvk::host::plotfile
