// The files a command reads and writes must be distinct: an output that is
// the input, or another output of the same run, would destroy the user's
// file or the other output.
#pragma once

#include <string>
#include <vector>

namespace tvk::host {

struct FileRole {
    std::string path;  // empty: none (standard output, an option not given)
    std::string role;  // as messages name it: "the drawing", "the preview (--preview)"
};

// Throws UsageError naming both when an output is one of the inputs or
// another output. Files that exist are compared by device and inode (so that
// links and other spellings of a name are found), others by their absolute,
// normalised path.
void check_distinct_files(const std::vector<FileRole>& inputs,
                          const std::vector<FileRole>& outputs);

}  // namespace tvk::host
