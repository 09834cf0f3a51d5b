// Runs the built tvkplot program as a user would: with arguments, an
// environment of its own (a private configuration directory), and either
// plain pipes or a pseudo-terminal that answers its prompts.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tvk::host_test {

// A private directory for one test, removed with it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    void write(const std::string& name, const std::string& content) const;

  private:
    std::string path_;
};

std::string read_file(const std::string& path);
bool file_exists(const std::string& path);

struct Outcome {
    int exit_code = -1;
    std::string out;
    std::string err;
};

// tvkplot with the arguments; standard input is empty (not a terminal), and
// XDG_CONFIG_HOME is `config_home`.
Outcome run_tvkplot(const std::vector<std::string>& args, const std::string& config_home);

// tvkplot on a pseudo-terminal, as typed at.
class TerminalSession {
  public:
    TerminalSession(const std::vector<std::string>& args, const std::string& config_home);
    ~TerminalSession();
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    // Reads until `text` has appeared after what earlier waits consumed;
    // false when the program ended or 20 seconds passed first.
    bool wait_for(const std::string& text);
    void type(const std::string& keys);
    // A signal sent to the program, as from another shell.
    void signal(int number);
    // Answers every prompt with Enter until the program ends; its exit code.
    int finish_with_defaults();
    int wait_exit();
    const std::string& screen() const { return screen_; }

  private:
    bool read_some(int timeout_ms);
    bool ended();

    int master_ = -1;
    int pid_ = -1;
    std::optional<int> status_;
    std::string screen_;
    size_t consumed_ = 0;
};

}  // namespace tvk::host_test
