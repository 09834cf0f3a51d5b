// Sets of paths joined one pair at a time (union-find), as the ordering and
// its bounds group paths that meet.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <vector>

namespace tvk::host {

class DisjointSets {
  public:
    explicit DisjointSets(size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0u); }
    // The set's smallest member, which stands for it.
    uint32_t find(uint32_t x) {
        while (parent_[x] != x) x = parent_[x] = parent_[parent_[x]];
        return x;
    }
    // Joins the two sets; false when they were one already.
    bool unite(uint32_t a, uint32_t b) {
        a = find(a), b = find(b);
        if (a == b) return false;
        parent_[std::max(a, b)] = std::min(a, b);
        return true;
    }

  private:
    std::vector<uint32_t> parent_;
};

}  // namespace tvk::host
