// Line types as the file's plotter draws them: LT with its pattern length
// (a share of the P1-P2 diagonal, or millimetres), fixed and adaptive
// patterns, UL patterns of the file's own, LT99 bringing the last one back.
// A pattern of one length goes with the line as a line type of the drawing
// (the plot sends the target's own pattern where it has one like it, else
// cuts the dashes); adaptive patterns are cut into the pen paths here.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "host/drawing/plotfile/interpreter.h"

namespace tvk::host::plotfile {
namespace {

// The patterns 1 to 8: pen down and pen up in turn, in percent of the
// pattern length (a pen-down length of 0 is a dot).
const std::vector<double> kPatterns[8] = {
    {0, 100},                         // 1 . . .
    {50, 50},                         // 2 ---   ---
    {70, 30},                         // 3 -----  -----
    {80, 10, 0, 10},                  // 4 ------ . ------ .
    {70, 10, 10, 10},                 // 5 ----- - ----- -
    {50, 10, 10, 10, 10, 10},         // 6 ---- - - ---- - -
    {70, 10, 0, 10, 0, 10},           // 7 ----- . . ----- . .
    {50, 10, 0, 10, 10, 10, 0, 10}};  // 8 ---- . - . ---- . - .

// The pattern length of IN: 4 percent of the diagonal.
constexpr double kDefaultLength = 4;
// UL takes up to twenty lengths.
constexpr std::size_t kMostGaps = 20;

}  // namespace

void Interpreter::line_type_instruction(const Instruction& in) {
    const std::vector<double>& v = in.numbers;
    if (in.name == "UL") {
        if (v.empty()) {
            user_patterns_.clear();
        } else if (const int index = static_cast<int>(std::abs(v[0])); index >= 1 && index <= 8) {
            std::vector<double> gaps;
            for (std::size_t k = 1; k < v.size() && gaps.size() < kMostGaps; ++k)
                gaps.push_back(std::max(0.0, v[k]));
            // A pattern without length is no pattern: the default comes back.
            if (std::accumulate(gaps.begin(), gaps.end(), 0.0) > 0) {
                user_patterns_[index] = gaps;
            } else {
                user_patterns_.erase(index);
            }
        }
        set_style();
        return;
    }
    // LT
    LineType next;
    if (v.empty()) {
        if (line_type_.type != 0 || line_type_.set) previous_line_type_ = line_type_;
        next = LineType{};
    } else if (static_cast<int>(v[0]) == 99) {
        if (line_type_.type != 0 || !previous_line_type_) return;
        next = *previous_line_type_;
    } else {
        const int type = static_cast<int>(v[0]);
        if (type < -8 || type > 8) return;  // a pattern no plotter has: ignored
        next.type = type;
        next.set = true;
        next.length = kDefaultLength;
        if (v.size() >= 2 && v[1] > 0) next.length = v[1];
        next.absolute = hpgl2_ && v.size() >= 3 && v[2] == 1;
    }
    line_type_ = next;
    set_style();
}

std::optional<DashPattern> Interpreter::dash_pattern() const {
    const int n = std::abs(line_type_.type);
    if (n < 1 || n > 8) return std::nullopt;
    const auto user = user_patterns_.find(n);
    const std::vector<double>& percent =
        user != user_patterns_.end() ? user->second : kPatterns[n - 1];
    const double sum = std::accumulate(percent.begin(), percent.end(), 0.0);
    const double pattern_length = line_type_.absolute ? line_type_.length * units_per_inch_ / 25.4
                                                      : line_type_.length / 100 * length(p2_ - p1_);
    if (!(sum > 0) || !(pattern_length > 0) || !std::isfinite(pattern_length)) return std::nullopt;
    DashPattern pattern;
    pattern.adaptive = line_type_.type < 0;
    for (const double p : percent) pattern.lengths.push_back(p / sum * pattern_length);
    return pattern;
}

}  // namespace tvk::host::plotfile
