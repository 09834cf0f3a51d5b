// Where the player stands: its own executable's path, which a CAD host would
// hand the driver as the host path, and copying the definition file beside it.
#pragma once

#include <string>

namespace tvk::player {

std::string executable_path();
// Everything up to and including the last path separator; empty without one.
std::string directory_of(const std::string& path);
// The library name the player loads when none is given: beside the executable.
std::string default_driver_path();
bool change_directory(const std::string& directory);

}  // namespace tvk::player
