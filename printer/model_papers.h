// The papers a plotter model offers, as its driver gives them: the names
// from its paper menu, and each paper's size from the plot limits the
// driver reports when that paper is chosen. Each paper also carries its
// IPP media name: a standard PWG name where the size is a standard one, a
// custom name after the paper otherwise.
#pragma once

#include <string>
#include <vector>

#include "host/commands/commands.h"
#include "host/settings/profile.h"

namespace tvk::printer {

struct Paper {
    int number = 0;    // in the driver's menu, from 1; 0: the model has no list (its largest area)
    std::string name;  // as the menu shows it
    double width_mm = 0, height_mm = 0;
    std::string media;  // the IPP media name, unique among the model's papers
};

// The papers of the profile's model in the profile's plotter language; the
// largest area alone (number 0) when the model has no list for it. Throws
// DriverFailure or HostError when the driver fails.
std::vector<Paper> model_papers(const host::GlobalOptions& global, int model_number,
                                const host::Profile& profile);

// The paper of the list that is the profile's own (its size), or nullptr.
const Paper* profile_paper(const std::vector<Paper>& papers, const host::Profile& profile);

// The paper a job's media names: by media name, else by size (either way
// round) in hundredths of millimetres; nullptr when the list has none.
const Paper* paper_for_media(const std::vector<Paper>& papers, const std::string& media, int width,
                             int length);

// The PWG media name of a paper of that size in millimetres: a standard
// name where the size matches one, else a custom one named after `paper`.
std::string media_name(double width_mm, double height_mm, const std::string& paper);

}  // namespace tvk::printer
