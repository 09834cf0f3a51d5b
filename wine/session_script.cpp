#include "session_script.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "driver/le.h"

namespace tvk::player {
namespace {

constexpr std::size_t kRecordSize = 4096;
constexpr std::size_t kHostPathSize = 90;

// Splits a line at blanks; a double-quoted part keeps its blanks and takes
// the escapes \n \r \t \e \" \\ and \xNN.
bool split(const std::string& line, std::vector<std::string>& words) {
    std::string word;
    bool in_word = false, quoted_part = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted_part) {
            if (c == '"') {
                quoted_part = false;
            } else if (c == '\\' && i + 1 < line.size()) {
                const char e = line[++i];
                switch (e) {
                    case 'n':
                        word += '\n';
                        break;
                    case 'r':
                        word += '\r';
                        break;
                    case 't':
                        word += '\t';
                        break;
                    case 'e':
                        word += '\x1b';
                        break;
                    case 'x':
                        if (i + 2 >= line.size()) return false;
                        word += static_cast<char>(
                            std::strtol(line.substr(i + 1, 2).c_str(), nullptr, 16));
                        i += 2;
                        break;
                    default:
                        word += e;
                }
            } else {
                word += c;
            }
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (in_word) words.push_back(word);
            word.clear();
            in_word = false;
        } else if (c == '"') {
            quoted_part = in_word = true;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (quoted_part) return false;
    if (in_word) words.push_back(word);
    return true;
}

std::string trimmed(const std::string& text) {
    const auto start = text.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : text.substr(start);
}

bool to_long(const std::string& text, long& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    out = std::strtol(text.c_str(), &end, 0);
    return *end == '\0';
}

bool parse_answer(const std::string& word, Answer& a) {
    long v;
    if (word == "default") {
        a = Answer{};
    } else if (word == "cancel") {
        a = Answer{std::nullopt, true, false};
    } else if (word == "skip") {
        a = Answer{std::nullopt, false, true};
    } else if (to_long(word, v)) {
        a = Answer{static_cast<int32_t>(v), false, false};
    } else {
        return false;
    }
    return true;
}

bool parse_stored(const std::string& word, std::optional<std::array<uint8_t, 24>>& stored) {
    if (word == "none") {
        stored.reset();
        return true;
    }
    if (word.size() != 48) return false;
    std::array<uint8_t, 24> block{};
    for (std::size_t i = 0; i < 24; ++i) {
        long v;
        if (!to_long("0x" + word.substr(2 * i, 2), v)) return false;
        block[i] = static_cast<uint8_t>(v);
    }
    stored = block;
    return true;
}

// Writes one TYPE@OFFSET=VALUE field into the record.
bool put_field(const std::string& field, uint8_t* record, const std::string& host_path) {
    const auto at = field.find('@');
    if (at == std::string::npos) return false;
    const std::string type = field.substr(0, at);
    const auto eq = field.find('=', at);
    long offset;
    if (!to_long(field.substr(at + 1, eq == std::string::npos ? std::string::npos : eq - at - 1),
                 offset) ||
        offset < 0 || static_cast<std::size_t>(offset) >= kRecordSize - 8)
        return false;
    uint8_t* p = record + offset;
    if (type == "hostpath") {
        const std::size_t n = host_path.size() < kHostPathSize ? host_path.size() : kHostPathSize;
        std::memcpy(p, host_path.data(), n);
        return eq == std::string::npos;
    }
    if (eq == std::string::npos) return false;
    const std::string value = field.substr(eq + 1);
    const std::size_t room = kRecordSize - static_cast<std::size_t>(offset);
    if (type == "text") {
        if (value.size() > room) return false;
        std::memcpy(p, value.data(), value.size());
        return true;
    }
    if (type == "f64") {
        char* end = nullptr;
        const double d = std::strtod(value.c_str(), &end);
        store_f64(p, d);
        return *end == '\0';
    }
    if (type == "points") {
        std::vector<std::pair<long, long>> points;
        std::size_t start = 0;
        while (start < value.size()) {
            const auto slash = value.find('/', start);
            const std::string pair =
                value.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
            const auto comma = pair.find(',');
            long x, y;
            if (comma == std::string::npos || !to_long(pair.substr(0, comma), x) ||
                !to_long(pair.substr(comma + 1), y))
                return false;
            points.emplace_back(x, y);
            if (slash == std::string::npos) break;
            start = slash + 1;
        }
        if (2 + 4 * points.size() > room) return false;
        store_i16(p, static_cast<int16_t>(points.size()));
        for (std::size_t i = 0; i < points.size(); ++i) {
            store_u16(p + 2 + 4 * i, static_cast<uint16_t>(points[i].first));
            store_u16(p + 4 + 4 * i, static_cast<uint16_t>(points[i].second));
        }
        return true;
    }
    long v;
    if (!to_long(value, v)) return false;
    if (type == "u8") {
        *p = static_cast<uint8_t>(v);
    } else if (type == "i16" || type == "u16") {
        store_u16(p, static_cast<uint16_t>(v));
    } else if (type == "i32") {
        store_u32(p, static_cast<uint32_t>(v));
    } else {
        return false;
    }
    return true;
}

class Player {
  public:
    Player(ScriptedHost& host, const std::string& host_path) : host_(host), host_path_(host_path) {}

