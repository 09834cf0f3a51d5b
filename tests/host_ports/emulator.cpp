#include "emulator.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tvk::host_test {
namespace {

int spawn(std::vector<std::string> args, const std::string& out, int* pipe_out) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    int fds[2] = {-1, -1};
    if (pipe_out != nullptr) {
        if (pipe(fds) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    posix_spawn_file_actions_adddup2(&actions, pipe_out ? STDERR_FILENO : STDOUT_FILENO,
                                     STDERR_FILENO);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (pipe_out != nullptr) {
        close(fds[1]);
        *pipe_out = fds[0];
    }
    if (rc != 0) throw std::runtime_error("posix_spawn " + args[0]);
    return pid;
}

int exit_code_of(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

double seconds_now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long Received::number(const std::string& key) const {
    const auto it = report.find(key);
    return it == report.end() ? -1 : std::atol(it->second.c_str());
}

Emulator::Emulator(const TempDir& dir, const std::vector<std::string>& args)
    : prefix_(dir.file("plotter")) {
    std::vector<std::string> all{EMULATOR_PROGRAM, "--out", prefix_};
    all.insert(all.end(), args.begin(), args.end());
    int out = -1;
    pid_ = spawn(all, "", &out);
    std::string line;
    char c = 0;
    while (read(out, &c, 1) == 1 && c != '\n') line.push_back(c);
    close(out);
    if (line.rfind("READY ", 0) != 0) throw std::runtime_error("emulator: " + line);
    port_ = line.substr(6);
}

Emulator::~Emulator() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

size_t Emulator::received_so_far() const {
    return read_file(prefix_ + ".bin").size();
}

std::string Emulator::received() const {
    return read_file(prefix_ + ".bin");
}

Received Emulator::stop() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    Received r;
    r.bytes = read_file(prefix_ + ".bin");
    std::istringstream report(read_file(prefix_ + ".txt"));
    std::string key, value;
    while (report >> key >> value) r.report[key] = value;
    return r;
}

Background::Background(const TempDir& dir, const std::vector<std::string>& args)
    : out_(dir.file("tvkplot.out")) {
    std::vector<std::string> all{TVKPLOT_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    pid_ = spawn(all, out_, nullptr);
}

Background::~Background() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void Background::interrupt() {
    kill(pid_, SIGINT);
}

void Background::signal(int number) {
    kill(pid_, number);
}

bool Background::stopped() const {
    const std::string stat = read_file("/proc/" + std::to_string(pid_) + "/stat");
    const size_t paren = stat.rfind(')');
    return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'T';
}

int Background::wait(double seconds) {
    const double end = seconds_now() + seconds;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) != pid_) {
        if (seconds_now() > end) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
    return exit_code_of(status);
}

std::string Background::output() const {
    return read_file(out_);
}

}  // namespace tvk::host_test
