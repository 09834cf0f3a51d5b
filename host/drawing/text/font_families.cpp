#include "host/drawing/text/font_families.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "host/drawing/model/upper_case.h"

namespace tvk::host {

namespace {

const std::string kFontDirectory = "/usr/share/hershey-fonts/";

// ---- the scripts -------------------------------------------------------------------------
// Records are numbered from 0, the space; record r holds the character
// r + 32 in the ASCII-ordered fonts.
constexpr size_t kFirstLetter = 'A' - ' ';

// greeks.jhf and greekc.jhf: the capitals in alphabetical order from 'A', the
// small letters from 'a' (no final sigma: it takes the sigma's glyph).
char32_t greek(size_t record) {
    for (char32_t base : {U'\u0391', U'\u03B1'}) {
        const size_t first = kFirstLetter + (base == U'\u03B1' ? 32 : 0);
        if (record < first || record >= first + 24) continue;
        const size_t k = record - first;
        return base + static_cast<char32_t>(k < 17 ? k : k + 1);  // past the gap at U+03A2
    }
    return 0;
}
char32_t final_sigma(size_t record) {
    return record == kFirstLetter + 32 + 17 ? U'\u03C2' : 0;
}

// cyrilc_1.jhf: А to Щ from 'A', а to щ from 'a'.
char32_t cyrillic_alphabetical(size_t record) {
    if (record >= kFirstLetter && record < kFirstLetter + 26)
        return U'\u0410' + static_cast<char32_t>(record - kFirstLetter);
    if (record >= kFirstLetter + 32 && record < kFirstLetter + 32 + 26)
        return U'\u0430' + static_cast<char32_t>(record - kFirstLetter - 32);
    return 0;
}

// cyrillic.jhf, ordered by transliteration: the six letters cyrilc_1.jhf lacks.
char32_t cyrillic_rest(size_t record) {
    switch (static_cast<char>(record + ' ')) {
        case ']':
            return U'\u042A';  // Ъ
        case '$':
            return U'\u042B';  // Ы
        case '_':
            return U'\u042C';  // Ь
        case 'C':
            return U'\u042D';  // Э
        case 'U':
            return U'\u042E';  // Ю
        case '^':
            return U'\u042F';  // Я
        case '|':
            return U'\u044A';
        case '&':
            return U'\u044B';
        case '~':
            return U'\u044C';
        case 'c':
            return U'\u044D';
        case 'u':
            return U'\u044E';
        case '}':
            return U'\u044F';
        default:
            return 0;
    }
}

// japanese.jhf: a few kanji (the numerals among them), then the hiragana in
// the order of the syllabary with the obsolete yi, ye and wu and a few
// empty records, the voiced ones, then the katakana the same way.
constexpr std::array<char32_t, 33> kKanji = {
    0,     0,     U'一', U'日', U'円', U'年', U'大', U'国', U'人', U'東', U'中',
    U'本', U'京', U'出', U'時', U'上', U'者', U'十', U'一', U'二', U'三', U'四',
    U'五', U'六', U'七', U'八', U'九', 0,     0,     0,     0,     0,     0};
constexpr std::array<char32_t, 80> kHiragana = {
    U'あ', U'い', U'う', U'え', U'お', U'か', U'き', U'く', U'け', U'こ', U'さ', U'し',
    U'す', U'せ', U'そ', U'た', U'ち', U'つ', U'て', U'と', U'な', U'に', U'ぬ', U'ね',
    U'の', U'は', U'ひ', U'ふ', U'へ', U'ほ', U'ま', U'み', U'む', U'め', U'も', U'や',
    0,     U'ゆ', 0,     U'よ', U'ら', U'り', U'る', U'れ', U'ろ', U'わ', U'ゐ', 0,
    U'ゑ', U'を', U'ん', 0,     0,     0,     0,     U'が', U'ぎ', U'ぐ', U'げ', U'ご',
    U'ざ', U'じ', U'ず', U'ぜ', U'ぞ', U'だ', U'ぢ', U'づ', U'で', U'ど', U'ば', U'び',
    U'ぶ', U'べ', U'ぼ', U'ぱ', U'ぴ', U'ぷ', U'ぺ', U'ぽ'};
char32_t japanese(size_t record) {
    if (record < kKanji.size()) return kKanji[record];
    record -= kKanji.size();
    if (record < kHiragana.size()) return kHiragana[record];
    record -= kHiragana.size();
    // Each katakana stands 0x60 after its hiragana.
    if (record < kHiragana.size() && kHiragana[record] != 0) return kHiragana[record] + 0x60;
    return 0;
}

// ---- the families --------------------------------------------------------------------------
struct Family {
    const char* name;
    const char* file;  // in kFontDirectory; nullptr for the standard font
    bool serif;
};

constexpr Family kFamilies[] = {
    {"simplex", nullptr, false},
    {"duplex", "rowmand.jhf", false},
    {"triplex", "rowmant.jhf", true},
    {"complex", "timesr.jhf", true},
    {"italic", "timesi.jhf", true},
    {"italic triplex", "timesib.jhf", true},
    {"script", "scripts.jhf", false},
    {"script complex", "scriptc.jhf", false},
    {"gothic", "gothiceng.jhf", true},
    {"gothic german", "gothicger.jhf", true},
    {"gothic italian", "gothicita.jhf", true},
    {"greek", "greeks.jhf", false},
    {"greek complex", "greekc.jhf", true},
    {"cyrillic", "cyrilc_1.jhf", true},
    {"cyrillic transliterated", "cyrillic.jhf", true},
};

// The usual names of CAD programs' stroke fonts (without ".shx"), by family.
const std::map<std::string, std::string> kShxNames = {
    {"TXT", "simplex"},
    {"SIMPLEX", "simplex"},
    {"ROMANS", "simplex"},
    {"MONOTXT", "simplex"},
    {"ISOCP", "simplex"},
    {"ISOCP2", "simplex"},
    {"ISOCP3", "simplex"},
    {"ISOCT", "simplex"},
    {"ISOCT2", "simplex"},
    {"ISOCT3", "simplex"},
    {"ISOCPEUR", "simplex"},
    {"ISOCTEUR", "simplex"},
    {"ROMAND", "duplex"},
    {"DUPLEX", "duplex"},
    {"ROMANT", "triplex"},
    {"ROMANC", "complex"},
    {"COMPLEX", "complex"},
    {"ITALICC", "italic"},
    {"ITALIC", "italic"},
    {"ITALICT", "italic triplex"},
    {"SCRIPTS", "script"},
    {"SCRIPTC", "script complex"},
    {"GOTHICE", "gothic"},
    {"GOTHICG", "gothic german"},
    {"GOTHICI", "gothic italian"},
    {"GREEKS", "greek"},
    {"GREEKC", "greek complex"},
    {"CYRILLIC", "cyrillic"},
    {"CYRILTLC", "cyrillic transliterated"},
};

// TrueType families by a word of their names, the first that matches: the
// nearest stroke family in look.
constexpr std::pair<const char*, const char*> kTrueTypeWords[] = {
    {"SYMBOL", "greek"},       {"GOTHIC", "gothic"},      {"FRAKTUR", "gothic german"},
    {"OLD ENGLISH", "gothic"}, {"BLACKLETTER", "gothic"}, {"SCRIPT", "script"},
    {"BRUSH", "script"},       {"HAND", "script"},        {"COMIC", "script"},
    {"ITALIC", "italic"},      {"BOLD", "duplex"},        {"TIMES", "complex"},
    {"SERIF", "complex"},      {"GEORGIA", "complex"},    {"CAMBRIA", "complex"},
    {"GARAMOND", "complex"},   {"BOOK", "complex"},       {"PALATINO", "complex"},
    {"CENTURY", "complex"},    {"ROMAN", "complex"},
};

}  // namespace

std::string font_family(const std::string& font_file) {
    std::string name = upper(font_file);
    // The file name without its folder and extension.
    if (size_t slash = name.find_last_of("/\\"); slash != std::string::npos)
        name.erase(0, slash + 1);
    const bool truetype =
        name.ends_with(".TTF") || name.ends_with(".TTC") || name.ends_with(".OTF");
    if (size_t dot = name.rfind('.'); dot != std::string::npos) name.erase(dot);
    if (!truetype) {
        if (auto it = kShxNames.find(name); it != kShxNames.end()) return it->second;
    }
    // "SANS SERIF" and "MS SANS SERIF" are sans serif.
    if (name.find("SANS") != std::string::npos) return "simplex";
    for (const auto& [word, family] : kTrueTypeWords) {
        if (name.find(word) != std::string::npos) return family;
    }
    // TrueType abbreviations: timesbd.ttf, timesi.ttf, ariali.ttf.
    if (truetype && name.starts_with("TIMES")) return "complex";
    if (truetype && name.size() > 1 && (name.ends_with("I") || name.ends_with("Z")) &&
        name.find("ARIAL") != std::string::npos)
        return "italic";
    return "simplex";
}

void add_scripts(StrokeFont& font, bool serif) {
    const std::pair<const char*, char32_t (*)(size_t)> sets[] = {
        {serif ? "greekc.jhf" : "greeks.jhf", greek},
        {serif ? "greekc.jhf" : "greeks.jhf", final_sigma},
        {"cyrilc_1.jhf", cyrillic_alphabetical},
        {"cyrillic.jhf", cyrillic_rest},
        {"japanese.jhf", japanese},
    };
    for (const auto& [file, characters] : sets) {
        try {
            font.add_jhf(kFontDirectory + file, characters);
        } catch (const std::runtime_error&) {
            // Not installed: those characters are reported where they are drawn.
        }
    }
}

const StrokeFont& family_font(const std::string& family) {
    static std::map<std::string, std::unique_ptr<StrokeFont>> owned;
    static std::map<std::string, const StrokeFont*> loaded;
    static std::mutex mutex;
    const std::lock_guard<std::mutex> lock(mutex);
    if (auto it = loaded.find(family); it != loaded.end()) return *it->second;
    const Family* f = std::find_if(std::begin(kFamilies), std::end(kFamilies),
                                   [&](const Family& k) { return family == k.name; });
    std::unique_ptr<StrokeFont> font;
    if (f != std::end(kFamilies) && f->file) {
        try {
            font = std::make_unique<StrokeFont>(StrokeFont::load_jhf(kFontDirectory + f->file));
            add_scripts(*font, f->serif);
        } catch (const std::runtime_error&) {
            // Not installed: the standard font draws it.
        }
    }
    const StrokeFont* chosen = font ? font.get() : &StrokeFont::standard();
    if (font) owned.emplace(family, std::move(font));
    loaded.emplace(family, chosen);
    return *chosen;
}

}  // namespace tvk::host
