#include "printer/lasting_text.h"

#include <mutex>
#include <set>

namespace tvk::printer {

const char* lasting_text(const std::string& text) {
    static std::mutex lock;
    static std::set<std::string> texts;
    const std::lock_guard held(lock);
    return texts.insert(text).first->c_str();
}

}  // namespace tvk::printer
