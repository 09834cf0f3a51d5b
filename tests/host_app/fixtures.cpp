#include "fixtures.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <stdexcept>

namespace tvk::host_test {

std::string dxf_of_lines(const std::vector<Line>& lines) {
    std::ostringstream s;
    s << "0\nSECTION\n2\nENTITIES\n";
    for (const Line& l : lines) {
        s << "0\nLINE\n8\n"
          << l.layer << "\n6\n"
          << l.linetype << "\n62\n"
          << l.colour << "\n10\n"
          << l.x1 << "\n20\n"
          << l.y1 << "\n30\n0\n11\n"
          << l.x2 << "\n21\n"
          << l.y2 << "\n31\n0\n";
    }
    s << "0\nENDSEC\n0\nEOF\n";
    return s.str();
}

Extent drawn_extent(const decoder::Decoded& d) {
    Extent e;
    const auto add = [&](const decoder::Point& p) {
        e.min_x = std::min(e.min_x, p.x);
        e.min_y = std::min(e.min_y, p.y);
        e.max_x = std::max(e.max_x, p.x);
        e.max_y = std::max(e.max_y, p.y);
    };
    for (const auto& s : decoder::drawn_segments(d)) {
        add(s.from);
        add(s.to);
    }
    for (const auto& p : d.polygons) {
        for (const auto& v : p.vertices) add(v);
    }
    return e;
}

namespace {

class JsonReader {
  public:
    explicit JsonReader(const std::string& text) : s_(text) {}

    Json whole() {
        Json v = value();
        blanks();
        if (at_ != s_.size()) fail("text after the value");
        return v;
    }

  private:
    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error("JSON: " + what + " at " + std::to_string(at_));
    }
    void blanks() {
        while (at_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[at_]))) ++at_;
    }
    bool take(char c) {
        blanks();
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool word(const std::string& w) {
        if (s_.compare(at_, w.size(), w) != 0) return false;
        at_ += w.size();
        return true;
    }
    std::string string() {
        if (!take('"')) fail("a string expected");
        std::string out;
        while (at_ < s_.size() && s_[at_] != '"') {
            char c = s_[at_++];
            if (c == '\\') {
                if (at_ >= s_.size()) fail("an unfinished escape");
                c = s_[at_++];
                if (c == 'u') {
                    out += static_cast<char>(std::stoi(s_.substr(at_, 4), nullptr, 16));
                    at_ += 4;
                    continue;
                }
                if (c == 'n') c = '\n';
            } else if (static_cast<unsigned char>(c) < 0x20) {
                fail("a control character in a string");
            }
            out += c;
        }
        if (!take('"')) fail("an unfinished string");
        return out;
    }
    Json value() {
        blanks();
        Json v;
        if (take('{')) {
            v.kind = Json::Kind::kObject;
            if (take('}')) return v;
            do {
                const std::string key = string();
                if (!take(':')) fail("':' expected");
                v.members[key] = value();
            } while (take(','));
            if (!take('}')) fail("'}' expected");
        } else if (take('[')) {
            v.kind = Json::Kind::kArray;
            if (take(']')) return v;
            do v.items.push_back(value());
            while (take(','));
            if (!take(']')) fail("']' expected");
        } else if (at_ < s_.size() && s_[at_] == '"') {
            v.kind = Json::Kind::kString;
            v.text = string();
        } else if (word("true") || word("false")) {
            v.kind = Json::Kind::kBool;
            v.boolean = s_[at_ - 1] == 'e' && s_[at_ - 2] == 'u';
        } else if (word("null")) {
        } else {
            size_t used = 0;
            try {
                v.number = std::stod(s_.substr(at_), &used);
            } catch (const std::exception&) {
                fail("a value expected");
            }
            v.kind = Json::Kind::kNumber;
            at_ += used;
        }
        return v;
    }

    const std::string& s_;
    size_t at_ = 0;
};

}  // namespace

Json parse_json(const std::string& text) {
    return JsonReader(text).whole();
}

}  // namespace tvk::host_test
