#include "program.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace tvk::host_test {
namespace {

std::vector<char*> argv_of(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

std::vector<std::string> full_args(const std::vector<std::string>& args) {
    std::vector<std::string> all{TVKPLOT_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    return all;
}

int exit_code_of(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
}

}  // namespace

TempDir::TempDir() {
    // Lower case, as tvkplot.def paths must be for the driver.
    char pattern[] = "/tmp/tvkhostappXXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempDir::write(const std::string& name, const std::string& content) const {
    std::ofstream(file(name), std::ios::binary) << content;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool file_exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

Outcome run_tvkplot(const std::vector<std::string>& args, const std::string& config_home) {
    std::vector<std::string> all = full_args(args);
    auto argv = argv_of(all);
    int out_pipe[2], err_pipe[2];
    if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], STDERR_FILENO);
    setenv("XDG_CONFIG_HOME", config_home.c_str(), 1);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out_pipe[1]);
    close(err_pipe[1]);
    if (rc != 0) throw std::runtime_error("posix_spawn");

    Outcome o;
    // Both pipes are read as they fill, so that neither blocks the program.
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        poll(fds, 2, -1);
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buf[65536];
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                (i == 0 ? o.out : o.err).append(buf, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    o.exit_code = exit_code_of(status);
    return o;
}

TerminalSession::TerminalSession(const std::vector<std::string>& args,
                                 const std::string& config_home) {
    std::vector<std::string> all = full_args(args);
    setenv("XDG_CONFIG_HOME", config_home.c_str(), 1);
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ < 0) throw std::runtime_error("forkpty");
    if (pid_ == 0) {
        auto argv = argv_of(all);
        execv(argv[0], argv.data());
        _exit(127);
    }
}

void TerminalSession::signal(int number) {
    kill(pid_, number);
}

TerminalSession::~TerminalSession() {
    if (!status_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    close(master_);
}

bool TerminalSession::ended() {
    int status = 0;
    if (!status_ && waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
    return status_.has_value();
}

bool TerminalSession::read_some(int timeout_ms) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0) return false;
    char buf[4096];
    const ssize_t n = read(master_, buf, sizeof buf);
    if (n <= 0) return false;
    screen_.append(buf, static_cast<size_t>(n));
    return true;
}

bool TerminalSession::wait_for(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        const size_t at = screen_.find(text, consumed_);
        if (at != std::string::npos) {
            consumed_ = at + text.size();
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (!read_some(100) && ended()) {
            // What an ended program wrote last is still to be read.
            if (!read_some(0)) return false;
        }
    }
}

void TerminalSession::type(const std::string& keys) {
    if (write(master_, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size())) {
        throw std::runtime_error("write to the terminal");
    }
}

int TerminalSession::finish_with_defaults() {
    while (wait_for(">: ")) type("\r");
    return wait_exit();
}

int TerminalSession::wait_exit() {
    // Reading on keeps the program from blocking on a full terminal. A program
    // still waiting after a minute is ended: the test fails instead of hanging.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!ended()) {
        read_some(50);
        if (std::chrono::steady_clock::now() > deadline) kill(pid_, SIGKILL);
    }
    while (read_some(0)) {
    }
    return exit_code_of(*status_);
}

}  // namespace tvk::host_test
