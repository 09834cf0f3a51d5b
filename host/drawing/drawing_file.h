// A drawing file's bytes, read for every kind of drawing alike.
#pragma once

#include <cstddef>
#include <string>

#include "host/drawing/model/work_progress.h"

namespace tvk::host {

// The whole file, in large pieces: as fast as the disk gives them, with the
// bytes read reported to `progress` (which may stop it by throwing) between.
// Throws DrawingError naming the file when it cannot be read.
std::string read_drawing_file(const std::string& path, WorkProgress& progress);

// Its first `size` bytes (fewer when it is shorter), to tell its kind.
std::string read_drawing_head(const std::string& path, std::size_t size);

}  // namespace tvk::host
