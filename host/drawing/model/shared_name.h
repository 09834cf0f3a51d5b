// A layer or line-type name stored once for the whole program: each path of
// a flattened drawing holds a small number instead of its own copy of the
// text (a large drawing has millions of paths and a handful of names).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tvk::host {

class SharedName {
  public:
    SharedName() : SharedName(std::string_view()) {}
    SharedName(std::string_view text);  // NOLINT: read and written as the text
    SharedName(const std::string& text) : SharedName(std::string_view(text)) {}
    SharedName(const char* text) : SharedName(std::string_view(text)) {}

    const std::string& str() const;
    operator const std::string&() const { return str(); }  // NOLINT
    friend bool operator==(SharedName a, SharedName b) { return a.id_ == b.id_; }

  private:
    uint32_t id_;
};

}  // namespace tvk::host
