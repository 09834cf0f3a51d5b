#include "printer/device_output.h"

#include "host/ui/interrupt.h"
#include "printer/device_schemes.h"
#include "printer/interrupted_jobs.h"

namespace tvk::printer {

DeviceOutput::DeviceOutput(pappl_job_t* job, pappl_device_t* device, std::string uri)
    : job_(job),
      device_(device),
      uri_(std::move(uri)),
      on_line_(uri_.rfind("serial:", 0) == 0 || uri_.rfind("socket:", 0) == 0),
      line_(plotter_port(device, uri_)),
      hash_(stream_hash(nullptr, 0)) {}

void DeviceOutput::restart_count() {
    written_ = 0;
    hash_ = stream_hash(nullptr, 0);
}

void DeviceOutput::add_written(const uint8_t* bytes, size_t done) {
    if (done == 0) return;
    written_ += done;
    hash_ = stream_hash(bytes, done, hash_);
    if (on_written) on_written(written_, hash_);
}

host::Written DeviceOutput::write(const uint8_t* bytes, size_t count, size_t& done,
                                  int deadline_ms) {
    done = 0;
    if (papplJobIsCanceled(job_)) {
        host::request_interrupt();
        return host::Written::kStopped;
    }
    if (line_ != nullptr) {
        const host::Written result = line_->write(bytes, count, done, deadline_ms);
        add_written(bytes, done);
        return result;
    }
    if (count == 0) return host::Written::kAll;
    if (papplDeviceWrite(device_, bytes, count) != static_cast<ssize_t>(count)) {
        failure_ = "the device " + uri_ + " took no more bytes";
        return host::Written::kFailed;
    }
    done = count;
    add_written(bytes, done);
    return host::Written::kAll;
}

std::string DeviceOutput::read_reply(size_t max, int timeout_ms) {
    if (line_ != nullptr) return line_->read_reply(max, timeout_ms);
    papplDeviceFlush(device_);
    std::string reply;
    char c = 0;
    while (reply.size() < max && papplDeviceRead(device_, &c, 1) == 1 && c != '\r') reply += c;
    return reply;
}

bool DeviceOutput::finish(int deadline_ms) {
    if (line_ != nullptr) {
        if (line_->finish(deadline_ms)) return true;
        failure_ = line_->failure();
        return false;
    }
    papplDeviceFlush(device_);
    if (papplJobIsCanceled(job_)) {
        host::request_interrupt();
        return false;
    }
    return true;
}

std::string DeviceOutput::abandon(const std::string& closing) {
    if (line_ != nullptr) return line_->abandon(closing);
    if (closing.empty()) return {};
    papplDeviceWrite(device_, closing.data(), closing.size());
    papplDeviceFlush(device_);
    return "the plotter was told to lift its pen";
}

}  // namespace tvk::printer
