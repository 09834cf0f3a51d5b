// Texts that live as long as the program: PAPPL 1.3 keeps the pointers to a
// job's name, user and format that papplJobCreateWithFile is given, without
// a copy, for the whole life of the job.
#pragma once

#include <string>

namespace tvk::printer {

// The same text, kept once for the program's life (a set of distinct texts:
// as many as the distinct job names, users and formats it has seen).
const char* lasting_text(const std::string& text);

}  // namespace tvk::printer
