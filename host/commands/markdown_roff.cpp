#include "host/commands/markdown_roff.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace tvk::host {
namespace {

// One character as roff shows it in running text.
void put(std::string& out, char c) {
    if (c == '\\') {
        out += "\\e";
    } else if (c == '-') {
        out += "\\-";
    } else {
        out += c;
    }
}

// A line of running text: backquotes and double asterisks set bold, and a
// line that roff would take as a request is guarded.
std::string inline_text(const std::string& line) {
    std::string out;
    bool code = false, bold = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '`') {
            code = !code;
            out += code ? "\\fB" : (bold ? "\\fB" : "\\fR");
        } else if (!code && c == '*' && i + 1 < line.size() && line[i + 1] == '*') {
            bold = !bold;
            out += bold ? "\\fB" : "\\fR";
            ++i;
        } else {
            put(out, c);
        }
    }
    if (code || bold) out += "\\fR";
    if (!out.empty() && (out.front() == '.' || out.front() == '\'')) out.insert(0, "\\&");
    return out;
}

// A line kept as it stands (a code block or a table).
std::string verbatim(const std::string& line) {
    std::string out;
    for (const char c : line) put(out, c);
    if (!out.empty() && (out.front() == '.' || out.front() == '\'')) out.insert(0, "\\&");
    return out;
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string markdown_to_roff(const std::string& markdown) {
    std::istringstream in(markdown);
    std::string out;
    bool fenced = false;
    bool paragraph = false;  // running text has begun since the last break
    bool block = false;      // inside .nf
    const auto end_block = [&] {
        if (block) out += ".fi\n.RE\n";
        block = false;
    };
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("```")) {
            if (!fenced) {
                out += ".PP\n.RS 4\n.nf\n";
                fenced = true;
            } else {
                out += ".fi\n.RE\n";
                fenced = false;
            }
            paragraph = false;
            continue;
        }
        if (fenced) {
            out += verbatim(line) + "\n";
            continue;
        }
        const bool indented = line.starts_with("    ") && !paragraph;
        const bool table = line.starts_with("|");
        if (indented || table) {
            if (table && line.find("---") != std::string::npos &&
                line.find_first_not_of("|- :") == std::string::npos) {
                continue;  // a table's rule
            }
            if (!block) out += ".PP\n.RS 4\n.nf\n";
            block = true;
            out += verbatim(indented ? line.substr(4) : line) + "\n";
            continue;
        }
        end_block();
        if (line.find_first_not_of(' ') == std::string::npos) {
            paragraph = false;
            continue;
        }
        if (line.starts_with("# ")) continue;
        if (line.starts_with("## ")) {
            out += ".SH \"" + upper(verbatim(line.substr(3))) + "\"\n";
            paragraph = false;
            continue;
        }
        if (line.starts_with("### ")) {
            out += ".SS \"" + verbatim(line.substr(4)) + "\"\n";
            paragraph = false;
            continue;
        }
        if (line.starts_with("- ")) {
            out += ".IP \\(bu 2\n" + inline_text(line.substr(2)) + "\n";
            paragraph = true;
            continue;
        }
        if (!paragraph) out += ".PP\n";
        paragraph = true;
        const size_t start = line.find_first_not_of(' ');
        out += inline_text(line.substr(start)) + "\n";
    }
    end_block();
    if (fenced) out += ".fi\n.RE\n";
    return out;
}

}  // namespace tvk::host
