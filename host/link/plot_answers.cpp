#include "host/link/plot_answers.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace tvk::host {
namespace {

// The numbered yes/no question's fixed prompt.
constexpr const char* kYesNoPrompt = "  YES - 1  NO - 2";
constexpr int kYes = 1, kNo = 2;
constexpr int kAbsoluteAnswer = 1, kRelativeAnswer = 2;
constexpr uint16_t kAbsoluteFlag = 0x0020;

bool same_name(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) ==
               std::toupper(static_cast<unsigned char>(y));
    });
}

std::optional<int> whole_number(const std::string& text) {
    int n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return n;
}

// A line of the paper menu: "  %3d. %s".
bool menu_line(const std::string& line, int& number, std::string& name) {
    size_t i = line.find_first_not_of(' ');
    const size_t dot = line.find(". ", i);
    if (i == std::string::npos || dot == std::string::npos || dot == i) return false;
    const auto n = whole_number(line.substr(i, dot - i));
    if (!n || *n < 1) return false;
    number = *n;
    name = line.substr(dot + 2);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\r')) name.pop_back();
    return !name.empty();
}

}  // namespace

void PlotTimeDialog::printed(const std::string& text) {
    pending_ += text;
    size_t end;
    while ((end = pending_.find('\n')) != std::string::npos) {
        int number = 0;
        std::string name;
        if (menu_line(pending_.substr(0, end), number, name)) {
            if (papers_.size() < static_cast<size_t>(number)) papers_.resize(number);
            papers_[static_cast<size_t>(number - 1)] = name;
        }
        pending_.erase(0, end + 1);
    }
}

bool PlotTimeDialog::choice(const std::string& prompt, int low, int high, int& value,
                            bool& cancel) {
    cancel = false;
    if (prompt == kYesNoPrompt) {
        // The PE command first; its 8-bit mode follows only when it is taken.
        const bool first = yes_no_++ == 0;
        if (first) pe_asked_ = true;
        const std::optional<bool>& answer = first ? answers_.pe : answers_.pe_8bit;
        if (!answer) return false;
        value = *answer ? kYes : kNo;
        return true;
    }
    // The paper menu's prompt ends with its range: "(1 to N) ".
    const std::string range_end = std::to_string(high) + ") ";
    if (low == 1 && prompt.size() > range_end.size() && prompt.ends_with(range_end)) {
        paper_asked_ = true;
        return paper(high, value, cancel);
    }
    coordinates_asked_ = true;
    if (!answers_.absolute) return false;
    value = *answers_.absolute ? kAbsoluteAnswer : kRelativeAnswer;
    return true;
}

bool PlotTimeDialog::paper(int count, int& value, bool& cancel) {
    if (answers_.paper.empty()) return false;
    if (papers_.size() < static_cast<size_t>(count)) papers_.resize(static_cast<size_t>(count));
    const auto number = whole_number(answers_.paper);
    int found = 0;
    if (number && *number >= 1 && *number <= count) found = *number;
    for (int i = 0; i < count && found == 0; ++i) {
        if (same_name(papers_[static_cast<size_t>(i)], answers_.paper)) found = i + 1;
    }
    if (found > 0) {
        value = found;
        return true;
    }
    // The menu shows a page at a time: a number of a page not seen yet
    // shows that page, until every name is known.
    const auto unseen = std::find(papers_.begin(), papers_.end(), std::string());
    if (!number && unseen != papers_.end()) {
        value = static_cast<int>(unseen - papers_.begin()) + 1;
        return true;
    }
    refusal_ = "no paper \"" + answers_.paper + "\" for this plotter: give one of " +
               (unseen == papers_.end() ? paper_list() : "1 to " + std::to_string(count));
    cancel = true;
    return true;
}

bool PlotTimeDialog::number(int max, int& value, bool& cancel) {
    cancel = false;
    copies_asked_ = true;
    if (!answers_.copies) return false;
    const int additional = *answers_.copies - 1;
    if (additional < 0 || additional > max) {
        refusal_ = "--copies " + std::to_string(*answers_.copies) + ": this plotter draws 1 to " +
                   std::to_string(max + 1) + " copies";
        cancel = true;
        return true;
    }
    value = additional;
    return true;
}

std::string PlotTimeDialog::paper_list() const {
    std::string list;
    for (size_t i = 0; i < papers_.size(); ++i) {
        list += (i == 0 ? "" : ", ") + std::to_string(i + 1) + " " + papers_[i];
    }
    return list;
}

std::string PlotTimeDialog::refusal(uint16_t flags) const {
    if (!refusal_.empty()) return refusal_;
    if (!answers_.paper.empty() && !paper_asked_) {
        return "--paper: this plotter has no list of papers (it plots on its largest area, or "
               "asks the plotter)";
    }
    if (answers_.copies && *answers_.copies != 1 && !copies_asked_) {
        return "--copies: this plotter draws one copy of a plot (copies need the TK-GL3 "
               "language)";
    }
    if (answers_.pe.value_or(false) && !pe_asked_) {
        return "--pe: this plotter, in its language, has no PE command: give --pe off";
    }
    const bool absolute = (flags & kAbsoluteFlag) != 0;
    if (answers_.absolute && !coordinates_asked_ && *answers_.absolute != absolute) {
        return std::string("--coordinates: this plotter has ") +
               (absolute ? "absolute" : "relative") + " coordinates only";
    }
    return {};
}

}  // namespace tvk::host
