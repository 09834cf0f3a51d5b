#include "host/settings/unbuffered_definitions.h"

#include <vector>

namespace tvk::host {
namespace {

// A line as the driver reads it: blanks and control characters left out and
// letters in upper case outside double quotes, a comment (";") cut off.
std::string processed(const std::string& line) {
    std::string out;
    bool quoted = false;
    for (const char ch : line) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"') quoted = !quoted;
        if (!quoted && c == ';') break;
        if (!quoted && c <= 0x20) continue;
        out.push_back(!quoted && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : ch);
    }
    return out;
}

std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace

std::string without_output_buffer(const std::string& text, const std::string& model) {
    // The lines, each with its own ending.
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\n', start);
        const size_t next = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, next - start));
        start = next;
    }
    const std::string header = "*" + processed(upper(model));
    enum { kBefore, kSpec, kAfter } section = kBefore;
    bool in_block = false;
    bool done = false;
    size_t spare = std::string::npos;  // a blank or comment line of the block
    size_t block_end = lines.size();   // where a line would be added

    for (size_t i = 0; i < lines.size() && !done; ++i) {
        std::string body = lines[i];
        const std::string ending = body.ends_with("\r\n") ? "\r\n"
                                   : body.ends_with('\n') ? "\n"
                                                          : "";
        body.resize(body.size() - ending.size());
        const std::string line = processed(body);
        if (!line.empty() && line[0] == '[') {
            if (in_block) {
                block_end = i;
                break;
            }
            if (section == kSpec) section = kAfter;
            if (section == kBefore && line == "[SPEC]") section = kSpec;
            continue;
        }
        if (section != kSpec) continue;
        if (!line.empty() && (line[0] == '*' || line[0] == '%')) {
            if (in_block) {
                block_end = i;
                break;
            }
            in_block = line == header;
            continue;
        }
        if (!in_block) continue;
        if (line.empty()) {
            if (spare == std::string::npos) spare = i;
        } else if (line == "BUFFERS:0") {
            done = true;
        } else if (line.starts_with("BUFFERS:")) {
            // As long as it was, so that a line the reader takes in pieces
            // stays as many lines.
            std::string value = "BUFFERS: 0";
            if (body.size() > value.size()) value.append(body.size() - value.size(), ' ');
            lines[i] = value + ending;
            done = true;
        }
    }
    if (!done && (in_block || block_end < lines.size())) {
        if (spare != std::string::npos) {
            const std::string& old = lines[spare];
            const std::string ending = old.ends_with("\r\n") ? "\r\n" : "\n";
            lines[spare] = "BUFFERS: 0" + ending;
        } else {
            if (block_end == lines.size() && !lines.empty() && !lines.back().ends_with('\n'))
                lines.back() += "\n";
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(block_end), "BUFFERS: 0\n");
        }
    }
    std::string out;
    for (const std::string& l : lines) out += l;
    return out;
}

}  // namespace tvk::host