    // False when the line cannot be understood.
    bool play(const std::vector<std::string>& w, const std::string& line) {
        const std::string& verb = w[0];
        auto& s = host_.script;
        long n = 0;
        if (verb == "session" && w.size() >= 2) {
            host_.transcript.line("");
            const std::string title = trimmed(line).substr(verb.size());
            host_.transcript.line("## " + trimmed(title));
        } else if (verb == "pladi" && w.size() == 1) {
            const uint8_t* before = host_.block();
            host_.transcript.line("> PLADI");
            host_.bind();
            const char* what = before == nullptr         ? "the information block"
                               : host_.block() == before ? "the same block"
                                                         : "another block";
            host_.transcript.line(std::string("< ") + what);
        } else if (verb == "answer" && w.size() >= 2) {
            for (std::size_t i = 1; i < w.size(); ++i) {
                Answer a;
                if (!parse_answer(w[i], a)) return false;
                s.answers.push_back(a);
            }
        } else if (verb == "stored" && w.size() == 2) {
            return parse_stored(w[1], s.stored);
        } else if (w.size() == 2 && to_long(w[1], n) && set_number(verb, static_cast<int32_t>(n))) {
        } else if (verb == "reply" && w.size() == 2) {
            s.reply = w[1];
        } else if ((verb == "config" || verb == "plot") && w.size() >= 2) {
            return request(verb == "config" ? EntryKind::kConfig : EntryKind::kPlot, w, line);
        } else {
            return false;
        }
        return true;
    }

    int failures() const { return failures_; }

  private:
    bool request(EntryKind kind, const std::vector<std::string>& w, const std::string& line) {
        long code;
        if (!to_long(w[1], code)) return false;
        std::vector<uint8_t> record(kRecordSize, 0);
        store_u16(record.data(), static_cast<uint16_t>(code));
        for (std::size_t i = 2; i < w.size(); ++i)
            if (!put_field(w[i], record.data(), host_path_)) return false;
        if (host_.block() == nullptr) host_.bind();
        const std::vector<uint8_t> before = record;
        host_.transcript.line("> " + trimmed(line));
        host_.call(kind, record.data());
        status_ = load_i16(record.data());
        host_.transcript.line("< status " + std::to_string(status_));
        host_.transcript.changes(before.data(), record.data(), kRecordSize);
        return true;
    }

    // The directives that take one number; false for any other word.
    bool set_number(const std::string& verb, int32_t v) {
        auto& s = host_.script;
        if (verb == "save_result") {
            s.save_result = v;
        } else if (verb == "wait_result") {
            s.wait_result = v;
        } else if (verb == "refuse_write") {
            s.refuse_write_at = v;
            s.write_calls = 0;
        } else if (verb == "break_at") {
            s.break_at = v;
            s.break_checks = 0;
        } else if (verb == "expect") {
            expect(v);
        } else {
            return false;
        }
        return true;
    }

    void expect(int32_t status) {
        if (status == status_) return;
        host_.transcript.line("! expected status " + std::to_string(status) + ", got " +
                              std::to_string(status_));
        ++failures_;
    }

    ScriptedHost& host_;
    std::string host_path_;
    int32_t status_ = 0;
    int failures_ = 0;
};

}  // namespace

PlayResult play_script(const std::string& path, ScriptedHost& host, const std::string& host_path) {
    PlayResult result;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        host.transcript.line("! cannot read the script " + path);
        result.broken = true;
        return result;
    }
    Player player(host, host_path);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> words;
        const bool split_ok = split(line, words);
        if (split_ok && (words.empty() || words[0][0] == '#')) continue;
        if (!split_ok || !player.play(words, line)) {
            host.transcript.line("! line " + std::to_string(number) +
                                 " of the script is not understood: " + line);
            result.broken = true;
            break;
        }
    }
    result.failures = player.failures();
    return result;
}

}  // namespace tvk::player
