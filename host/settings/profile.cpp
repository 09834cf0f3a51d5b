#include "host/settings/profile.h"

#include <toml++/toml.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/host_error.h"
#include "host/ports/files.h"
#include "host/settings/timing_table.h"

namespace tvk::host {
namespace {

namespace fs = std::filesystem;

constexpr int kFormat = 2;
constexpr double kMmPerInch = 25.4;
constexpr double kMaxWidthMm = 50;  // the widest pen the driver sends
constexpr double kSameWidthIn = 1e-6;
constexpr int kBaudRates[] = {19200, 9600, 4800, 2400, 1200, 600, 300, 150};
constexpr const char* kLanguages[] = {"VTX-GL", "TK-GL1", "TK-GL2", "TK-GL3"};
constexpr int kMaxLineTypes[] = {5, 6, 6, 8};
constexpr uint16_t kPlotterFills = 0x0100;
constexpr const char* kParities[] = {"none", "odd", "even"};

std::string quoted(const std::string& s) {
    std::ostringstream out;
    out << toml::value<std::string>(s);
    return out.str();
}

std::string number(double v) {
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, v);
    std::string s(buf, result.ptr);
    // TOML floats need a decimal point or an exponent.
    if (s.find_first_of(".en") == std::string::npos) s += ".0";
    return s;
}

// Millimetres as a person writes them: 0.35, not 0.35000000000000003.
std::string millimetres(double inches) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", inches * kMmPerInch);
    return number(std::strtod(buf, nullptr));
}

std::string hex(const StoredBlock& block) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (uint8_t b : block) {
        s.push_back(digits[b >> 4]);
        s.push_back(digits[b & 15]);
    }
    return s;
}

std::string rgb_text(uint32_t rgb) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%06X", rgb & 0xFFFFFF);
    return buf;
}

// A value as the user wrote it, near enough: numbers without float noise,
// strings in double quotes. Arrays and tables are written here too: toml++
// 3.3.0's own writer reaches undefined behaviour on a number between 0 and
// 1 in them (it takes the logarithm as a length).
std::string shown(const toml::node& node) {
    if (const auto s = node.value_exact<std::string>()) return "\"" + *s + "\"";
    if (const auto d = node.value_exact<double>()) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.10g", *d);
        return buf;
    }
    if (const auto i = node.value_exact<int64_t>()) return std::to_string(*i);
    if (const auto b = node.value_exact<bool>()) return *b ? "true" : "false";
    std::string out;
    if (const toml::array* a = node.as_array()) {
        for (const toml::node& item : *a) out += (out.empty() ? "" : ", ") + shown(item);
        return "[" + out + "]";
    }
    if (const toml::table* t = node.as_table()) {
        for (const auto& [key, item] : *t)
            out += (out.empty() ? "" : ", ") + std::string(key.str()) + " = " + shown(item);
        return "{ " + out + " }";
    }
    std::ostringstream text;  // dates and times
    node.visit([&text](const auto& v) { text << v; });
    return text.str();
}

