// The session transcript: one line per event, written in binary mode so that
// the Windows and the native player produce the same bytes. Nothing written
// here may depend on where things lie in memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tvk::player {

// Quotes bytes as a C string: printable ASCII as is, \n \r \t \e \" \\ by
// name, every other byte as \xNN.
std::string quoted(const void* bytes, std::size_t count);
std::string quoted(const std::string& text);

// "0a 1b ..." for count bytes.
std::string hex(const uint8_t* bytes, std::size_t count);

class Transcript {
  public:
    Transcript() = default;
    ~Transcript();
    Transcript(const Transcript&) = delete;
    Transcript& operator=(const Transcript&) = delete;

    bool open(const char* path);  // empty or "-": standard output
    void line(const std::string& text);
    // The bytes of after that differ from before, under their offsets.
    void changes(const uint8_t* before, const uint8_t* after, std::size_t size);

  private:
    std::FILE* file_ = nullptr;
    bool owned_ = false;
};

}  // namespace tvk::player
