#include "host/link/driver_connection.h"

namespace tvk::host {
namespace {

constexpr int16_t kAutocadHost = 1;
constexpr uint8_t kHostRelease = 2;
constexpr int16_t kInterfaceLevel = 3;
constexpr size_t kHostPathBytes = 90;
constexpr size_t kLanguageBytes = 8;

}  // namespace

DriverConnection::DriverConnection(const std::string& library_path, HostSession& session)
    : session_(session), pause_watch_(session) {
    set_current_session(&session_);
    set_pause_watch(&pause_watch_);
    library_ = std::make_unique<DriverLibrary>(library_path, service_table());
}

DriverConnection::~DriverConnection() {
    set_current_session(nullptr);
    set_pause_watch(nullptr);
}

void DriverConnection::call(EntryKind entry, Record& record) {
    set_current_session(&session_);
    set_pause_watch(&pause_watch_);
    pause_watch_.enter();
    if (entry == EntryKind::kConfig) {
        library_->call_config(record);
    } else {
        library_->call_plot(record);
    }
    pause_watch_.leave();
}

void DriverConnection::start(EntryKind entry, const std::string& host_path,
                             const std::string& language) {
    Record init(49);
    init.set_i16(4, kAutocadHost).set_u8(7, kHostRelease).set_text(168, host_path, kHostPathBytes);
    call(entry, init);
    if (init.i16(10) != 0) throw DriverFailure("the driver did not accept this host");

    Record lang(50);
    lang.set_text(8, language, kLanguageBytes);
    call(entry, lang);

    Record open(entry == EntryKind::kConfig ? 11 : 29);
    open.set_i16(4, kInterfaceLevel);
    call(entry, open);
    if (open.status() != 0) throw DriverFailure("the driver could not open the plotter definition");
}

}  // namespace tvk::host
