// A copy of pen paths at a few bytes a point, for a plan that may have to be
// put back: each coordinate as its difference from the point before, in as
// few bytes as it needs.
#pragma once

#include <cstdint>
#include <vector>

#include "host/plotting/ordering/ordering.h"

namespace tvk::host {

class PackedPaths {
  public:
    explicit PackedPaths(const std::vector<PenPath>& paths);
    std::vector<PenPath> unpack() const;

  private:
    std::vector<uint8_t> bytes_;
    size_t count_ = 0;
};

}  // namespace tvk::host
