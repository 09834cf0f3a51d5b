// The groups of one DXF entity or table entry as they stand in the file.
#pragma once

#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "host/drawing/model/upper_case.h"

namespace tvk::host {

// One group: its text is a view into the file's contents, which outlive the
// reading; the number is parsed once, as the group is checked.
struct Group {
    int code = 0;
    std::string_view text;
    // The value of a group whose code holds a number; NaN for any other.
    double number = std::numeric_limits<double>::quiet_NaN();

    double real() const {
        if (!std::isnan(number)) return number;
        // A number in a group of text (a handle, a name): as far as it reads.
        double value = 0;
        std::string_view s = text;
        while (!s.empty() && (s.front() == ' ' || s.front() == '+')) s.remove_prefix(1);
        std::from_chars(s.data(), s.data() + s.size(), value);
        return value;
    }
    // Whole numbers as the integer they are; fractions cut toward zero, and
    // numbers beyond an int held at its limits.
    int integer() const {
        double v = real();
        if (!(v > INT_MIN)) return INT_MIN;
        if (!(v < INT_MAX)) return INT_MAX;
        return static_cast<int>(v);
    }
};

// Looked up by code: the first group of a code counts.
struct Groups {
    std::vector<Group> groups;

    const Group* find(int code) const {
        for (const Group& g : groups)
            if (g.code == code) return &g;
        return nullptr;
    }
    bool has(int code) const { return find(code) != nullptr; }
    double real(int code, double fallback) const {
        const Group* g = find(code);
        return g ? g->real() : fallback;
    }
    int integer(int code, int fallback) const {
        const Group* g = find(code);
        return g ? g->integer() : fallback;
    }
    std::string text(int code, const std::string& fallback = {}) const {
        const Group* g = find(code);
        return g ? std::string(g->text) : fallback;
    }

    // The last group of a code: the fields of an entity (its points, sizes,
    // angles, flags and name) are taken so, as readers that keep one value
    // per code take them, and a later group overrides an earlier one.
    const Group* find_last(int code) const {
        for (auto g = groups.rbegin(); g != groups.rend(); ++g)
            if (g->code == code) return &*g;
        return nullptr;
    }
    double last_real(int code, double fallback) const {
        const Group* g = find_last(code);
        return g ? g->real() : fallback;
    }
    int last_integer(int code, int fallback) const {
        const Group* g = find_last(code);
        return g ? g->integer() : fallback;
    }
    std::string last_text(int code) const {
        const Group* g = find_last(code);
        return g ? std::string(g->text) : std::string();
    }
};

}  // namespace tvk::host
