#include "host/link/host_services.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <utility>

#include "host/link/pause_watch.h"
#include "host/ui/interrupt.h"

namespace tvk::host {
namespace {

HostSession* session = nullptr;

HostSession& current() {
    if (PauseWatch* watch = pause_watch()) watch->service_called();
    return *session;
}

// A text of the driver, in its language's code page, as the terminal shows it;
// the private name of the definition file given as the user's.
std::string shown(const char* text) {
    HostSession& s = current();
    std::string out = s.display.to_utf8(text);
    if (!s.definition_alias.empty()) {
        for (size_t at = 0; (at = out.find(s.definition_alias, at)) != std::string::npos;) {
            out.replace(at, s.definition_alias.size(), s.definition_file);
            at += s.definition_file.size();
        }
    }
    return out;
}

void after_prompt(bool cancelled) {
    HostSession& s = current();
    s.cancelled = cancelled;
    s.skipped = cancelled || s.terminal.took_default();
    if (cancelled) ++s.cancels;
}

bool write_bytes(const void* bytes, size_t count) {
    HostSession& s = current();
    if (count == 0) return true;
    if (s.port == nullptr || s.write_failed) {
        s.write_failed = true;
        return false;
    }
    // After Ctrl-C nothing more reaches the port, yet the bytes count as
    // taken: the driver's break check (or, without one, the host's cancel)
    // ends the plot as stopped, not as a port that failed.
    if (interrupt_requested()) return true;
    s.last_deadline_ms = s.write_deadline_ms;
    size_t done = 0;
    const Written written =
        s.port->write(static_cast<const uint8_t*>(bytes), count, done, s.write_deadline_ms);
    if (s.keep_sent) s.sent.append(static_cast<const char*>(bytes), done);
    s.sent_bytes += done;
    if (done > 0 && s.on_sent) s.on_sent(s.sent_bytes);
    if (written == Written::kFailed) {
        s.write_failed = true;
        return false;
    }
    return true;
}

// Lines of a numbered menu ("   12. A4"), remembered until the prompt.
void note_menu(HostSession& s, const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        size_t i = line.find_first_not_of(' ');
        if (i == std::string::npos || !std::isdigit(static_cast<unsigned char>(line[i]))) continue;
        int number = 0;
        while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])) &&
               number < 1000)
            number = number * 10 + (line[i++] - '0');
        if (i + 1 >= line.size() || line[i] != '.' || line[i + 1] != ' ') continue;
        std::string name = line.substr(i + 2);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\r')) name.pop_back();
        while (!name.empty() && name.front() == ' ') name.erase(0, 1);
        if (name.empty()) continue;
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        s.menu[name] = number;
        s.menu_last = std::max(s.menu_last, number);
    }
}

// ---- the services, in slot order ----

int32_t input_cancelled() {
    return current().cancelled ? 1 : 0;
}

int32_t ask_port(const char* text, int32_t port_kind, int32_t /*extra*/) {
    Terminal& t = current().terminal;
    t.print("\nPort of the " + shown(text) + ":\n    1 - Serial port\n" +
            "    2 - Parallel port, or a port without serial line settings\n");
    const auto answer = t.ask_number("Select the number ", port_kind == 2 ? 2 : 1, 1, 2);
    after_prompt(!answer);
    return answer.value_or(port_kind);
}

// An answer of the command line, shown and given as the user's (or the
// question cancelled, when the answer is not one the question allows).
void answered(const char* prompt, int answer, bool cancel) {
    HostSession& s = current();
    s.cancelled = cancel;
    s.skipped = cancel;
    if (cancel) {
        // The questions left are not asked: the plot is refused.
        s.terminal.cancel();
        return;
    }
    std::string text = shown(prompt);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    s.terminal.print(text + ": " + std::to_string(answer) + "\n");
}

int32_t ask_number(const char* prompt, int32_t* value, int32_t max) {
    if (PlotTimeDialog* d = current().dialog) {
        int answer = *value;
        bool cancel = false;
        if (d->number(max, answer, cancel)) {
            answered(prompt, answer, cancel);
            if (!cancel) *value = answer;
            return *value;
        }
    }
    const auto answer = current().terminal.ask_number(shown(prompt), *value, 0, std::max(max, 0));
    after_prompt(!answer);
    if (answer) *value = *answer;
    return *value;
}

// The driver asks a yes/no question at plot time as a choice of two numbers
// under this fixed text; Y and N are taken there as at its other yes/no
// questions.
constexpr const char* kNumberedYesNo = "  YES - 1  NO - 2";

