#include "host/drawing/svg/conditional.h"

#include <cctype>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <vector>

namespace tvk::host {

namespace {

std::optional<std::string> own(const xmlNode* node, const char* name) {
    xmlChar* v = xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name));
    if (!v) return std::nullopt;
    std::string s = reinterpret_cast<const char*>(v);
    xmlFree(v);
    return s;
}

std::string primary(std::string tag) {
    tag = tag.substr(0, tag.find_first_of("-_."));
    for (char& c : tag) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tag;
}

bool holds(const xmlNode* node, const std::string& language) {
    if (const auto ext = own(node, "requiredExtensions")) return false;
    if (const auto langs = own(node, "systemLanguage")) {
        std::string list = *langs;
        for (char& c : list) c = c == ',' ? ' ' : c;
        std::istringstream words(list);
        for (std::string w; words >> w;)
            if (primary(w) == primary(language)) return true;
        return false;
    }
    return true;
}

}  // namespace

std::string user_language() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        // The C locale (C, C.UTF-8, POSIX) names no language.
        if (v && *v && primary(v) != "c" && primary(v) != "posix") return v;
    }
    return "en";
}

void resolve_switches(xmlNode* root, const std::string& language) {
    std::vector<xmlNode*> stack{root};
    while (!stack.empty()) {
        xmlNode* node = stack.back();
        stack.pop_back();
        const bool is_switch =
            xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>("switch")) == 0;
        bool chosen = false;
        for (xmlNode* c = node->children; c;) {
            xmlNode* next = c->next;
            if (c->type == XML_ELEMENT_NODE) {
                if ((is_switch && chosen) || !holds(c, language)) {
                    xmlUnlinkNode(c);
                    xmlFreeNode(c);
                } else {
                    chosen = chosen || is_switch;
                    stack.push_back(c);
                }
            }
            c = next;
        }
    }
}

}  // namespace tvk::host
