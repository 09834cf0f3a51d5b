#include "host/settings/profile.h"

#include <toml++/toml.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/ports/files.h"
#include "host/host_error.h"

namespace tvk::host {
namespace {

namespace fs = std::filesystem;

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

template <typename T>
void write_table(std::ostream& out, const char* key, const std::array<T, 256>& values) {
    out << key << " = [\n";
    for (size_t i = 0; i < values.size(); i += 16) {
        out << "  ";
        for (size_t k = i; k < i + 16; ++k) {
            if constexpr (std::is_floating_point_v<T>) {
                out << number(values[k]);
            } else {
                out << static_cast<int>(values[k]);
            }
            out << (k + 1 < values.size() ? ", " : "");
        }
        out << "\n";
    }
    out << "]\n";
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

// Reads the fields of a parsed profile; every missing or bad value names its key.
class Reader {
  public:
    Reader(const toml::table& root, const std::string& path) : root_(root), path_(path) {}

    [[noreturn]] void fail(const std::string& key, const std::string& why) const {
        throw HostError("profile " + path_ + ": " + key + " " + why);
    }

    const toml::node& node(const std::string& key) const {
        const toml::node_view<const toml::node> view = root_.at_path(key);
        if (!view) fail(key, "is missing");
        return *view.node();
    }

    std::string text(const std::string& key) const {
        const auto v = node(key).value<std::string>();
        if (!v) fail(key, "must be a string");
        return *v;
    }

    int integer(const std::string& key, int low, int high) const {
        const auto v = node(key).value<int64_t>();
        if (!v || *v < low || *v > high) {
            fail(key, "must be a whole number from " + std::to_string(low) + " to " +
                          std::to_string(high));
        }
        return static_cast<int>(*v);
    }

    double real(const std::string& key) const {
        const auto v = node(key).value<double>();  // integers are accepted too
        if (!v || !(*v >= 0) || *v > 1e9) fail(key, "must be a number of 0 or more");
        return *v;
    }

    int word(const std::string& key, std::initializer_list<const char*> words) const {
        const std::string w = text(key);
        int index = 0;
        for (const char* candidate : words) {
            if (w == candidate) return index;
            ++index;
        }
        fail(key, "has an unknown value \"" + w + "\"");
    }

    template <typename T>
    std::array<T, 256> table(const std::string& key) const {
        const toml::array* a = node(key).as_array();
        if (a == nullptr || a->size() != 256) fail(key, "must be a list of 256 numbers");
        std::array<T, 256> out{};
        for (size_t i = 0; i < 256; ++i) {
            if constexpr (std::is_floating_point_v<T>) {
                const auto v = (*a)[i].value<double>();
                if (!v || !(*v >= 0)) fail(key, "holds a bad number at " + std::to_string(i));
                out[i] = *v;
            } else {
                const auto v = (*a)[i].value<int64_t>();
                if (!v || *v < 0 || *v > 255)
                    fail(key, "holds a bad number at " + std::to_string(i));
                out[i] = static_cast<T>(*v);
            }
        }
        return out;
    }

    StoredBlock block(const std::string& key) const {
        const std::string s = text(key);
        StoredBlock b{};
        if (s.size() != 2 * b.size()) fail(key, "must be 48 hexadecimal digits");
        for (size_t i = 0; i < b.size(); ++i) {
            unsigned v = 0;
            const auto r = std::from_chars(s.data() + 2 * i, s.data() + 2 * i + 2, v, 16);
            if (r.ec != std::errc() || r.ptr != s.data() + 2 * i + 2) {
                fail(key, "must be 48 hexadecimal digits");
            }
            b[i] = static_cast<uint8_t>(v);
        }
        return b;
    }

  private:
    const toml::table& root_;
    const std::string& path_;
};

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

// The text of a profile, ready for the TOML parser. toml++ 3.3.0, as Debian
// ships it, reaches undefined behaviour (its "unreachable" marker) on a
// character beyond ASCII where it expects a key or a value; such characters
// belong only in quoted texts and comments, so they are refused here, before
// the parser sees them. So is a file too large to be a profile.
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
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') ++line, quote_on_line = false;
        const bool plain_ascii = static_cast<unsigned char>(c) < 0x80;
        if (!plain_ascii && (in == In::kPlain || after_line_end_backslash)) {
            throw HostError("profile " + path + ":" + std::to_string(line) +
                            ": a character beyond ASCII stands where a key or a value belongs; "
                            "such characters may stand only in quoted texts and comments");
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
    }
    return text;
}

}  // namespace

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
    Profile p;
    p.model = r.text("model");
    p.stored = r.block("stored_configuration");
    p.pen_options = static_cast<uint16_t>(r.integer("plotter.pen_options", 0, 0xFFFF));
    p.pens = r.integer("plotter.pens", 1, 0x7FFF);
    p.pen_speed = r.integer("plotter.pen_speed", 0, 255);
    p.max_line_type = r.integer("plotter.max_line_type", 0, 255);
    p.optimize = r.integer("plotter.optimize", 0, 255);
    p.area_x = r.real("paper.width_in");
    p.area_y = r.real("paper.height_in");
    p.resolution = r.real("paper.units_per_inch");
    p.port_kind = r.word("port.kind", {"", "serial", "other"});
    if (p.port_kind == 0) r.fail("port.kind", "must be \"serial\" or \"other\"");
    p.line.baud = r.integer("port.baud", 1, 0xFFFF);
    p.line.parity = r.word("port.parity", {"none", "odd", "even"});
    p.line.data_bits = r.integer("port.data_bits", 7, 8);
    p.line.stop_bits = r.integer("port.stop_bits", 1, 2);
    p.line.handshake = r.word("port.handshake", {"xon/xoff", "hardware"});
    p.pen_by_colour = r.table<uint8_t>("colours.pen");
    p.line_type_by_colour = r.table<uint8_t>("colours.line_type");
    p.speed_by_colour = r.table<uint8_t>("colours.speed");
    p.width_by_colour = r.table<double>("colours.width_in");
    return p;
}

void save_profile(const Profile& p, const std::string& path) {
    std::ostringstream out;
    out << "# tvkplot plotter profile, written by `tvkplot configure`.\n"
        << "# stored_configuration is the driver's own block: keep it as it stands.\n"
        << "model = " << quoted(p.model) << "\n"
        << "stored_configuration = \"" << hex(p.stored) << "\"\n\n"
        << "[plotter]\n"
        << "pen_options = " << p.pen_options << "  # 0x100: the plotter fills polygons\n"
        << "pens = " << p.pens << "\n"
        << "pen_speed = " << p.pen_speed << "\n"
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
        << "handshake = \"" << (p.line.handshake == 0 ? "xon/xoff" : "hardware") << "\"\n\n"
        << "# Per AutoCAD colour number 0 to 255.\n"
        << "[colours]\n";
    write_table(out, "pen", p.pen_by_colour);
    write_table(out, "line_type", p.line_type_by_colour);
    write_table(out, "speed", p.speed_by_colour);
    write_table(out, "width_in", p.width_by_colour);

    std::error_code ec;
    const fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
    write_whole_file(path, out.str(), "the profile");
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
