#include "printer/device_schemes.h"

#include <fcntl.h>
#include <pappl/pappl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tvk::printer {
namespace {

struct StreamFile {
    int fd = -1;
};

bool list_none(pappl_device_cb_t, void*, pappl_deverror_cb_t, void*) {
    return false;
}

// file:///path: the file holds the stream of the last job sent to it.
bool open_stream_file(pappl_device_t* device, const char* device_uri, const char* /*name*/) {
    char scheme[32], userpass[256], host[256], resource[1024];
    int port = 0;
    if (httpSeparateURI(HTTP_URI_CODING_ALL, device_uri, scheme, sizeof scheme, userpass,
                        sizeof userpass, host, sizeof host, &port, resource,
                        sizeof resource) < HTTP_URI_STATUS_OK ||
        resource[0] != '/') {
        papplDeviceError(device, "Bad file URI \"%s\".", device_uri);
        return false;
    }
    auto* file = new StreamFile;
    file->fd = open(resource, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file->fd < 0) {
        papplDeviceError(device, "Unable to open \"%s\": %s", resource, std::strerror(errno));
        delete file;
        return false;
    }
    papplDeviceSetData(device, file);
    return true;
}

void close_stream_file(pappl_device_t* device) {
    auto* file = static_cast<StreamFile*>(papplDeviceGetData(device));
    if (file == nullptr) return;
    close(file->fd);
    delete file;
    papplDeviceSetData(device, nullptr);
}

ssize_t read_nothing(pappl_device_t*, void*, size_t) {
    return 0;
}

ssize_t write_stream_file(pappl_device_t* device, const void* buffer, size_t bytes) {
    auto* file = static_cast<StreamFile*>(papplDeviceGetData(device));
    const auto* at = static_cast<const char*>(buffer);
    size_t left = bytes;
    while (left > 0) {
        const ssize_t n = ::write(file->fd, at, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            papplDeviceError(device, "Unable to write: %s", std::strerror(errno));
            return -1;
        }
        at += n;
        left -= static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(bytes);
}

pappl_preason_t status_none(pappl_device_t*) {
    return PAPPL_PREASON_NONE;
}

}  // namespace

void add_device_schemes() {
    papplDeviceAddScheme("file", PAPPL_DEVTYPE_FILE, list_none, open_stream_file, close_stream_file,
                         read_nothing, write_stream_file, status_none, nullptr);
}

}  // namespace tvk::printer
