// The configuration entry as a CAD host drives it: the model list, the
// configuration dialog, the per-colour tables, the plot limits and the save,
// gathered into a profile.
#pragma once

#include <string>
#include <vector>

#include "host/link/driver_connection.h"
#include "host/settings/profile.h"

namespace tvk::host {

// The model names, in the order of the definition file (request 20). The
// configuration entry must have been opened.
std::vector<std::string> model_names(DriverConnection& driver);

// The 1-based number of a model, its name compared without regard to case;
// 0 when there is none.
int model_number(const std::vector<std::string>& names, const std::string& name);

// Runs the dialog for a model (requests 21, 22, 23, 25, 44, 40, 47). Without
// `fresh` the dialog starts from the session's stored block. Throws
// DriverFailure when the driver refuses, Cancelled when the user cancels.
Profile configure_model(DriverConnection& driver, int number, const std::string& name, bool fresh);

}  // namespace tvk::host
