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
    // A name stays where it is once added: each thread keeps the names it
    // has looked up (a plot asks for the layer and line type of every path)
    // and takes the lock only for one it has not.
    struct Seen {
        uint32_t id_plus_one;  // 0: none
        const std::string* name;
    };
    constexpr uint32_t kSeen = 64;
    thread_local Seen seen[kSeen];
    Seen& s = seen[id_ % kSeen];
    if (s.id_plus_one == id_ + 1) return *s.name;
    NameTable& t = table();
    const std::lock_guard lock(t.mutex);
    s = {id_ + 1, &t.names[id_]};
    return *s.name;
}

}  // namespace tvk::host
