// tvkplot probe: asks the plotter on a port what it is and what it has (its
// identification, hard-clip limits and buffer size), tries whether the
// line's flow control really holds it on this adapter, and prints the
// profile's [port] section to use.
#include <chrono>
#include <thread>

#include "host/commands/commands.h"
#include "host/commands/driver_host.h"
#include "host/host_error.h"
#include "host/ports/line_port.h"
#include "host/ports/plotter_status.h"
#include "host/ports/port_output.h"
#include "host/settings/profile.h"
#include "host/ui/interrupt.h"

namespace tvk::host {
namespace {

constexpr int kReplyMs = 1500;
constexpr int kEmptyingMs = 10000;

struct ProbeOptions {
    std::string port;
    std::string profile;
    std::string handshake;  // empty: the profile's
    bool no_flow_test = false;
};

class Prober {
  public:
    explicit Prober(PortOutput& port) : port_(port) {}

    bool say(const std::string& bytes) {
        size_t done = 0;
        return port_.write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), done,
                           kReplyMs) == Written::kAll;
    }

    // The reply without its carriage return; empty where none came.
    std::string ask(const std::string& query) {
        if (!say(query)) return {};
        std::string reply = port_.read_reply(80, kReplyMs);
        while (!reply.empty() && (reply.back() == '\r' || reply.back() == '\n')) reply.pop_back();
        return reply;
    }

    std::optional<int> number(const std::string& query) { return reply_number(ask(query)); }

  private:
    PortOutput& port_;
};

// Text from a plotter shown as text: printable ASCII only.
std::string printable(const std::string& s) {
    std::string out;
    for (const char c : s) out += (c >= 0x20 && c < 0x7F) ? c : '?';
    return out;
}

// Sends twice the buffer of empty instructions at once and asks the plotter
// whether its buffer overflowed: the flow control held it, or did not.
std::string flow_test(Prober& p, int size, const std::string& flow) {
    if (!p.say(std::string(static_cast<size_t>(size) * 2, ';'))) {
        return flow + ": the plotter took nothing more after " + std::to_string(size) +
               " bytes (it holds the line, but did not empty its buffer)";
    }
    const auto start = std::chrono::steady_clock::now();
    while (elapsed_ms(start) < kEmptyingMs && !interrupt_requested()) {
        const std::optional<int> free = p.number("\x1b.B");
        if (!free || *free >= size) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const int error = p.number("\x1b.E").value_or(0);
    const int instruction = p.number("OE;").value_or(0);
    if (error == 16 || instruction == 7) {
        return flow +
               ": does NOT hold on this adapter (the plotter's buffer overflowed): pace by "
               "status (status = true)";
    }
    return flow + ": holds (" + std::to_string(size * 2) + " bytes sent at once, no overflow)";
}

int run_probe(const ProbeOptions& o) {
    Profile profile;
    if (!o.profile.empty()) profile = open_profile(o.profile);
    SerialSettings line = profile.line;
    if (!o.handshake.empty()) line.handshake = o.handshake == "hardware" ? 1 : 0;
    const int port_kind = o.profile.empty() ? 1 : profile.port_kind;

    InterruptWatch watch;
    const std::unique_ptr<PortOutput> port = open_plotter_port(o.port, port_kind, line);
    Prober p(*port);
    const std::string flow = line.handshake == 0 ? "XON/XOFF" : "RTS/CTS";
    if (port_kind != 2 && !p.say(handshake_strings(line.handshake))) {
        throw HostError("the plotter on " + o.port + " takes nothing: is it switched on?");
    }
    const std::string ident = p.ask("OI;");
    const std::string limits = p.ask("OH;");
    const std::optional<int> size = p.number("\x1b.L");
    const std::optional<int> status = p.number("\x1b.O");
    if (interrupt_requested()) return stop_exit_code();
    if (ident.empty() && limits.empty() && !size) {
        std::fprintf(stderr,
                     "tvkplot: nothing answered on %s: check the cable, that the plotter is "
                     "switched on, and the line settings (--profile FILE; here %d baud)\n",
                     o.port.c_str(), line.baud);
        return kExitFailed;
    }
    std::printf("Plotter on %s: %s\n", o.port.c_str(),
                ident.empty() ? "(no identification)" : printable(ident).c_str());
    if (!limits.empty())
        std::printf("  hard-clip limits: %s (plotter units)\n", printable(limits).c_str());
    if (size) {
        std::printf("  buffer: %d bytes\n", *size);
    } else {
        std::printf("  buffer: not told (no answer to ESC.L): pace by flow control alone\n");
    }
    if (status) {
        const std::string why = waiting_reason(*status);
        std::printf("  status: %s\n", why.empty() ? "ready" : why.c_str());
    }
    if (size && !o.no_flow_test && port_kind != 2) {
        std::printf("  %s\n", flow_test(p, *size, flow).c_str());
    }
    port->finish(kReplyMs);
    if (interrupt_requested()) return stop_exit_code();

    static const char* const kParities[] = {"none", "odd", "even"};
    std::printf(
        "\nThe profile's [port] section for it:\n\n[port]\nkind = \"%s\"\nbaud = %d\nparity = "
        "\"%s\"\ndata_bits = %d\nstop_bits = %d\nhandshake = \"%s\"\nstatus = %s\n",
        port_kind == 2 ? "other" : "serial", line.baud,
        kParities[line.parity >= 0 && line.parity <= 2 ? line.parity : 0], line.data_bits,
        line.stop_bits, line.handshake == 0 ? "xon/xoff" : "hardware", size ? "true" : "false");
    return 0;
}

}  // namespace

Command add_probe_command(CLI::App& app) {
    auto o = std::make_shared<ProbeOptions>();
    CLI::App* command =
        app.add_subcommand("probe", "Ask the plotter on a port what it is and what it has");
    command
        ->add_option("--port", o->port,
                     "The plotter's serial port (such as /dev/ttyUSB0), or tcp:HOST:PORT")
        ->required()
        ->type_name("DEVICE");
    command
        ->add_option("--profile", o->profile,
                     "A profile with the line settings (default: 9600 baud, 8N1, XON/XOFF)")
        ->type_name("FILE");
    command
        ->add_option("--handshake", o->handshake,
                     "The flow control to try (default: the profile's)")
        ->check(CLI::IsMember({"xon/xoff", "hardware"}));
    command->add_flag("--no-flow-test", o->no_flow_test,
                      "Do not try whether the flow control holds the plotter");
    command->footer(
        "\nAsks the identification (OI), the hard-clip limits (OH), the buffer size (ESC.L) and "
        "the status (ESC.O); then sends twice the buffer of empty instructions at once and asks "
        "whether the buffer overflowed. Prints the [port] section of a profile to use.\n"
        "Example:\n  tvkplot probe --port /dev/ttyUSB0");
    return {command, [o] { return run_probe(*o); }};
}

}  // namespace tvk::host
