// The host's text screen and its prompts. Texts from the driver are written
// as data. Each prompt shows its default, and Enter takes it; end of input or
// Esc cancels; Ctrl-C cancels and asks the command to stop; after either no
// later prompt is asked (each is cancelled at once); an answer out of range
// asks again. A terminal that
// is not interactive (standard input not a terminal, or --yes) takes every
// default and shows it after the prompt.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace tvk::host {

class Terminal {
  public:
    Terminal(std::FILE* screen, bool interactive) : screen_(screen), interactive_(interactive) {}

    std::FILE* screen() const { return screen_; }
    // Called before any text is shown (to take a progress bar off the line);
    // null for none.
    void set_before_print(std::function<void()> hook) { before_print_ = std::move(hook); }
    bool interactive() const { return interactive_; }
    void set_interactive(bool interactive) { interactive_ = interactive; }
    void print(const std::string& text);
    // While held, texts are kept back instead of shown; release() shows them,
    // drop() forgets them.
    void hold() { holding_ = true; }
    void release();
    void drop();

    // Each answer, or none when the user cancelled. `current` is the default;
    // one outside the range is brought into it.
    std::optional<int> ask_number(const std::string& prompt, int current, int low, int high);
    // A choice of 1 (yes) or 2 (no) that also takes Y and N.
    std::optional<int> ask_yes_no_number(const std::string& prompt, int current);
    std::optional<bool> ask_yes_no(const std::string& prompt, bool current);
    // Names the next number question also takes, each for its number (any case).
    void set_choice_names(std::map<std::string, int> names) { names_ = std::move(names); }
    // True when the last answer was the default taken by Enter alone.
    bool took_default() const { return took_default_; }
    // True once the user has cancelled a prompt.
    bool cancelled() const { return cancelled_; }
    // As if the user had cancelled: an answer the command line gave was refused.
    void cancel() { cancelled_ = true; }

  private:
    enum class Input { kLine, kCancel, kInterrupt };
    // One line typed on the terminal, with echo and backspace.
    Input read_line(std::string& line);
    std::optional<std::string> ask(const std::string& prompt, const std::string& shown_default);
    std::optional<int> ask_in_range(const std::string& prompt, int current, int low, int high,
                                    bool yes_no);

    std::FILE* screen_;
    bool interactive_;
    bool took_default_ = false;
    bool cancelled_ = false;
    std::map<std::string, int> names_;
    bool at_line_start_ = true;
    bool holding_ = false;
    std::string held_;
    std::function<void()> before_print_;
};

}  // namespace tvk::host
