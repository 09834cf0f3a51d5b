#include "host/drawing/plotfile/instructions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <iterator>

namespace tvk::host::plotfile {
namespace {

constexpr char kEscape = 27;

bool is_letter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
// Separators between parameters: commas and blanks, line ends included.
bool is_separator(char c) {
    return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The instructions of HP-GL (the pen plotters' set) and HP-GL/2, sorted.
constexpr std::string_view kKnown[] = {
    "AA", "AC", "AD", "AF", "AH", "AP", "AR", "AS", "AT", "BF", "BL", "BP", "BR", "BZ", "CA", "CC",
    "CF", "CI", "CM", "CO", "CP", "CR", "CS", "CT", "CV", "DC", "DF", "DI", "DL", "DP", "DR", "DS",
    "DT", "DV", "EA", "EC", "EP", "ER", "ES", "EW", "FI", "FN", "FP", "FR", "FS", "FT", "GC", "GM",
    "GP", "IM", "IN", "IP", "IR", "IV", "IW", "KY", "LA", "LB", "LM", "LO", "LT", "MC", "MG", "MT",
    "NP", "NR", "OA", "OC", "OD", "OE", "OF", "OG", "OH", "OI", "OK", "OL", "OO", "OP", "OS", "OT",
    "OW", "PA", "PB", "PC", "PD", "PE", "PG", "PM", "PP", "PR", "PS", "PT", "PU", "PW", "QL", "RA",
    "RF", "RO", "RP", "RR", "RT", "SA", "SB", "SC", "SD", "SG", "SI", "SL", "SM", "SP", "SR", "SS",
    "ST", "SV", "TD", "TL", "TR", "UC", "UF", "UL", "VA", "VN", "VS", "WD", "WG", "WU", "XT", "YT"};

// HP-GL/2 and HP RTL only.
constexpr std::string_view kHpgl2Only[] = {"AD", "BP", "BR", "BZ", "CR", "DV", "FI", "FN", "LA",
                                           "LM", "MC", "MG", "NP", "PC", "PE", "PP", "PS", "PW",
                                           "QL", "RF", "RT", "SB", "SD", "SV", "TD", "TR", "WU"};

}  // namespace

bool known_instruction(std::string_view name) {
    return std::find(std::begin(kKnown), std::end(kKnown), name) != std::end(kKnown);
}

bool hpgl2_instruction(std::string_view name) {
    return std::find(std::begin(kHpgl2Only), std::end(kHpgl2Only), name) != std::end(kHpgl2Only);
}

InstructionReader::InstructionReader(std::string_view bytes) : s_(bytes) {
    // A PJL job or a PCL reset first: the file is wrapped in PCL.
    std::size_t at = 0;
    while (at < s_.size() && std::isspace(static_cast<unsigned char>(s_[at]))) ++at;
    const std::string_view head = s_.substr(at, 3);
    pcl_mode_ = head ==
                    "\x1b"
                    "E" ||
                head == "\x1b%-" || head == "\x1b&" || head == "\x1b*";
}

bool InstructionReader::number(double& value) {
    const std::size_t begin = i_;
    std::size_t j = i_;
    if (j < s_.size() && (s_[j] == '+' || s_[j] == '-')) ++j;
    const std::size_t digits = j;
    while (j < s_.size() && is_digit(s_[j])) ++j;
    if (j < s_.size() && s_[j] == '.') {
        ++j;
        while (j < s_.size() && is_digit(s_[j])) ++j;
    }
    if (j == digits || (j == digits + 1 && s_[digits] == '.')) return false;
    const std::size_t from = s_[begin] == '+' ? begin + 1 : begin;
    double v = 0;
    const auto [ptr, ec] = std::from_chars(s_.data() + from, s_.data() + j, v);
    if (ec == std::errc::result_out_of_range) v = s_[begin] == '-' ? -kNumberLimit : kNumberLimit;
    if (!std::isfinite(v)) v = 0;
    value = std::clamp(v, -kNumberLimit, kNumberLimit);
    i_ = j;
    return true;
}

void InstructionReader::parameters(Instruction& out) {
    while (i_ < s_.size()) {
        const char c = s_[i_];
        if (is_separator(c)) {
            ++i_;
        } else if (is_digit(c) || c == '-' || c == '+' || c == '.') {
            double v = 0;
            if (number(v)) {
                out.numbers.push_back(v);
            } else {
                out.bad_parameters = true;
                ++i_;
            }
        } else if (c == '"') {
            const std::size_t close = s_.find('"', i_ + 1);
            const std::size_t end = close == std::string_view::npos ? s_.size() : close;
            out.text.append(s_.substr(i_ + 1, std::min<std::size_t>(end - i_ - 1, 4096)));
            i_ = std::min(end + 1, s_.size());
        } else if (c == ';') {
            ++i_;
            return;
        } else if (is_letter(c) || c == kEscape) {
            return;
        } else {
            out.bad_parameters = true;
            ++i_;
        }
    }
}

void InstructionReader::label(Instruction& out) {
    const std::size_t end = s_.find(terminator_, i_);
    const std::size_t stop = end == std::string_view::npos ? s_.size() : end;
    out.text.assign(s_.substr(i_, stop - i_));
    out.text_terminated = end != std::string_view::npos;
    // DT's mode 0: the terminator is part of the label (printed, or doing
    // what a control character does).
    if (out.text_terminated && terminator_prints_) out.text.push_back(terminator_);
    i_ = std::min(stop + 1, s_.size());
    // A ";" after the terminator ends the instruction, as plotters take it.
    if (i_ < s_.size() && s_[i_] == ';') ++i_;
}

void InstructionReader::encoded(Instruction& out) {
    // Encoded numbers use every byte from 63 up, letters included: the body
    // runs to its ";" (or the next escape).
    std::size_t stop = i_;
    while (stop < s_.size() && s_[stop] != ';' && s_[stop] != kEscape) ++stop;
    out.text.assign(s_.substr(i_, stop - i_));
    i_ = stop < s_.size() && s_[stop] == ';' ? stop + 1 : stop;
}

void InstructionReader::escape(Instruction& out) {
    const std::size_t n = s_.size();
    std::size_t j = i_ + 1;
    const auto value_char = [&](std::size_t k) {
        return k < n && (is_digit(s_[k]) || s_[k] == '+' || s_[k] == '-' || s_[k] == '.');
    };
    if (j < n && s_[j] == '.') {
        // The plotter's device control: ESC "." a letter, parameters to ":".
        j += 2;
        std::size_t k = j;
        while (k < n && (is_digit(s_[k]) || s_[k] == ';' || s_[k] == '-')) ++k;
        if (k < n && s_[k] == ':') j = k + 1;
    } else if (j < n && s_[j] == '%') {
        // ESC % n A / B: into PCL and back into HP-GL/2; ESC %-12345X: a PJL job.
        ++j;
        const std::size_t v = j;
        while (value_char(j)) ++j;
        if (j < n) {
            const char command = s_[j++];
            if (command == 'B') pcl_mode_ = false;
            if (command == 'A' || command == 'X') pcl_mode_ = true;
            if (command == 'X' && s_.substr(v, j - v) == "0X") pcl_mode_ = true;
        }
    } else if (j < n && s_[j] >= 0x21 && s_[j] <= 0x2F) {
        // A parameterised PCL sequence: value and parameter pairs; an
        // upper-case parameter ends it, and W carries that many bytes of data.
        ++j;
        if (j < n && s_[j] >= 0x60 && s_[j] <= 0x7E) ++j;
        while (j < n) {
            const std::size_t v = j;
            while (value_char(j)) ++j;
            if (j >= n) break;
            const char parameter = s_[j++];
            if (parameter == 'W' || parameter == 'w') {
                double bytes = 0;
                std::from_chars(s_.data() + v, s_.data() + j - 1, bytes);
                if (bytes > 0) j += static_cast<std::size_t>(std::min(bytes, double(n)));
            }
            if (parameter >= 0x40 && parameter <= 0x5E) break;
        }
    } else {
        ++j;  // a two-character escape such as ESC E
    }
    i_ = std::min(j, n);
    out.name = "ESC";
}

void InstructionReader::pcl(Instruction& out) {
    out.name = "PCL";
    // PJL lines, and print data, up to the next escape; PJL may enter HP-GL/2.
    while (i_ < s_.size() && s_[i_] != kEscape) {
        if (s_.substr(i_, 4) == "@PJL") {
            const std::size_t eol = std::min(s_.find('\n', i_), s_.size());
            std::string line(s_.substr(i_, eol - i_));
            for (char& c : line) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            i_ = std::min(eol + 1, s_.size());
            if (line.find("ENTER") != std::string::npos && line.find("HPGL") != std::string::npos) {
                pcl_mode_ = false;
                return;
            }
        } else {
            ++i_;
        }
    }
}

bool InstructionReader::next(Instruction& out) {
    out.name.clear();
    out.numbers.clear();
    out.text.clear();
    out.text_terminated = true;
    out.bad_parameters = false;
    // Separators and blanks between instructions.
    while (i_ < s_.size() && !pcl_mode_ && (s_[i_] == ';' || is_separator(s_[i_]))) ++i_;
    if (i_ >= s_.size()) return false;
    out.offset = i_;
    if (s_[i_] == kEscape) {
        escape(out);
    } else if (pcl_mode_) {
        pcl(out);
    } else if (i_ + 1 < s_.size() && is_letter(s_[i_]) && is_letter(s_[i_ + 1])) {
        out.name = {static_cast<char>(std::toupper(static_cast<unsigned char>(s_[i_]))),
                    static_cast<char>(std::toupper(static_cast<unsigned char>(s_[i_ + 1])))};
        i_ += 2;
        if (out.name == "LB" || out.name == "BL" || out.name == "WD") {
            label(out);
        } else if (out.name == "PE") {
            encoded(out);
        } else if (out.name == "DT" || out.name == "SM") {
            // The character right after the mnemonic; ";" alone turns it back
            // to its default.
            if (i_ < s_.size() && s_[i_] != ';') out.text.assign(1, s_[i_++]);
            if (out.name == "DT") terminator_ = out.text.empty() ? char(3) : out.text[0];
            parameters(out);
            if (out.name == "DT")
                terminator_prints_ =
                    !out.text.empty() && !out.numbers.empty() && out.numbers[0] == 0;
        } else {
            parameters(out);
            if (out.name == "IN" || out.name == "DF") {
                terminator_ = 3;
                terminator_prints_ = false;
            }
        }
    } else {
        out.name.assign(1, '?');
        // Up to where an instruction may begin.
        ++i_;
        while (i_ < s_.size() && !is_letter(s_[i_]) && s_[i_] != kEscape && s_[i_] != ';') ++i_;
    }
    out.end = i_;
    return true;
}

}  // namespace tvk::host::plotfile
