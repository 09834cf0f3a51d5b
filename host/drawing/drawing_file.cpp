#include "host/drawing/drawing_file.h"

#include <zlib.h>

#include <algorithm>
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

// A drawing unpacked from gzip grows no larger than this: a few kilobytes
// can hold gigabytes of zeros.
constexpr size_t kMaxUnpacked = size_t{1} << 31;

bool gzip_compressed(const std::string& bytes) {
    return bytes.size() >= 2 && bytes[0] == '\x1F' && bytes[1] == '\x8B';
}

// The gzip members of `packed` unpacked, up to `limit` bytes (more than
// that: a DrawingError naming the limit, unless `cut` lets it stop there).
std::string gunzip(const std::string& packed, const std::string& path, size_t limit, bool cut,
                   WorkProgress* progress) {
    z_stream z{};
    if (inflateInit2(&z, 15 + 32) != Z_OK) throw DrawingError(path + ": cannot unpack gzip");
    std::string out;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    size_t left = packed.size();
    constexpr size_t kPiece = size_t{1} << 20;
    int status = Z_OK;
    while (true) {
        if (z.avail_in == 0) {
            const size_t take = std::min<size_t>(left, 1u << 30);
            z.avail_in = static_cast<uInt>(take);
            left -= take;
        }
        const size_t at = out.size();
        out.resize(at + kPiece);
        z.next_out = reinterpret_cast<Bytef*>(out.data() + at);
        z.avail_out = static_cast<uInt>(kPiece);
        status = inflate(&z, Z_NO_FLUSH);
        out.resize(at + kPiece - z.avail_out);
        if (progress) progress->step("Unpacking", packed.size() - left - z.avail_in, packed.size());
        if (out.size() >= limit) {
            out.resize(limit);
            if (cut) break;
            inflateEnd(&z);
            throw DrawingError(path + ": unpacks to more than " + std::to_string(limit >> 20) +
                               " MiB");
        }
        if (status == Z_STREAM_END) {
            // Concatenated members, as gzip writes them with several inputs.
            if (z.avail_in == 0 && left == 0) break;
            if (inflateReset(&z) != Z_OK) break;
            continue;
        }
        if (status == Z_BUF_ERROR && z.avail_in == 0 && left == 0) {
            if (cut) break;
            inflateEnd(&z);
            throw DrawingError(path + ": gzip-compressed, and cut short: the file is incomplete");
        }
        if (status != Z_OK && status != Z_BUF_ERROR) {
            inflateEnd(&z);
            if (cut) return out;
            throw DrawingError(path + ": gzip-compressed, and damaged: " +
                               (z.msg ? z.msg : "cannot unpack it"));
        }
    }
    inflateEnd(&z);
    return out;
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
    // .svgz and gzip-compressed drawings are read as they unpack.
    if (gzip_compressed(contents)) return gunzip(contents, path, kMaxUnpacked, false, &progress);
    return contents;
}

std::string read_drawing_head(const std::string& path, std::size_t size) {
    std::ifstream in = open(path);
    std::string head(size, '\0');
    in.read(head.data(), static_cast<std::streamsize>(size));
    head.resize(static_cast<size_t>(in.gcount()));
    check_read(in, path);
    if (gzip_compressed(head)) {
        // The head of what it unpacks to: a piece of the file gives that.
        std::string packed(std::max<size_t>(size, 1 << 16), '\0');
        std::ifstream again = open(path);
        again.read(packed.data(), static_cast<std::streamsize>(packed.size()));
        packed.resize(static_cast<size_t>(again.gcount()));
        return gunzip(packed, path, size, true, nullptr);
    }
    return head;
}

}  // namespace tvk::host
