#include "printer_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tvk::printer_test {
namespace {

// The environment of the programs a test runs: its own temporary directory,
// and no runtime directory shared with the user's own printer application.
std::vector<std::string> test_environment(const TempDir& dir) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("TMPDIR=", 0) == 0 || entry.rfind("XDG_RUNTIME_DIR=", 0) == 0 ||
            entry.rfind("XDG_CONFIG_HOME=", 0) == 0)
            continue;
        env.push_back(entry);
    }
    env.push_back("TMPDIR=" + dir.path());
    env.push_back("XDG_CONFIG_HOME=" + dir.file("config"));
    // Under the sanitizers: what PAPPL's main loop and libcups keep until the
    // program ends is theirs, not a leak of ours.
    dir.write("lsan.supp", "leak:libpappl.so\nleak:libcups.so\n");
    env.push_back("LSAN_OPTIONS=suppressions=" + dir.file("lsan.supp"));
    return env;
}

int spawn(std::vector<std::string> args, const TempDir& dir, const std::string& out,
          const std::string& err) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = test_environment(dir);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + args[0]);
    return pid;
}

}  // namespace

int free_port() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t size = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    close(s);
    return ntohs(a.sin_port);
}

namespace {

bool accepts(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

void pause_a_little() {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

}  // namespace

Outcome run_program(const std::vector<std::string>& args, const TempDir& dir) {
    static int count = 0;
    const std::string out = dir.file("run" + std::to_string(++count) + ".out");
    const std::string err = dir.file("run" + std::to_string(count) + ".err");
    const int pid = spawn(args, dir, out, err);
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome o;
    o.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    o.out = host_test::read_file(out);
    o.err = host_test::read_file(err);
    return o;
}

PrinterServer::PrinterServer(const TempDir& dir) : dir_(dir), port_(free_port()) {}

PrinterServer::~PrinterServer() {
    if (pid_ > 0) kill_now();
}

void PrinterServer::start(const std::string& listen) {
    std::vector<std::string> args{PRINTER_PROGRAM,
                                  "server",
                                  "-o",
                                  "server-port=" + std::to_string(port_),
                                  "-o",
                                  "spool-directory=" + spool(),
                                  "-o",
                                  "log-file=" + dir_.file("server.log"),
                                  "-o",
                                  "log-level=debug",
                                  "-o",
                                  "listen-hostname=" + listen};
    if (!definition.empty()) args.insert(args.end(), {"--def", definition});
    pid_ = spawn(args, dir_, dir_.file("server.out"), dir_.file("server.err"));
    for (int i = 0; i < 300; ++i) {
        if (accepts(port_)) return;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("the server ended: " +
                                     host_test::read_file(dir_.file("server.err")));
        }
        pause_a_little();
    }
    throw std::runtime_error("the server did not listen on its port");
}

void PrinterServer::stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 300; ++i) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        pause_a_little();
    }
    kill_now();
}

void PrinterServer::kill_now() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::string PrinterServer::printer_uri(const std::string& name) const {
    return "ipp://localhost:" + std::to_string(port_) + "/ipp/print/" + name;
}

std::string PrinterServer::log() const {
    return host_test::read_file(dir_.file("server.log"));
}

Outcome PrinterServer::command(const std::vector<std::string>& args) const {
    // Through this server's own address: PAPPL's commands otherwise find a
    // server through one socket per user, which another server of the same
    // user (another test run on the machine) may hold.
    std::vector<std::string> all{PRINTER_PROGRAM};
    const std::string sub = args.empty() ? "" : args[0];
    const bool local = sub == "devices" || sub == "drivers" || sub == "server";
    for (size_t i = 0; i < args.size(); ++i) {
        if (!local && sub != "add" && args[i] == "-d" && i + 1 < args.size()) {
            all.insert(all.end(), {"-u", printer_uri(args[++i])});
            continue;
        }
        all.push_back(args[i]);
    }
    if (!local && std::find(all.begin(), all.end(), "-u") == all.end()) {
        all.insert(all.end(), {"-u", "ipp://localhost:" + std::to_string(port_)});
    }
    return run_program(all, dir_);
}

