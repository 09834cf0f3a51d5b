#include "host/drawing/svg/xml_document.h"

#include <libxml/parser.h>

#include <algorithm>

namespace tvk::host {

xmlDocPtr parse_xml_document(std::string_view contents, int options) {
    // A piece at a time, so that the parser lets go of what it has read.
    constexpr size_t kPiece = 1 << 20;
    xmlParserCtxtPtr ctxt = xmlCreatePushParserCtxt(nullptr, nullptr, nullptr, 0, nullptr);
    if (!ctxt) return nullptr;
    xmlCtxtUseOptions(ctxt, options);
    size_t at = 0;
    do {
        const size_t n = std::min(kPiece, contents.size() - at);
        const bool last = at + n == contents.size();
        if (xmlParseChunk(ctxt, contents.data() + at, static_cast<int>(n), last ? 1 : 0) != 0 &&
            !ctxt->wellFormed)
            break;
        at += n;
    } while (at < contents.size());
    xmlDocPtr doc = ctxt->myDoc;
    if (!ctxt->wellFormed || at < contents.size()) {
        xmlFreeDoc(doc);
        doc = nullptr;
    }
    ctxt->myDoc = nullptr;
    xmlFreeParserCtxt(ctxt);
    return doc;
}

}  // namespace tvk::host
