// The host side of the driver's services: a real service table of 67 slots
// whose functions serve the current host session (screen and prompts, the
// plotter port, the kept configuration, the wait time and break requests).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "host/link/plot_answers.h"
#include "host/ports/port_output.h"
#include "host/ui/display_text.h"
#include "host/ui/terminal.h"

namespace tvk::host {

using StoredBlock = std::array<uint8_t, 24>;

// tvkplot's unit of the port wait time: handed with flag 1 (around a plot,
// the model's WAIT_TIME) it is in seconds, 0 meaning the default; with flag 0
// (the paper query's 3000) in milliseconds. `wait_seconds` (--wait) replaces
// what comes with flag 1.
constexpr int kDefaultWaitSeconds = 120;
int wait_milliseconds(int32_t wait, int32_t flag, std::optional<int> wait_seconds);

struct HostSession {
    HostSession(Terminal& t, const std::string& language) : terminal(t), display(language) {}

    Terminal& terminal;
    DisplayText display;                // the driver's texts as the terminal shows them
    PortOutput* port = nullptr;         // none outside a plot
    std::optional<StoredBlock> stored;  // what host_load_config delivers
    std::optional<StoredBlock> saved;   // the last block the driver asked to keep
    // The driver reads the definition file under a private name where the
    // user's does not suit it; its texts name the user's file instead.
    std::string definition_alias;  // empty: none
    std::string definition_file;
    PlotTimeDialog* dialog = nullptr;  // answers the plot-time questions while they run
    // The numbered menu printed since the last prompt ("   3. A4"): its
    // names by number, upper case, so that a name typed is taken too.
    std::map<std::string, int> menu;
    int menu_last = 0;  // the highest number shown

    // ---- what the services record ----
    bool keep_sent = true;            // keep the bytes sent (for a preview), or only count them
    std::string sent;                 // every byte sent to the port, in order, where kept
    size_t sent_bytes = 0;            // how many bytes were sent
    bool write_failed = false;        // a port write failed or was refused
    bool cancelled = false;           // the last prompt was cancelled
    bool skipped = false;             // the last prompt took its default
    int cancels = 0;                  // prompts cancelled so far
    bool break_asked = false;         // host_check_break was asked (the model has BREAK-ON)
    bool break_answered = false;      // host_check_break has answered 1
    int32_t wait = 0;                 // the port wait time as the driver handed it
    std::optional<int> wait_seconds;  // --wait, overriding the model's wait time
    // A write that takes nothing for this long fails.
    int write_deadline_ms = kDefaultWaitSeconds * 1000;
    // That of the last write: the wait time of the plot, which the drain
    // after it keeps (the end of the plot hands the driver's previous back).
    int last_deadline_ms = kDefaultWaitSeconds * 1000;
    int reply_timeout_ms = 3000;
    // Told the bytes sent so far after each write that reached the port.
    std::function<void(size_t)> on_sent;
};

// The table to hand to PLADI; its functions serve the session made current.
const void* const* service_table();
void set_current_session(HostSession* session);

}  // namespace tvk::host
