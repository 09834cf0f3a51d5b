#include "host/ui/terminal.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <utility>

#include "host/ui/interrupt.h"

namespace tvk::host {
namespace {

constexpr unsigned char kEscape = 27;
constexpr unsigned char kCtrlC = 3;
constexpr unsigned char kCtrlD = 4;

// Keys are read one at a time without echo, so that Esc cancels at once; Ctrl-C
// arrives as a key, not as a signal, while a prompt waits.
class RawMode {
  public:
    RawMode() {
        active_ = tcgetattr(STDIN_FILENO, &saved_) == 0;
        if (!active_) return;
        termios raw = saved_;
        raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ISIG));
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
    ~RawMode() {
        if (active_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    }
    RawMode(const RawMode&) = delete;
    RawMode& operator=(const RawMode&) = delete;

  private:
    termios saved_{};
    bool active_ = false;
};

bool input_within(int milliseconds) {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    return poll(&p, 1, milliseconds) > 0;
}

bool read_key(unsigned char& c) {
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, &c, 1);
        if (n == 1) return true;
        if (n < 0 && errno == EINTR) continue;
        return false;
    }
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return s;
}

std::optional<int> parse_int(const std::string& s) {
    int v = 0;
    const char* end = s.data() + s.size();
    const auto [ptr, ec] = std::from_chars(s.data() + (s.starts_with('+') ? 1 : 0), end, v);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return v;
}

}  // namespace

void Terminal::print(const std::string& text) {
    if (text.empty()) return;
    at_line_start_ = text.back() == '\n';
    if (holding_) {
        held_ += text;
        return;
    }
    if (before_print_) before_print_();
    std::fputs(text.c_str(), screen_);
    std::fflush(screen_);
}

void Terminal::release() {
    holding_ = false;
    print(std::exchange(held_, {}));
}

void Terminal::drop() {
    holding_ = false;
    held_.clear();
}

Terminal::Input Terminal::read_line(std::string& line) {
    unsigned char c = 0;
    while (read_key(c)) {
        if (c == '\r' || c == '\n') return Input::kLine;
        if (c == kCtrlC) return Input::kInterrupt;
        if (c == kCtrlD && line.empty()) return Input::kCancel;
        if (c == kEscape) {
            // A lone Esc cancels; the keys that send escape sequences (arrows,
            // function keys) send the rest at once, and are ignored.
            if (!input_within(30)) return Input::kCancel;
            while (input_within(5) && read_key(c)) {
            }
            continue;
        }
        if (c == 127 || c == '\b') {
            if (!line.empty()) {
                line.pop_back();
                print("\b \b");
            }
            continue;
        }
        if (c >= 32 && c < 127) {
            line.push_back(static_cast<char>(c));
            print(std::string(1, static_cast<char>(c)));
        }
    }
    return Input::kCancel;  // end of input
}

std::optional<std::string> Terminal::ask(const std::string& prompt,
                                         const std::string& shown_default) {
    // After Ctrl-C or a cancel nothing more is asked: the command stops.
    if (interrupt_requested() || cancelled_) return std::nullopt;
    if (!at_line_start_ && !prompt.starts_with('\n')) print("\n");
    const bool spaced = prompt.empty() || prompt.back() == ' ' || prompt.back() == '\n';
    const std::string shown = prompt + (spaced ? "<" : " <") + shown_default + ">: ";
    if (!interactive_) {
        print(shown + shown_default + "\n");
        return std::string();
    }
    // Keys are read one by one from before the prompt shows, so that each key
    // typed at it counts as typed. Keys pressed earlier (Enter to cut short
    // the driver's pause after a message) are not answers to it.
    RawMode raw;
    tcflush(STDIN_FILENO, TCIFLUSH);
    print(shown);
    std::string line;
    const Input input = read_line(line);
    if (input != Input::kLine) {
        print(" *Cancel*\n");
        cancelled_ = true;
        if (input == Input::kInterrupt) request_interrupt();
        return std::nullopt;
    }
    // Enter alone shows the default it took, as the transcript of --yes does.
    print((trimmed(line).empty() ? shown_default : "") + "\n");
    return trimmed(line);
}

std::optional<int> Terminal::ask_number(const std::string& prompt, int current, int low, int high) {
    return ask_in_range(prompt, current, low, high, false);
}

std::optional<int> Terminal::ask_yes_no_number(const std::string& prompt, int current) {
    return ask_in_range(prompt, current, 1, 2, true);
}

std::optional<int> Terminal::ask_in_range(const std::string& prompt, int current, int low, int high,
                                          bool yes_no) {
    current = std::clamp(current, low, high);
    const std::map<std::string, int> names = std::move(names_);
    names_.clear();
    for (;;) {
        const auto answer = ask(prompt, std::to_string(current));
        if (!answer) return std::nullopt;
        took_default_ = answer->empty();
        if (took_default_) return current;
        if (yes_no) {
            const std::string word = lower(*answer);
            if (word == "y" || word == "yes") return 1;
            if (word == "n" || word == "no") return 2;
        }
        const auto value = parse_int(*answer);
        if (value && *value >= low && *value <= high) return value;
        std::string name = *answer;
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (const auto it = names.find(name); it != names.end()) return it->second;
        print("Please enter a number from " + std::to_string(low) + " to " + std::to_string(high) +
              (yes_no ? ", or Y or N" : "") + ".\n");
    }
}

std::optional<bool> Terminal::ask_yes_no(const std::string& prompt, bool current) {
    for (;;) {
        const auto answer = ask(prompt + "(Y/N) ", current ? "Y" : "N");
        if (!answer) return std::nullopt;
        took_default_ = answer->empty();
        if (took_default_) return current;
        const std::string word = lower(*answer);
        if (word == "y" || word == "yes") return true;
        if (word == "n" || word == "no") return false;
        print("Please answer Y or N.\n");
    }
}

}  // namespace tvk::host