std::optional<int> whole_number(const std::string& s) {
    int v = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

bool same_width(double a, double b) {
    return std::fabs(a - b) <= kSameWidthIn;
}

// Reads the fields of a parsed profile. Every missing or bad value is
// reported with the file, the key, the value and what is allowed; a key that
// is not part of a profile is refused, never passed over.
class Reader {
  public:
    Reader(const toml::table& root, const std::string& path) : root_(root), path_(path) {}

    [[noreturn]] void fail(const std::string& key, const std::string& why) const {
        throw HostError("profile " + path_ + ": " + key + " " + why);
    }
    // "KEY = VALUE: what is allowed".
    [[noreturn]] void refuse(const std::string& key, const toml::node& value,
                             const std::string& allowed) const {
        const auto line = value.source().begin.line;
        throw HostError("profile " + path_ + (line > 0 ? ":" + std::to_string(line) : "") + ": " +
                        key + " = " + shown(value) + ": " + allowed);
    }

    const toml::node& node(const std::string& key) const {
        const toml::node_view<const toml::node> view = root_.at_path(key);
        if (!view) fail(key, "is missing");
        return *view.node();
    }
    bool has(const std::string& key) const { return static_cast<bool>(root_.at_path(key)); }

    std::string text(const std::string& key) const {
        const auto v = node(key).value<std::string>();
        if (!v) refuse(key, node(key), "must be a string in double quotes");
        return *v;
    }

    int integer(const std::string& key, int low, int high, const std::string& allowed = {}) const {
        return integer_of(key, node(key), low, high, allowed);
    }
    int integer_of(const std::string& key, const toml::node& n, int low, int high,
                   const std::string& allowed = {}) const {
        const auto v = n.value_exact<int64_t>();
        if (!v || *v < low || *v > high) {
            refuse(key, n,
                   allowed.empty() ? "must be a whole number from " + std::to_string(low) + " to " +
                                         std::to_string(high)
                                   : allowed);
        }
        return static_cast<int>(*v);
    }

    double real(const std::string& key, double low, double high, const std::string& allowed) const {
        return real_of(key, node(key), low, high, allowed);
    }
    double real_of(const std::string& key, const toml::node& n, double low, double high,
                   const std::string& allowed) const {
        const auto v = n.value<double>();  // integers are accepted too
        if (!v || !(*v > low) || *v > high) refuse(key, n, allowed);
        return *v;
    }

    int word(const std::string& key, std::initializer_list<const char*> words) const {
        const std::string w = text(key);
        int index = 0;
        std::string allowed;
        for (const char* candidate : words) {
            if (w == candidate) return index;
            allowed += std::string(index == 0 ? "must be " : ", ") + "\"" + candidate + "\"";
            ++index;
        }
        refuse(key, node(key), allowed);
    }

    const toml::table& section(const std::string& key) const {
        const toml::table* t = node(key).as_table();
        if (t == nullptr) fail(key, "must be a section [" + key + "]");
        return *t;
    }

    // Every key of the table is one of `known`.
    void only(const toml::table& table, const std::string& where,
              std::initializer_list<const char*> known) const {
        for (auto&& [key, value] : table) {
            const std::string k(key.str());
            if (std::find(known.begin(), known.end(), k) != known.end()) continue;
            std::string list;
            for (const char* name : known) list += std::string(list.empty() ? "" : ", ") + name;
            const std::string full = where.empty() ? k : where + "." + k;
            fail(full,
                 "is not a key of a profile" +
                     (where.empty() ? std::string() : " here (" + where + " has " + list + ")"));
        }
    }

    StoredBlock block(const std::string& key) const {
        const std::string s = text(key);
        StoredBlock b{};
        if (s.size() != 2 * b.size()) refuse(key, node(key), "must be 48 hexadecimal digits");
        for (size_t i = 0; i < b.size(); ++i) {
            unsigned v = 0;
            const auto r = std::from_chars(s.data() + 2 * i, s.data() + 2 * i + 2, v, 16);
            if (r.ec != std::errc() || r.ptr != s.data() + 2 * i + 2) {
                refuse(key, node(key), "must be 48 hexadecimal digits");
            }
            b[i] = static_cast<uint8_t>(v);
        }
        return b;
    }

  private:
    const toml::table& root_;
    const std::string& path_;
};

// What a profile's model allows, as the messages say it.
std::string pens_allowed(const Profile& p) {
    if (p.pens_by_hand()) {
        return p.model + " has one pen (plotter.pens), changed by hand: pens 1 to " +
               std::to_string(p.pens_to_choose());
    }
    return p.model + " has pens 1 to " + std::to_string(p.pens) + " (plotter.pens)";
}
std::string line_types_allowed(const Profile& p) {
    return p.model + " in " + kLanguages[p.language_index()] + " has line types 0 to " +
           std::to_string(p.max_line_type) + " (0: continuous)";
}
const std::string kSpeedAllowed = "must be a pen speed from 0 to 255 cm/s (0: none sent)";
const std::string kWidthAllowed = "must be a pen width above 0 and at most 50 mm";

void read_plotter(const Reader& r, Profile& p, int format) {
    r.only(r.section("plotter"), "plotter",
           {"pen_options", "pens", "pen_speed", "pen_width_mm", "max_line_type", "optimize"});
    p.pen_options = static_cast<uint16_t>(r.integer("plotter.pen_options", 0, 0xFFFF));
    p.pens = r.integer("plotter.pens", 1, 0x7FFF);
    p.pen_speed = r.integer("plotter.pen_speed", 0, 255, kSpeedAllowed);
    if (format >= 2) {
        p.pen_width = r.real("plotter.pen_width_mm", 0, kMaxWidthMm, kWidthAllowed) / kMmPerInch;
    }
    const int language = p.language_index();
    const int line_types = kMaxLineTypes[language];
    p.max_line_type = r.integer("plotter.max_line_type", line_types, line_types,
                                std::string("must be ") + std::to_string(line_types) +
                                    ", the highest line type of " + kLanguages[language] +
                                    " (the language of stored_configuration)");
    p.optimize = r.integer("plotter.optimize", 0, 6);
    if ((p.pen_options & kPlotterFills) && language < 2) {
        r.refuse("plotter.pen_options", r.node("plotter.pen_options"),
                 std::string("bit 0x100 (the plotter fills polygons) needs TK-GL2 or TK-GL3; this "
                             "profile's language is ") +
                     kLanguages[language]);
    }
}

void read_paper_and_port(const Reader& r, Profile& p) {
    r.only(r.section("paper"), "paper", {"width_in", "height_in", "units_per_inch"});
    const std::string area = "must be a length above 0 inches";
    p.area_x = r.real("paper.width_in", 0, 1e5, area);
    p.area_y = r.real("paper.height_in", 0, 1e5, area);
    p.resolution = r.real("paper.units_per_inch", 0, 32767,
                          "must be a number of plotter units per inch above 0, at most 32767");

    r.only(r.section("port"), "port",
           {"kind", "baud", "parity", "data_bits", "stop_bits", "handshake", "status"});
    p.port_kind = r.word("port.kind", {"serial", "other"}) + 1;
    const toml::node& baud = r.node("port.baud");
    p.line.baud = r.integer_of("port.baud", baud, 0, 0xFFFF);
    if (std::find(std::begin(kBaudRates), std::end(kBaudRates), p.line.baud) ==
        std::end(kBaudRates)) {
        r.refuse("port.baud", baud,
                 "must be one of the driver's rates 19200, 9600, 4800, 2400, 1200, 600, 300, 150");
    }
    p.line.parity = r.word("port.parity", {"none", "odd", "even"});
    p.line.data_bits = r.integer("port.data_bits", 7, 8, "must be 7 or 8");
    p.line.stop_bits = r.integer("port.stop_bits", 1, 2, "must be 1 or 2");
    p.line.handshake = r.word("port.handshake", {"xon/xoff", "hardware"});
    if (r.has("port.status")) {
        const auto status = r.node("port.status").value<bool>();
        if (!status) r.refuse("port.status", r.node("port.status"), "must be true or false");
        p.status_queries = *status;
    }
}

// Format 1: four lists of 256 values, indexed by colour number.
void read_colour_lists(const Reader& r, Profile& p) {
    r.only(r.section("colours"), "colours", {"pen", "line_type", "speed", "width_in"});
    auto list = [&r](const std::string& key) -> const toml::array& {
        const toml::array* a = r.node(key).as_array();
        if (a == nullptr || a->size() != 256) r.fail(key, "must be a list of 256 numbers");
        return *a;
    };
    const toml::array& pens = list("colours.pen");
    const toml::array& types = list("colours.line_type");
    const toml::array& speeds = list("colours.speed");
    const toml::array& widths = list("colours.width_in");
    std::map<double, int> width_count;
    for (size_t k = 0; k < 256; ++k) {
        const std::string at = std::string("[").append(std::to_string(k)).append("]");
        p.pen_by_colour[k] =
            static_cast<uint8_t>(r.integer_of("colours.pen" + at, pens[k], 1, p.pens_to_choose(),
                                              "must be a pen: " + pens_allowed(p)));
        p.line_type_by_colour[k] = static_cast<uint8_t>(r.integer_of(
            "colours.line_type" + at, types[k], 0, p.max_line_type, line_types_allowed(p)));
        p.speed_by_colour[k] = static_cast<uint8_t>(
            r.integer_of("colours.speed" + at, speeds[k], 0, 255, kSpeedAllowed));
        p.width_by_colour[k] = r.real_of("colours.width_in" + at, widths[k], 0,
                                         kMaxWidthMm / kMmPerInch * (1 + 1e-12), kWidthAllowed);
        ++width_count[p.width_by_colour[k]];
    }
    // The model's width: the one most colours have.
    p.pen_width = std::max_element(width_count.begin(), width_count.end(), [](auto& a, auto& b) {
                      return a.second < b.second;
                  })->first;
}

// Format 2: [colours.N] for the colours that differ from the defaults.
void read_colour_entries(const Reader& r, Profile& p) {
    set_default_colour_tables(p);
    if (!r.has("colours")) return;
    for (auto&& [key, value] : r.section("colours")) {
        const std::string where = "colours." + std::string(key.str());
        const auto colour = whole_number(std::string(key.str()));
        if (!colour || *colour < 0 || *colour > 255) {
            r.fail(where, "is not a colour: [colours.N] takes a colour number N from 0 to 255");
        }
        const toml::table* entry = value.as_table();
        if (entry == nullptr) r.fail(where, "must be a section [" + where + "]");
        r.only(*entry, where, {"pen", "line_type", "speed", "width_mm"});
        const size_t k = static_cast<size_t>(*colour);
        if (const toml::node* n = entry->get("pen")) {
            p.pen_by_colour[k] = static_cast<uint8_t>(r.integer_of(
                where + ".pen", *n, 1, p.pens_to_choose(), "must be a pen: " + pens_allowed(p)));
        }
        if (const toml::node* n = entry->get("line_type")) {
            p.line_type_by_colour[k] = static_cast<uint8_t>(
                r.integer_of(where + ".line_type", *n, 0, p.max_line_type, line_types_allowed(p)));
        }
        if (const toml::node* n = entry->get("speed")) {
            p.speed_by_colour[k] =
                static_cast<uint8_t>(r.integer_of(where + ".speed", *n, 0, 255, kSpeedAllowed));
        }
        if (const toml::node* n = entry->get("width_mm")) {
            p.width_by_colour[k] =
                r.real_of(where + ".width_mm", *n, 0, kMaxWidthMm, kWidthAllowed) / kMmPerInch;
        }
    }
}

void read_pen_colours(const Reader& r, Profile& p) {
    if (!r.has("pens")) return;
    for (auto&& [key, value] : r.section("pens")) {
        const std::string where = "pens." + std::string(key.str());
        const auto pen = whole_number(std::string(key.str()));
        if (!pen || *pen < 1 || *pen > p.pens_to_choose()) {
            r.fail(where, "is not a pen: [pens.N] takes a pen number N, and " + pens_allowed(p));
        }
        const toml::table* entry = value.as_table();
        if (entry == nullptr) r.fail(where, "must be a section [" + where + "]");
        r.only(*entry, where, {"colour"});
        const std::string key_name = where + ".colour";
        const std::string text = r.text(key_name);
        uint32_t rgb = 0;
        const auto [ptr, ec] = std::from_chars(text.data() + 1, text.data() + text.size(), rgb, 16);
        if (text.size() != 7 || text[0] != '#' || ec != std::errc() ||
            ptr != text.data() + text.size()) {
            r.refuse(key_name, r.node(key_name),
                     "must be a colour \"#RRGGBB\" (such as \"#FF0000\")");
        }
        p.pen_colour[*pen] = rgb;
    }
}

void write_colour_entries(std::ostream& out, const Profile& p) {
    Profile defaults = p;
    set_default_colour_tables(defaults);
    bool first = true;
    for (size_t k = 0; k < 256; ++k) {
        std::string entry;
        if (p.pen_by_colour[k] != defaults.pen_by_colour[k])
            entry += "pen = " + std::to_string(p.pen_by_colour[k]) + "\n";
        if (p.line_type_by_colour[k] != defaults.line_type_by_colour[k])
            entry += "line_type = " + std::to_string(p.line_type_by_colour[k]) + "\n";
        if (p.speed_by_colour[k] != defaults.speed_by_colour[k])
            entry += "speed = " + std::to_string(p.speed_by_colour[k]) + "\n";
        if (!same_width(p.width_by_colour[k], defaults.width_by_colour[k]))
            entry += "width_mm = " + millimetres(p.width_by_colour[k]) + "\n";
        if (entry.empty()) continue;
        if (first) {
            out << "\n# Colours whose pen, line type, speed or width differ from the model's\n"
                << "# defaults, by colour number 0 to 255.\n";
            first = false;
        }
        out << "\n[colours." << k << "]\n" << entry;
    }
}

std::string safe_file_name(const std::string& model) {
    std::string name;
    for (char c : model) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        name.push_back(plain ? c : '_');
    }
    if (name.empty() || name.front() == '.') name.insert(0, "_");
    return name;
}