void PrinterServer::add_file_printer(const std::string& name, const std::string& model,
                                     const std::string& file) const {
    dir_.write(file.substr(dir_.path().size() + 1), "");
    const Outcome o = command({"add", "-d", name, "-v", "file://" + file, "-m", model});
    if (o.exit_code != 0) throw std::runtime_error("add " + name + ": " + o.err);
}

std::string PrinterServer::job_state(const std::string& printer, int job) const {
    const Outcome o = command({"jobs", "-d", printer});
    std::istringstream lines(o.out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        int id = 0;
        std::string state;
        if (words >> id >> state && id == job) return state;
    }
    return "";
}

std::string PrinterServer::wait_for_job(const std::string& printer, int job,
                                        const std::vector<std::string>& states,
                                        double seconds) const {
    std::string state;
    for (int i = 0; i < seconds * 10; ++i) {
        state = job_state(printer, job);
        for (const std::string& s : states) {
            if (state == s) return state;
        }
        // A server that ended (crashed) answers no more: no use waiting.
        if (ended()) return "the server ended: " + host_test::read_file(dir_.file("server.err"));
        pause_a_little();
    }
    return state;
}

bool PrinterServer::ended() const {
    siginfo_t info{};
    return pid_ > 0 &&
           waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid_;
}

namespace {

std::string job_request(const std::string& operation, int job, const std::string& expect) {
    return "{\n  OPERATION " + operation +
           "\n  GROUP operation-attributes-tag\n"
           "  ATTR charset attributes-charset utf-8\n"
           "  ATTR naturalLanguage attributes-natural-language en\n"
           "  ATTR uri printer-uri $uri\n  ATTR integer job-id " +
           std::to_string(job) +
           "\n  ATTR name requesting-user-name $user\n"
           "  STATUS successful-ok\n" +
           expect + "}\n";
}

}  // namespace

bool PrinterServer::wait_for_job_message(const std::string& printer, int job,
                                         const std::string& regex, double seconds) const {
    dir_.write("job-message.test",
               job_request("Get-Job-Attributes", job,
                           "  EXPECT job-state-message WITH-VALUE \"/" + regex + "/\"\n"));
    for (int i = 0; i < seconds * 10; ++i) {
        if (run_program({"ipptool", "-t", printer_uri(printer), dir_.file("job-message.test")},
                        dir_)
                .exit_code == 0)
            return true;
        pause_a_little();
    }
    return false;
}

bool PrinterServer::job_operation(const std::string& printer, int job,
                                  const std::string& operation) const {
    dir_.write("job-operation.test", job_request(operation, job, ""));
    return run_program({"ipptool", "-t", printer_uri(printer), dir_.file("job-operation.test")},
                       dir_)
               .exit_code == 0;
}

bool PrinterServer::wait_for_saved_printer(const std::string& name, double seconds) const {
    for (int i = 0; i < seconds * 10; ++i) {
        if (host_test::read_file(spool() + "/tvkplot-printer.state")
                .find("name=\"" + name + "\"") != std::string::npos)
            return true;
        pause_a_little();
    }
    return false;
}

std::string PrinterServer::profile(int printer_id) const {
    return spool() + "/printer-" + std::to_string(printer_id) + ".toml";
}

std::string PrinterServer::reference_plot(const std::string& drawing, int printer_id,
                                          const std::vector<std::string>& more) const {
    const std::string out = dir_.file("reference.plt");
    std::vector<std::string> args{TVKPLOT_PROGRAM,     "plot", drawing, "--profile",
                                  profile(printer_id), "-o",   out,     "--yes"};
    args.insert(args.end(), more.begin(), more.end());
    const Outcome o = run_program(args, dir_);
    EXPECT_EQ(o.exit_code, 0) << o.err;
    return host_test::read_file(out);
}

}  // namespace tvk::printer_test
