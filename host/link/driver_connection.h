// One loaded driver, bound to a host session, and the requests both entries
// serve alike: initialise (49), host language code (50) and open (11 or 29).
#pragma once

#include <memory>
#include <string>

#include "host/link/driver_library.h"
#include "host/link/host_services.h"
#include "host/link/pause_watch.h"
#include "host/link/record.h"

namespace tvk::host {

// The driver refused a request. It has shown the user why (through the
// host's screen); what() names the request for the program's own message.
struct DriverFailure : HostError {
    using HostError::HostError;
};

enum class EntryKind { kConfig, kPlot };

class DriverConnection {
  public:
    DriverConnection(const std::string& library_path, HostSession& session);
    ~DriverConnection();
    DriverConnection(const DriverConnection&) = delete;
    DriverConnection& operator=(const DriverConnection&) = delete;

    HostSession& session() { return session_; }
    void call(EntryKind entry, Record& record);

    // Initialise, host language code and open on one entry; throws
    // DriverFailure when the driver refuses.
    void start(EntryKind entry, const std::string& host_path, const std::string& language);

  private:
    HostSession& session_;
    PauseWatch pause_watch_;
    std::unique_ptr<DriverLibrary> library_;
};

}  // namespace tvk::host