int32_t ask_choice(const char* prompt, int32_t low, int32_t high, int32_t* value) {
    if (PlotTimeDialog* d = current().dialog) {
        int answer = *value;
        bool cancel = false;
        if (d->choice(prompt, low, high, answer, cancel)) {
            answered(prompt, answer, cancel);
            if (!cancel) *value = answer;
            return *value;
        }
    }
    HostSession& s = current();
    Terminal& t = s.terminal;
    std::string text = shown(prompt);
    if (!s.menu.empty()) {
        // A menu shown a page at a time: say what the page leaves out, and
        // take a name typed as well as its number.
        if (high > s.menu_last && text.find(" to ") == std::string::npos) {
            text += "(" + std::to_string(low) + " to " + std::to_string(high) +
                    "; more: type a number beyond " + std::to_string(s.menu_last) + ") ";
        }
        t.set_choice_names(std::move(s.menu));
    }
    s.menu.clear();
    s.menu_last = 0;
    const auto answer = std::strcmp(prompt, kNumberedYesNo) == 0 && low == 1 && high == 2
                            ? t.ask_yes_no_number(text, *value)
                            : t.ask_number(text, *value, low, std::max(low, high));
    after_prompt(!answer);
    if (answer) *value = *answer;
    return *value;
}

int32_t print(const char* text) {
    HostSession& s = current();
    // Once a plot-time question is cancelled, the texts of the questions
    // the driver goes on through are not shown: none of them is asked.
    if (s.dialog && s.terminal.cancelled()) return 0;
    const std::string utf8 = shown(text);
    note_menu(s, utf8);
    if (current().dialog) current().dialog->printed(utf8);
    current().terminal.print(utf8);
    if (PauseWatch* watch = pause_watch()) watch->driver_printed();
    return 0;
}

int32_t input_skipped() {
    return current().skipped ? 1 : 0;
}

int32_t send_direct(const char* text) {
    return write_bytes(text, std::strlen(text)) ? 1 : 0;
}

int32_t check_break() {
    current().break_asked = true;
    if (!interrupt_requested()) return 0;
    current().break_answered = true;
    return 1;
}

int32_t ask_yes_no(const char* prompt, int32_t default_yes) {
    const auto answer = current().terminal.ask_yes_no(shown(prompt), default_yes == 1);
    after_prompt(!answer);
    return answer.value_or(default_yes == 1) ? 1 : 0;
}

int32_t write_port(int32_t, int32_t, const void* bytes, int32_t count, int32_t) {
    return write_bytes(bytes, static_cast<size_t>(std::max(count, 0))) ? 1 : 0;
}

int32_t load_config(int32_t length, void* block) {
    const auto& stored = current().stored;
    if (!stored || length != static_cast<int32_t>(stored->size())) return 1;
    std::memcpy(block, stored->data(), stored->size());
    return 0;
}

int32_t save_config(int32_t length, const void* block) {
    StoredBlock kept{};
    if (length != static_cast<int32_t>(kept.size())) return 1;
    std::memcpy(kept.data(), block, kept.size());
    current().saved = kept;
    return 0;
}

int32_t set_wait(int32_t wait, int32_t flag) {
    HostSession& s = current();
    s.write_deadline_ms = wait_milliseconds(wait, flag, s.wait_seconds);
    return std::exchange(s.wait, wait);
}

int32_t reply_read(int32_t /*handle*/, char* buffer, int32_t length) {
    if (length <= 0) return 0;
    HostSession& s = current();
    // The reply and its terminating zero fit in `length` bytes.
    const size_t max = static_cast<size_t>(length) - 1;
    const std::string reply = s.port ? s.port->read_reply(max, s.reply_timeout_ms) : std::string();
    std::memcpy(buffer, reply.data(), reply.size());
    buffer[reply.size()] = '\0';
    return static_cast<int32_t>(reply.size());
}

// The first of the three is the time for the whole reply, in milliseconds.
int32_t reply_setup(int32_t /*handle*/, int32_t /*kind*/, int32_t* three) {
    if (three[0] > 0) current().reply_timeout_ms = three[0];
    return 0;
}

int32_t reply_open(int32_t /*kind*/) {
    return 1;
}

template <typename Fn>
const void* address(Fn fn) {
    return reinterpret_cast<const void*>(fn);
}

const std::array<const void*, 67> table = [] {
    std::array<const void*, 67> t{};
    t[0] = address(&input_cancelled);
    t[19] = address(&ask_port);
    t[24] = address(&ask_number);
    t[25] = address(&ask_choice);
    t[28] = address(&print);
    t[31] = address(&input_skipped);
    t[35] = address(&send_direct);
    t[38] = address(&check_break);
    t[39] = address(&ask_yes_no);
    t[40] = address(&write_port);
    t[44] = address(&load_config);
    t[45] = address(&save_config);
    t[48] = address(&set_wait);
    t[53] = address(&reply_read);
    t[63] = address(&reply_setup);
    t[66] = address(&reply_open);
    return t;
}();

}  // namespace

int wait_milliseconds(int32_t wait, int32_t flag, std::optional<int> wait_seconds) {
    if (flag == 0) return wait > 0 ? wait : kDefaultWaitSeconds * 1000;
    if (wait_seconds) return *wait_seconds * 1000;
    return (wait > 0 ? std::min(wait, INT32_MAX / 1000) : kDefaultWaitSeconds) * 1000;
}

const void* const* service_table() {
    return table.data();
}

void set_current_session(HostSession* s) {
    session = s;
}

}  // namespace tvk::host