// The code point of the UTF-8 sequence at `i` and its length; length 0 when
// it is not one (cut short, overlong, a surrogate, beyond U+10FFFF).
std::pair<char32_t, std::size_t> utf8_at(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || i + length > text.size()) return {0, 0};
    char32_t code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return {0, 0};
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return {0, 0};
    return {code, length};
}

// The text of a profile, ready for the TOML parser. toml++ 3.3.0, as Debian
// ships it, reaches undefined behaviour (its "unreachable" marker) on
// characters beyond ASCII in places that cannot be told from outside the
// parser, so it is given none: in quoted texts they are written as the \u
// escapes the parser reads back, in comments as "?"; where a key or a value
// belongs they are refused. So is a file too large to be a profile.
std::string profile_text(const std::string& path) {
    constexpr std::uintmax_t kMaxSize = 1 << 20;
    std::error_code ec;
    if (!fs::exists(path, ec)) throw HostError("profile " + path + " does not exist");
    if (fs::is_regular_file(path, ec) && fs::file_size(path, ec) > kMaxSize)
        throw HostError("profile " + path + " is larger than 1 MiB, the most a profile may be");
    std::string text = read_whole_file(path, "the profile");
    enum class In {
        kPlain,
        kComment,
        kBasic,
        kLiteral,
        kMultiBasic,
        kMultiLiteral
    } in = In::kPlain;
    int line = 1;
    bool after_line_end_backslash = false;  // a multi-line text trims blanks after "\"
    // A quote opens a text only where a value begins, right after "=": the
    // parser reads a quote anywhere else as part of a key or a bad value.
    bool value_begins = false;
    // A "#" after a quote on the same line may stand inside what the parser
    // reads as a text: it opens a comment only on a line without quotes.
    bool quote_on_line = false;
    const auto starts = [&](std::size_t i, const char* s) { return text.compare(i, 3, s) == 0; };
    std::string ascii;  // what the parser is given
    ascii.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t from = i;
        const char c = text[i];
        if (c == '\n') ++line, quote_on_line = false;
        const bool plain_ascii = static_cast<unsigned char>(c) < 0x80;
        const In before = in;
        const bool in_text = in != In::kPlain && in != In::kComment;
        if (!plain_ascii && (in_text || in == In::kComment) && !after_line_end_backslash) {
            const auto [code, length] = utf8_at(text, i);
            if (length == 0) {
                throw HostError("profile " + path + ":" + std::to_string(line) +
                                ": a text that is not UTF-8");
            }
            char escape[16];
            std::snprintf(escape, sizeof escape, code > 0xFFFF ? "\\U%08X" : "\\u%04X",
                          static_cast<unsigned>(code));
            ascii += in_text ? escape : "?";
            i += length - 1;
            continue;
        }
        if (!plain_ascii) {
            throw HostError("profile " + path + ":" + std::to_string(line) +
                            ": a character beyond ASCII stands where a key or a value belongs; "
                            "such characters may stand only in quoted texts and comments");
        }
        ascii += c;
        // Control characters (DEL among them) where a key may begin trip the
        // parser's own assertions: no key or value holds one.
        const bool control =
            (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') ||
            c == 0x7F;
        if (control && in == In::kPlain) {
            throw HostError("profile " + path + ":" + std::to_string(line) +
                            ": a control character stands where a key or a value belongs");
        }
        switch (in) {
            case In::kPlain:
                if (c == '#' && !quote_on_line) in = In::kComment;
                if (c == '"' || c == '\'') quote_on_line = true;
                if (c == '"' && value_begins)
                    in = starts(i, "\"\"\"") ? (i += 2, In::kMultiBasic) : In::kBasic;
                if (c == '\'' && value_begins)
                    in = starts(i, "'''") ? (i += 2, In::kMultiLiteral) : In::kLiteral;
                if (c != ' ' && c != '\t') value_begins = c == '=';
                break;
            case In::kComment:
                if (c == '\n') in = In::kPlain;
                break;
            case In::kBasic:
            case In::kMultiBasic:
                if (c == '\\') {
                    ++i;  // the escaped character
                    if (i < text.size() && static_cast<unsigned char>(text[i]) >= 0x80)
                        --i, in = In::kPlain;  // refused as the next character
                    if (i < text.size() && text[i] == '\n') ++line;
                    after_line_end_backslash =
                        in == In::kMultiBasic && i < text.size() &&
                        (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n');
                    break;
                }
                if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
                    after_line_end_backslash = false;
                if (in == In::kBasic && (c == '"' || c == '\n')) in = In::kPlain;
                if (in == In::kMultiBasic && starts(i, "\"\"\"")) in = In::kPlain, i += 2;
                break;
            case In::kLiteral:
                if (c == '\'' || c == '\n') in = In::kPlain;
                break;
            case In::kMultiLiteral:
                if (starts(i, "'''")) in = In::kPlain, i += 2;
                break;
        }
        ascii.append(text, from + 1, i - from);  // what was stepped over (quotes, an escaped one)
        // A 'single-quoted' text goes to the parser "double-quoted", so that
        // what is beyond ASCII in it can be written as escapes.
        const auto literal = [](In state) {
            return state == In::kLiteral || state == In::kMultiLiteral;
        };
        if (literal(before) != literal(in) && (c == '\'')) {
            std::replace(ascii.end() - static_cast<std::ptrdiff_t>(i - from + 1), ascii.end(), '\'',
                         '"');
        } else if (literal(before) && (c == '\\' || c == '"')) {
            ascii.insert(ascii.end() - 1, '\\');
        }
    }
    return ascii;
}

}  // namespace

