#include "printer/model_papers.h"

#include <cups/cups.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <exception>
#include <set>

#include "host/commands/driver_host.h"
#include "host/link/plot_setup.h"

namespace tvk::printer {
namespace {

constexpr double kMmPerInch = 25.4;
constexpr int kSameSize = 50;  // hundredths of a millimetre: sizes this close are one size

int hundredths(double mm) {
    return static_cast<int>(std::lround(mm * 100));
}

// The driver's texts go nowhere: only its menu and its limits are wanted.
class Nowhere {
  public:
    Nowhere() : file_(std::fopen("/dev/null", "w")) {}
    ~Nowhere() {
        if (file_ != nullptr) std::fclose(file_);
    }
    Nowhere(const Nowhere&) = delete;
    Nowhere& operator=(const Nowhere&) = delete;
    std::FILE* get() const { return file_ != nullptr ? file_ : stderr; }

  private:
    std::FILE* file_;
};

// One plot set-up of the profile with that answer to the paper menu: the
// limits, and the names of the menu's papers seen.
host::PlotLimits set_up(const host::GlobalOptions& global, int model_number,
                        const host::Profile& profile, const std::string& paper,
                        std::vector<std::string>* names) {
    const Nowhere nowhere;
    host::DriverHost host(global, nowhere.get(), false);
    host.models();
    host.session.stored = profile.stored;
    host.start(host::EntryKind::kPlot);
    host::select_model(host.driver, model_number, profile.max_line_type);
    host::PlotAnswers answers;
    answers.paper = paper;
    return host::set_up_plot(host.driver, host::kPlotToFile, answers, names);
}

bool same_size(const Paper& p, int width, int length) {
    const int w = hundredths(p.width_mm), h = hundredths(p.height_mm);
    return (std::abs(w - width) <= kSameSize && std::abs(h - length) <= kSameSize) ||
           (std::abs(w - length) <= kSameSize && std::abs(h - width) <= kSameSize);
}

std::string custom_media_name(double width_mm, double height_mm, const std::string& paper) {
    // A PWG name part: lower-case letters, digits and single hyphens.
    std::string name;
    for (const char c : paper) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (!name.empty() && name.back() != '-') {
            name += '-';
        }
    }
    while (!name.empty() && name.back() == '-') name.pop_back();
    char keyword[128];
    pwgFormatSizeName(keyword, sizeof keyword, "custom", name.empty() ? "plotter" : name.c_str(),
                      hundredths(std::min(width_mm, height_mm)),
                      hundredths(std::max(width_mm, height_mm)), "mm");
    return keyword;
}

}  // namespace

std::string media_name(double width_mm, double height_mm, const std::string& paper) {
    const int shorter = hundredths(std::min(width_mm, height_mm));
    const int longer = hundredths(std::max(width_mm, height_mm));
    // CUPS makes up a custom name for a size it does not know: ours names the paper.
    if (const pwg_media_t* pwg = pwgMediaForSize(shorter, longer);
        pwg != nullptr && std::string(pwg->pwg).rfind("custom_", 0) != 0) {
        return pwg->pwg;
    }
    return custom_media_name(width_mm, height_mm, paper);
}

std::vector<Paper> model_papers(const host::GlobalOptions& global, int model_number,
                                const host::Profile& profile) {
    // A paper no menu has makes the questions look through every page.
    std::vector<std::string> names;
    try {
        set_up(global, model_number, profile, "\x01", &names);
    } catch (const std::exception&) {
        // Refused, as meant: the names are what was wanted.
    }
    std::vector<Paper> papers;
    std::set<std::string> taken;
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i].empty()) continue;
        Paper p;
        p.number = static_cast<int>(i + 1);
        p.name = names[i];
        const host::PlotLimits limits =
            set_up(global, model_number, profile, std::to_string(p.number), nullptr);
        p.width_mm = limits.area_x * kMmPerInch;
        p.height_mm = limits.area_y * kMmPerInch;
        // Two papers of one size (ANSI-A and Letter): the second by its own name.
        p.media = media_name(p.width_mm, p.height_mm, p.name);
        if (taken.count(p.media) != 0) p.media = custom_media_name(p.width_mm, p.height_mm, p.name);
        taken.insert(p.media);
        papers.push_back(p);
    }
    if (papers.empty()) {
        // No list: the largest area the profile records stands for one.
        Paper p;
        p.name = profile.model;
        p.width_mm = profile.area_x * kMmPerInch;
        p.height_mm = profile.area_y * kMmPerInch;
        p.media = media_name(p.width_mm, p.height_mm, p.name);
        papers.push_back(p);
    }
    return papers;
}

const Paper* profile_paper(const std::vector<Paper>& papers, const host::Profile& profile) {
    const int width = hundredths(profile.area_x * kMmPerInch);
    const int height = hundredths(profile.area_y * kMmPerInch);
    // The stored paper number, where it is one of that size; else the first of that size.
    const auto number = static_cast<int>(profile.stored[20] | profile.stored[21] << 8 |
                                         profile.stored[22] << 16 | profile.stored[23] << 24);
    for (const Paper& p : papers) {
        if (p.number == number && same_size(p, width, height)) return &p;
    }
    for (const Paper& p : papers) {
        if (same_size(p, width, height)) return &p;
    }
    return nullptr;
}

const Paper* paper_for_media(const std::vector<Paper>& papers, const std::string& media, int width,
                             int length) {
    for (const Paper& p : papers) {
        if (!media.empty() && p.media == media) return &p;
    }
    if (width <= 0 || length <= 0) return nullptr;
    for (const Paper& p : papers) {
        if (same_size(p, width, length)) return &p;
    }
    return nullptr;
}

}  // namespace tvk::printer
