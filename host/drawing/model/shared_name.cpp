#include "host/drawing/model/shared_name.h"

#include <deque>
#include <map>
#include <mutex>

namespace tvk::host {
namespace {

// Names are only ever added: a reference to one stays valid (a deque keeps
// its elements in place as it grows).
struct NameTable {
    std::mutex mutex;
    std::deque<std::string> names;
    std::map<std::string, uint32_t, std::less<>> ids;
};

NameTable& table() {
    static NameTable* t = new NameTable;  // never destroyed: names outlive every static
    return *t;
}

}  // namespace

SharedName::SharedName(std::string_view text) {
    // Paths come in runs of the same layer and line type.
    thread_local std::string last_text;
    thread_local uint32_t last_id = UINT32_MAX;
    if (last_id != UINT32_MAX && text == last_text) {
        id_ = last_id;
        return;
    }
    NameTable& t = table();
    {
        const std::lock_guard lock(t.mutex);
        const auto it = t.ids.find(text);
        if (it != t.ids.end()) {
            id_ = it->second;
        } else {
            id_ = static_cast<uint32_t>(t.names.size());
            t.names.emplace_back(text);
            t.ids.emplace(t.names.back(), id_);
        }
    }
    last_text.assign(text);
    last_id = id_;
}

const std::string& SharedName::str() const {
    NameTable& t = table();
    const std::lock_guard lock(t.mutex);
    return t.names[id_];
}

}  // namespace tvk::host