int default_pen(int colour, int pens) {
    if (colour <= 0 || pens < 1) return 1;
    const int pen = colour % pens;
    return pen == 0 ? pens : pen;
}

int default_pen(int colour, const Profile& profile) {
    return profile.pens_by_hand() ? std::clamp(colour, 1, 255) : default_pen(colour, profile.pens);
}

void set_default_colour_tables(Profile& p) {
    for (size_t k = 0; k < 256; ++k) {
        p.pen_by_colour[k] = static_cast<uint8_t>(default_pen(static_cast<int>(k), p));
        p.line_type_by_colour[k] = 0;
        p.speed_by_colour[k] = static_cast<uint8_t>(p.pen_speed);
        p.width_by_colour[k] = p.pen_width;
    }
}

bool colour_is_set(const Profile& p, size_t k) {
    return p.pen_by_colour[k] != default_pen(static_cast<int>(k), p) ||
           p.line_type_by_colour[k] != 0 || p.speed_by_colour[k] != p.pen_speed ||
           !same_width(p.width_by_colour[k], p.pen_width);
}

Profile load_profile(const std::string& path) {
    toml::table root;
    try {
        root = toml::parse(profile_text(path), path);
    } catch (const toml::parse_error& e) {
        const auto& where = e.source().begin;
        throw HostError("profile " + path + ":" + std::to_string(where.line) + ": " +
                        std::string(e.description()));
    }
    const Reader r(root, path);
    const int format = r.has("format") ? r.integer("format", 1, kFormat,
                                                   "this tvkplot reads profile formats 1 and 2")
                                       : 1;
    r.only(root, "",
           {"format", "model", "stored_configuration", "plotter", "paper", "port", "colours",
            "pens", "timing"});
    Profile p;
    p.model = r.text("model");
    p.stored = r.block("stored_configuration");
    read_plotter(r, p, format);
    read_paper_and_port(r, p);
    if (format == 1) {
        read_colour_lists(r, p);
    } else {
        read_colour_entries(r, p);
    }
    read_pen_colours(r, p);
    p.timing = read_timing(root, path);
    return p;
}

