// Reading and writing the user's files whole, with messages that name the
// file and say why. A file is written as FILE.part and renamed when complete,
// so that a failure never leaves a file that looks finished.
#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace tvk::host {

// `what` names the file's role in messages: "the plot", "the preview", ...
// Throws HostError when the file cannot be read.
std::string read_whole_file(const std::string& path, const std::string& what);

// Throws HostError when `path` could not be written: it is a directory, or
// its directory is missing or not writable. Checked before long work starts.
void check_can_write(const std::string& path, const std::string& what);

// Writes FILE.part with `write` and renames it to FILE; throws HostError (or
// what `write` throws), leaving neither.
void write_file(const std::string& path, const std::string& what,
                const std::function<void(std::ostream&)>& write);
// The same with `content`.
void write_whole_file(const std::string& path, const std::string& content, const std::string& what);

// An existing file that is not a regular file or a directory (a device, a
// pipe): written as it stands, never through FILE.part and a rename.
bool is_device(const std::string& path);

// The temporary name a file is written under until it is complete.
inline std::string part_path(const std::string& path) {
    return path + ".part";
}

}  // namespace tvk::host
