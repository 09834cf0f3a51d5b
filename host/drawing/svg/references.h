// References between elements of an SVG document: which <use> elements
// would draw themselves again, directly or through others.
#pragma once

#include <libxml/tree.h>

#include <map>
#include <set>
#include <string>

namespace tvk::host {

// The elements by id, the first of each id.
std::map<std::string, xmlNode*> ids_of(xmlNode* root);

// The <use> elements that lie on a cycle of references: a <use> whose
// target holds (or is) the <use> itself, or a <use> that reaches one through
// the targets of others. Browsers draw none of them.
std::set<const xmlNode*> recursive_uses(xmlNode* root, const std::map<std::string, xmlNode*>& ids);

// The id a <use> refers to (its href or xlink:href without the '#'), or "".
std::string use_target(const xmlNode* use);

}  // namespace tvk::host