void save_profile(const Profile& p, const std::string& path) {
    std::ostringstream out;
    out << "# tvkplot plotter profile, written by `tvkplot configure`.\n"
        << "format = " << kFormat << "\n"
        << "model = " << quoted(p.model) << "\n"
        << "# The driver's own block of answers: keep it as it stands.\n"
        << "stored_configuration = \"" << hex(p.stored) << "\"\n\n"
        << "# What the driver reports for the model; checked on every plot.\n"
        << "[plotter]\n"
        << "pen_options = " << p.pen_options << "  # 0x100: the plotter fills polygons\n"
        << "pens = " << p.pens << "\n"
        << "pen_speed = " << p.pen_speed << "  # cm/s\n"
        << "pen_width_mm = " << millimetres(p.pen_width) << "\n"
        << "max_line_type = " << p.max_line_type << "\n"
        << "optimize = " << p.optimize << "\n\n"
        << "[paper]\n"
        << "width_in = " << number(p.area_x) << "\n"
        << "height_in = " << number(p.area_y) << "\n"
        << "units_per_inch = " << number(p.resolution) << "\n\n"
        << "[port]\n"
        << "kind = \"" << (p.port_kind == 2 ? "other" : "serial") << "\"\n"
        << "baud = " << p.line.baud << "\n"
        << "parity = \"" << kParities[std::clamp(p.line.parity, 0, 2)] << "\"\n"
        << "data_bits = " << p.line.data_bits << "\n"
        << "stop_bits = " << p.line.stop_bits << "\n"
        << "handshake = \"" << (p.line.handshake == 0 ? "xon/xoff" : "hardware") << "\"\n";
    if (p.status_queries) out << "status = true     # paced by the plotter's buffer queries\n";
    write_colour_entries(out, p);
    for (const auto& [pen, rgb] : p.pen_colour) {
        out << "\n[pens." << pen << "]\ncolour = \"" << rgb_text(rgb) << "\"\n";
    }
    write_timing(out, p.timing);

    std::error_code ec;
    const fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
    write_whole_file(path, out.str(), "the profile");
}

