// SVG's conditional processing: of the children of a <switch>, only the
// first whose conditions hold is drawn; elsewhere an element whose
// conditions fail is not drawn.
#pragma once

#include <libxml/tree.h>

#include <string>

namespace tvk::host {

// Removes the elements whose conditions fail, and from each <switch> every
// child but the first whose
// requiredExtensions (none is supported) and systemLanguage (`language`, a
// language tag such as "en" or "de-CH") conditions hold; requiredFeatures
// no longer counts, as in browsers.
void resolve_switches(xmlNode* root, const std::string& language);

// The user's language for systemLanguage: of LC_ALL, LC_MESSAGES or LANG,
// else "en".
std::string user_language();

}  // namespace tvk::host
