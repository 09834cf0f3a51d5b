// A failure of the host program itself (library, files, ports), reported to
// the user with its message and a non-zero exit code.
#pragma once

#include <stdexcept>

namespace tvk::host {

struct HostError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The command line asks for something that cannot be done (exit code 2).
struct UsageError : HostError {
    using HostError::HostError;
};

// The user cancelled a question that the command cannot go on without.
struct Cancelled : HostError {
    using HostError::HostError;
};

}  // namespace tvk::host
