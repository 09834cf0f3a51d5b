// The driver as a CAD host binds it: the shared library loaded at run time,
// PLADI called with the host service table, and the two entries found in the
// information block it returns.
#pragma once

#include <string>

#include "host/host_error.h"
#include "host/link/record.h"

namespace tvk::host {

class DriverLibrary {
  public:
    // Loads the library and binds it to the service table (an array of
    // function addresses indexed by slot); throws HostError naming the path.
    DriverLibrary(const std::string& path, const void* const* services);
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    void call_config(Record& record) const { config_entry_(record.data()); }
    void call_plot(Record& record) const { plot_entry_(record.data()); }
    // The driver's description, the first text of the information block.
    const std::string& description() const { return description_; }

  private:
    using Entry = void (*)(void*);
    void* handle_ = nullptr;
    Entry config_entry_ = nullptr;
    Entry plot_entry_ = nullptr;
    std::string description_;
};

}  // namespace tvk::host