std::vector<std::string> keep_colour_tables(const Profile& old, Profile& fresh) {
    Profile old_defaults = old;
    set_default_colour_tables(old_defaults);
    const bool other_model = old.model != fresh.model;
    std::vector<std::string> notes;
    for (size_t k = 0; k < 256; ++k) {
        std::string kept;
        std::string dropped;
        const std::string colour = "colour " + std::to_string(k) + ": ";
        if (const int pen = old.pen_by_colour[k]; pen != old_defaults.pen_by_colour[k]) {
            if (pen <= fresh.pens_to_choose()) {
                fresh.pen_by_colour[k] = static_cast<uint8_t>(pen);
                kept += ", pen " + std::to_string(pen);
            } else {
                dropped += "; pen " + std::to_string(pen) + " does not fit the " +
                           std::to_string(fresh.pens) + " pens of " + fresh.model + ": pen " +
                           std::to_string(fresh.pen_by_colour[k]) + " (the default) instead";
            }
        }
        if (const int type = old.line_type_by_colour[k]; type != 0) {
            if (type <= fresh.max_line_type) {
                fresh.line_type_by_colour[k] = static_cast<uint8_t>(type);
                kept += ", line type " + std::to_string(type);
            } else {
                dropped += "; line type " + std::to_string(type) +
                           " is beyond the line types 0 to " + std::to_string(fresh.max_line_type) +
                           " of " + kLanguages[fresh.language_index()] +
                           ": a continuous line instead";
            }
        }
        if (old.speed_by_colour[k] != old_defaults.speed_by_colour[k]) {
            fresh.speed_by_colour[k] = old.speed_by_colour[k];
            kept += ", speed " + std::to_string(old.speed_by_colour[k]);
        }
        if (!same_width(old.width_by_colour[k], old_defaults.width_by_colour[k])) {
            fresh.width_by_colour[k] = old.width_by_colour[k];
            kept += ", width " + millimetres(old.width_by_colour[k]) + " mm";
        }
        if (!kept.empty() && other_model) {
            notes.push_back(colour + kept.substr(2) + " taken over from the profile of " +
                            old.model);
        }
        if (!dropped.empty()) notes.push_back(colour + dropped.substr(2));
    }
    for (const auto& [pen, rgb] : old.pen_colour) {
        if (pen <= fresh.pens_to_choose()) {
            fresh.pen_colour[pen] = rgb;
        } else {
            notes.push_back("pen " + std::to_string(pen) + ": its colour " + rgb_text(rgb) +
                            " is dropped, " + fresh.model + " has " + std::to_string(fresh.pens) +
                            " pens");
        }
    }
    return notes;
}

std::string profile_directory() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && *xdg == '/') return std::string(xdg) + "/tvkplot";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.config/tvkplot";
}

std::string default_profile_path(const std::string& model) {
    return profile_directory() + "/" + safe_file_name(model) + ".toml";
}

std::string default_model() {
    std::ifstream file(profile_directory() + "/default");
    std::string model;
    std::getline(file, model);
    return model;
}

void set_default_model(const std::string& model) {
    std::error_code ec;
    fs::create_directories(profile_directory(), ec);
    std::ofstream(profile_directory() + "/default", std::ios::trunc) << model << "\n";
}

}  // namespace tvk::host
