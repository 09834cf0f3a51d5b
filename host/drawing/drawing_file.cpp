#include "host/drawing/drawing_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "host/drawing/model/drawing.h"

namespace tvk::host {
namespace {

std::ifstream open(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw DrawingError(path + ": is a directory, not a drawing");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw DrawingError(path + ": cannot open: " + std::strerror(errno));
    return in;
}

void check_read(const std::ifstream& in, const std::string& path) {
    if (in.bad()) throw DrawingError(path + ": cannot read: " + std::strerror(errno));
}

}  // namespace

std::string read_drawing_file(const std::string& path, WorkProgress& progress) {
    std::ifstream in = open(path);
    constexpr size_t kPiece = size_t{1} << 22;
    std::string contents;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec) contents.reserve(size + kPiece);
    while (in) {
        progress.step("Reading", contents.size(), ec ? 0 : size);
        const size_t at = contents.size();
        contents.resize(at + kPiece);
        in.read(contents.data() + at, static_cast<std::streamsize>(kPiece));
        contents.resize(at + static_cast<size_t>(in.gcount()));
    }
    check_read(in, path);
    return contents;
}

std::string read_drawing_head(const std::string& path, std::size_t size) {
    std::ifstream in = open(path);
    std::string head(size, '\0');
    in.read(head.data(), static_cast<std::streamsize>(size));
    head.resize(static_cast<size_t>(in.gcount()));
    check_read(in, path);
    return head;
}

}  // namespace tvk::host
