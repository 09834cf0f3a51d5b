// An XML document parsed from memory in pieces, as a stream is: libxml2
// refuses to look more than 10 MB back into one buffer, which a large SVG
// (a map, a plot of many thousand shapes) read whole would need.
#pragma once

#include <libxml/tree.h>

#include <string_view>

namespace tvk::host {

// The document, or null when it is not well-formed (xmlGetLastError() says
// why). `options` are libxml2's parser options.
xmlDocPtr parse_xml_document(std::string_view contents, int options);

}  // namespace tvk::host
