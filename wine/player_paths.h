// Where the player stands: its own executable's path, which it hands the
// driver as the host path, as a CAD host hands its own.
#pragma once

#include <string>

namespace tvk::player {

std::string executable_path();
// Everything up to and including the last path separator; empty without one.
std::string directory_of(const std::string& path);
// The library name the player loads when none is given: beside the executable.
std::string default_driver_path();

}  // namespace tvk::player
