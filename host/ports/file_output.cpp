// Plot output to a file (written as OUT.part, renamed on success), to
// standard output, or (an existing device) to the device as it stands.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "host/host_error.h"
#include "host/ports/files.h"
#include "host/ports/port_output.h"
#include "host/ui/interrupt.h"

namespace tvk::host {
namespace {

class FileOutput : public PortOutput {
  public:
    explicit FileOutput(std::string path) : path_(std::move(path)), part_(part_path(path_)) {
        check_can_write(path_, "the plot");
        file_ = std::fopen(part_.c_str(), "wb");
        if (file_ == nullptr) {
            throw HostError("cannot write the plot " + path_ + ": " + std::strerror(errno));
        }
        remove_on_interrupt(part_);
    }
    ~FileOutput() override { discard(); }

    Written write(const uint8_t* bytes, size_t count, size_t& done, int /*deadline_ms*/) override {
        done = file_ != nullptr ? std::fwrite(bytes, 1, count, file_) : 0;
        if (done == count) return Written::kAll;
        failure_ = std::strerror(errno);
        return Written::kFailed;
    }
    bool finish(int /*deadline_ms*/) override {
        if (file_ == nullptr) return false;
        const bool written = std::fclose(file_) == 0;
        file_ = nullptr;
        remove_on_interrupt("");
        if (written && std::rename(part_.c_str(), path_.c_str()) == 0) {
            finished_ = true;
            return true;
        }
        failure_ = std::strerror(errno);
        std::remove(part_.c_str());
        return false;
    }
    std::string failure() const override { return failure_; }
    std::string name() const override { return path_; }

  protected:
    void discard() override {
        if (finished_) return;
        if (file_ != nullptr) std::fclose(file_);
        file_ = nullptr;
        std::remove(part_.c_str());
        remove_on_interrupt("");
        finished_ = true;  // nothing left to discard
    }

  private:
    std::string path_;
    std::string part_;
    std::FILE* file_ = nullptr;
    bool finished_ = false;
    std::string failure_;
};

// Standard output.
class StreamOutput : public PortOutput {
  public:
    StreamOutput(std::FILE* stream, std::string name) : stream_(stream), name_(std::move(name)) {}

    Written write(const uint8_t* bytes, size_t count, size_t& done, int /*deadline_ms*/) override {
        done = std::fwrite(bytes, 1, count, stream_);
        if (done == count) return Written::kAll;
        failure_ = std::strerror(errno);
        return Written::kFailed;
    }
    bool finish(int /*deadline_ms*/) override {
        if (std::fflush(stream_) == 0) return true;
        failure_ = std::strerror(errno);
        return false;
    }
    std::string failure() const override { return failure_; }
    std::string name() const override { return name_; }

  private:
    std::FILE* stream_;
    std::string name_;
    std::string failure_;
};

}  // namespace

std::unique_ptr<PortOutput> open_file_output(const std::string& path) {
    // A device (a printer port, /dev/null) is written as it stands: never
    // replaced by a file.
    if (is_device(path)) return open_device_output(path);
    return std::make_unique<FileOutput>(path);
}

std::unique_ptr<PortOutput> open_stdout_output() {
    return std::make_unique<StreamOutput>(stdout, "standard output");
}

}  // namespace tvk::host
