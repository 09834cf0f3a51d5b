// tvkplot-printer's server as a user starts it: on a free loopback port,
// with its spool directory, log and command socket in a test's directory;
// and the programs run against it (its own commands, ipptool, tvkplot).
#pragma once

#include <string>
#include <vector>

#include "program.h"

namespace tvk::printer_test {

using host_test::Outcome;
using host_test::TempDir;

// A program run to its end with the test's environment (TMPDIR: the test's
// directory, where the printer application run by a user other than root
// keeps its command socket).
Outcome run_program(const std::vector<std::string>& args, const TempDir& dir);

// A loopback port nothing listens on.
int free_port();

class PrinterServer {
  public:
    explicit PrinterServer(const TempDir& dir);
    ~PrinterServer();
    PrinterServer(const PrinterServer&) = delete;
    PrinterServer& operator=(const PrinterServer&) = delete;

    // `listen`: the host names it listens on (its -o listen-hostname).
    void start(const std::string& listen = "localhost");
    // The plotter definition file it reads (its --def); empty: the bundled one.
    std::string definition;
    // Asks it to shut down and waits until it has.
    void stop();
    // Ends it at once, as a power cut would.
    void kill_now();

    int port() const { return port_; }
    std::string spool() const { return dir_.file("spool"); }
    std::string printer_uri(const std::string& name) const;
    std::string log() const;

    // tvkplot-printer COMMAND ARGS... against this server.
    Outcome command(const std::vector<std::string>& args) const;
    // A printer of the model writing to the file (made empty first).
    void add_file_printer(const std::string& name, const std::string& model,
                          const std::string& file) const;
    // The state of the job ("completed", "aborted", "canceled", ...) once it
    // is one of `states`, or what it was after `seconds`.
    std::string wait_for_job(const std::string& printer, int job,
                             const std::vector<std::string>& states, double seconds = 60) const;
    std::string job_state(const std::string& printer, int job) const;
    // Whether the server has ended on its own (left for stop() to reap).
    bool ended() const;
    // Whether the job's state message matches the regular expression (as
    // ipptool's WITH-VALUE "/.../" takes it), within `seconds`.
    bool wait_for_job_message(const std::string& printer, int job, const std::string& regex,
                              double seconds = 60) const;
    // IPP operation OPERATION (Release-Job, ...) on the job, as ipptool sends
    // it; whether the printer took it.
    bool job_operation(const std::string& printer, int job, const std::string& operation) const;
    // Waits until the server's saved state lists the printer (a server
    // killed sooner would not know it at its next start); false after `seconds`.
    bool wait_for_saved_printer(const std::string& name, double seconds = 60) const;
    // The profile the server keeps for its printer number `printer_id`.
    std::string profile(int printer_id) const;
    // What `tvkplot plot` writes for the drawing with that printer's profile,
    // `more` options added.
    std::string reference_plot(const std::string& drawing, int printer_id = 1,
                               const std::vector<std::string>& more = {}) const;

  private:
    const TempDir& dir_;
    int port_ = 0;
    int pid_ = -1;
};

}  // namespace tvk::printer_test
