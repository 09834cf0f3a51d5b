// tvkplot send: an existing plot file to the plotter's port, with the
// profile's line settings and flow control, the serial handshake strings
// first (a plot written to a file carries none), a progress bar, and the
// stall and stop handling of a plot.
#include <filesystem>

#include "host/commands/commands.h"
#include "host/commands/driver_host.h"
#include "host/host_error.h"
#include "host/link/host_services.h"
#include "host/ports/files.h"
#include "host/ports/port_output.h"
#include "host/settings/profile.h"
#include "host/ui/interrupt.h"
#include "host/ui/plot_report.h"

namespace tvk::host {
namespace {

// As the driver hands a plot over: in pieces of 128 bytes.
constexpr size_t kSlice = 128;

struct SendFileOptions {
    std::string stream;
    std::string port;
    std::string profile;
    std::optional<int> wait;
};

// The profile named, else that of the model configured last; else none.
std::optional<Profile> send_profile(const std::string& path) {
    if (!path.empty()) return open_profile(path);
    const std::string model = default_model();
    std::error_code ec;
    if (model.empty() || !std::filesystem::exists(default_profile_path(model), ec)) return {};
    return open_profile(default_profile_path(model));
}

int run_send(const SendFileOptions& o) {
    const std::string stream = read_whole_file(o.stream, "the plot file");
    const std::optional<Profile> profile = send_profile(o.profile);
    if (!profile) {
        std::fprintf(stderr,
                     "tvkplot: no profile: sending at 9600 baud, 8 data bits, no parity, 1 stop "
                     "bit, XON/XOFF (--profile FILE gives a plotter's settings)\n");
    }
    const SerialSettings line = profile ? profile->line : SerialSettings{};
    const int port_kind = profile ? profile->port_kind : 1;
    const int language = profile ? profile->language_index() : 1;
    const int deadline_ms = (o.wait ? *o.wait : kDefaultWaitSeconds) * 1000;

    InterruptWatch watch;
    std::unique_ptr<PortOutput> port = open_plotter_port(o.port, port_kind, line);
    if (profile && profile->status_queries) {
        std::string note;
        port = paced_by_status(std::move(port), note);
        if (!note.empty()) std::fprintf(stderr, "tvkplot: %s\n", note.c_str());
    }
    port->guard(stop_commands(language));
    const std::string bytes = (port_kind == 2 ? "" : handshake_strings(line.handshake)) + stream;
    size_t sent = 0;
    Written written = Written::kAll;
    {
        ProgressBar bar;
        port->notice = [&bar](const std::string& text) {
            bar.clear();
            std::fprintf(stderr, "tvkplot: %s\n", text.c_str());
        };
        while (sent < bytes.size() && written == Written::kAll) {
            const size_t count = std::min(kSlice, bytes.size() - sent);
            size_t done = 0;
            written = port->write(reinterpret_cast<const uint8_t*>(bytes.data()) + sent, count,
                                  done, deadline_ms);
            sent += done;
            // What waits in this machine's queue has not reached the port.
            const size_t queued = std::min(port->still_queued(), sent);
            bar.sending(sent - queued, bytes.size());
            bar.sent(sent - queued);
        }
        if (written == Written::kAll && !port->finish(deadline_ms)) {
            written = interrupt_requested() ? Written::kStopped : Written::kFailed;
        }
    }
    if (written != Written::kAll) {
        const bool stopped = written == Written::kStopped;
        std::fprintf(stderr, "tvkplot: %s\n",
                     break_off(*port, stopped, !stopped, sent, language).c_str());
        return stopped ? stop_exit_code() : kExitFailed;
    }
    std::printf("Sent %s to %s: %zu bytes.\n", o.stream.c_str(), port->name().c_str(),
                bytes.size());
    return 0;
}

}  // namespace

Command add_send_command(CLI::App& app, GlobalOptions& /*global*/) {
    auto o = std::make_shared<SendFileOptions>();
    CLI::App* command = app.add_subcommand("send", "Send a plot file to the plotter's port");
    command->add_option("stream", o->stream, "The plot file (as `tvkplot plot -o` writes it)")
        ->required()
        ->type_name("STREAM");
    command
        ->add_option("--port", o->port,
                     "The plotter's serial port (such as /dev/ttyUSB0), or tcp:HOST:PORT")
        ->required()
        ->type_name("DEVICE");
    command
        ->add_option("--profile", o->profile,
                     "The plotter profile with the line settings (default: that of the model "
                     "configured last)")
        ->type_name("FILE");
    add_wait_option(*command, o->wait);
    command->footer(
        "\nThe handshake strings of the profile's flow control go first, as at the start of a "
        "plot.\nExample:\n  tvkplot send part.plt --port /dev/ttyUSB0 --profile hg700.toml");
    return {command, [o] { return run_send(*o); }};
}

}  // namespace tvk::host
