#include "host/drawing/svg/references.h"

#include <algorithm>
#include <vector>

namespace tvk::host {

namespace {

bool is_use(const xmlNode* n) {
    return xmlStrcmp(n->name, reinterpret_cast<const xmlChar*>("use")) == 0;
}

}  // namespace

std::string use_target(const xmlNode* use) {
    for (const xmlAttr* a = use->properties; a; a = a->next) {
        if (xmlStrcmp(a->name, reinterpret_cast<const xmlChar*>("href")) != 0) continue;
        xmlChar* value = xmlNodeListGetString(use->doc, a->children, 1);
        std::string s = value ? reinterpret_cast<const char*>(value) : "";
        xmlFree(value);
        return s.size() > 1 && s[0] == '#' ? s.substr(1) : "";
    }
    return "";
}

std::map<std::string, xmlNode*> ids_of(xmlNode* root) {
    std::map<std::string, xmlNode*> ids;
    std::vector<xmlNode*> stack{root};
    while (!stack.empty()) {
        xmlNode* node = stack.back();
        stack.pop_back();
        if (xmlChar* id = xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>("id"))) {
            ids.emplace(reinterpret_cast<const char*>(id), node);
            xmlFree(id);
        }
        // Children pushed last to first: the first of an id in document order wins.
        std::vector<xmlNode*> children;
        for (xmlNode* c = node->children; c; c = c->next)
            if (c->type == XML_ELEMENT_NODE) children.push_back(c);
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    return ids;
}

// The graph whose edges run from each element to its children and from each
// <use> to its target: a tree with extra edges, so every cycle passes through
// a <use>. Its strongly connected components (Tarjan's, without recursion:
// drawings nest deeper than a stack) that have a cycle hold the recursive uses.
std::set<const xmlNode*> recursive_uses(xmlNode* root, const std::map<std::string, xmlNode*>& ids) {
    std::map<const xmlNode*, std::vector<const xmlNode*>> edges;
    std::vector<const xmlNode*> all;
    {
        std::vector<const xmlNode*> stack{root};
        while (!stack.empty()) {
            const xmlNode* n = stack.back();
            stack.pop_back();
            all.push_back(n);
            auto& out = edges[n];
            for (const xmlNode* c = n->children; c; c = c->next) {
                if (c->type != XML_ELEMENT_NODE) continue;
                out.push_back(c);
                stack.push_back(c);
            }
            if (is_use(n)) {
                if (auto it = ids.find(use_target(n)); it != ids.end()) out.push_back(it->second);
            }
        }
    }
    struct State {
        int index = -1, low = 0;
        bool on_stack = false;
    };
    std::map<const xmlNode*, State> state;
    std::vector<const xmlNode*> scc_stack;
    std::set<const xmlNode*> recursive;
    int next_index = 0;
    struct Frame {
        const xmlNode* node;
        size_t edge;
    };
    for (const xmlNode* start : all) {
        if (state[start].index >= 0) continue;
        std::vector<Frame> frames{{start, 0}};
        state[start] = {next_index, next_index, true};
        ++next_index;
        scc_stack.push_back(start);
        while (!frames.empty()) {
            Frame& f = frames.back();
            const auto& out = edges[f.node];
            if (f.edge < out.size()) {
                const xmlNode* w = out[f.edge++];
                State& sw = state[w];
                if (sw.index < 0) {
                    sw = {next_index, next_index, true};
                    ++next_index;
                    scc_stack.push_back(w);
                    frames.push_back({w, 0});
                } else if (sw.on_stack) {
                    State& sv = state[f.node];
                    sv.low = std::min(sv.low, sw.index);
                }
                continue;
            }
            const xmlNode* v = f.node;
            frames.pop_back();
            State& sv = state[v];
            if (!frames.empty()) {
                State& parent = state[frames.back().node];
                parent.low = std::min(parent.low, sv.low);
            }
            if (sv.low != sv.index) continue;
            std::vector<const xmlNode*> component;
            const xmlNode* w;
            do {
                w = scc_stack.back();
                scc_stack.pop_back();
                state[w].on_stack = false;
                component.push_back(w);
            } while (w != v);
            const bool self_loop = std::find(edges[v].begin(), edges[v].end(), v) != edges[v].end();
            if (component.size() > 1 || self_loop) {
                for (const xmlNode* n : component)
                    if (is_use(n)) recursive.insert(n);
            }
        }
    }
    return recursive;
}

}  // namespace tvk::host
