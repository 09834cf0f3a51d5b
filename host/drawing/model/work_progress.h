// Long work on a drawing (reading it, flattening it, ordering its paths)
// says how far it has come, and learns there whether the user asked it to
// stop. The work calls step() often (at least every few milliseconds of
// work, cheaply); an implementation may throw from step() to stop the work
// (the program throws its Ctrl-C exception), so the work keeps nothing
// half-changed that the caller could see.
#pragma once

#include <cstdint>

namespace tvk::host {

class WorkProgress {
  public:
    virtual ~WorkProgress() = default;
    // `phase` names the work ("Reading", "Ordering", ...): `done` of `total`
    // units of it (bytes read, paths ordered); total 0 when unknown.
    virtual void step(const char* phase, std::uint64_t done, std::uint64_t total) = 0;
};

// Progress that nobody watches: for tests, benchmarks and library callers.
class NoProgress final : public WorkProgress {
  public:
    void step(const char*, std::uint64_t, std::uint64_t) override {}
};

}  // namespace tvk::host
