#include "printer/device_output.h"

#include "host/ui/interrupt.h"

namespace tvk::printer {

DeviceOutput::DeviceOutput(pappl_job_t* job, pappl_device_t* device, std::string uri)
    : job_(job),
      device_(device),
      uri_(std::move(uri)),
      on_line_(uri_.rfind("serial:", 0) == 0 || uri_.rfind("socket:", 0) == 0) {}

host::Written DeviceOutput::write(const uint8_t* bytes, size_t count, size_t& done,
                                  int /*deadline_ms*/) {
    done = 0;
    if (papplJobIsCanceled(job_)) {
        host::request_interrupt();
        return host::Written::kStopped;
    }
    if (count == 0) return host::Written::kAll;
    if (papplDeviceWrite(device_, bytes, count) != static_cast<ssize_t>(count)) {
        failure_ = "the device " + uri_ + " took no more bytes";
        return host::Written::kFailed;
    }
    done = count;
    return host::Written::kAll;
}

std::string DeviceOutput::read_reply(size_t max, int /*timeout_ms*/) {
    papplDeviceFlush(device_);
    std::string reply;
    char c = 0;
    while (reply.size() < max && papplDeviceRead(device_, &c, 1) == 1 && c != '\r') reply += c;
    return reply;
}

bool DeviceOutput::finish(int /*deadline_ms*/) {
    papplDeviceFlush(device_);
    if (papplJobIsCanceled(job_)) {
        host::request_interrupt();
        return false;
    }
    return true;
}

std::string DeviceOutput::abandon(const std::string& closing) {
    if (closing.empty()) return {};
    papplDeviceWrite(device_, closing.data(), closing.size());
    papplDeviceFlush(device_);
    return "the plotter was told to lift its pen";
}

}  // namespace tvk::printer
