// The plotter emulator and tvkplot run side by side, as a user plots to a
// plotter: the emulator in the background, tvkplot to the end or until the
// test stops it with Ctrl-C (SIGINT).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "program.h"

namespace tvk::host_test {

// What the emulator got and saw: the bytes, and its report (counts and the
// line settings the host made: "bytes", "xoff", "overruns", "speed", "ixon", ...).
struct Received {
    std::string bytes;
    std::map<std::string, std::string> report;
    long number(const std::string& key) const;
};

class Emulator {
  public:
    // Starts tvk_plotter_emulator with `args`, its files in `dir`.
    Emulator(const TempDir& dir, const std::vector<std::string>& args);
    ~Emulator();
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    // The port to give tvkplot: a pty's slave side, or tcp:127.0.0.1:PORT.
    const std::string& port() const { return port_; }
    // Bytes received so far, and what they are.
    size_t received_so_far() const;
    std::string received() const;
    // Ends the emulator (SIGTERM: it takes what is still queued, unless it
    // stalled) and reads what it wrote.
    Received stop();

  private:
    int pid_ = -1;
    std::string prefix_;
    std::string port_;
};

// tvkplot in the background, its output in files.
class Background {
  public:
    Background(const TempDir& dir, const std::vector<std::string>& args);
    ~Background();
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    void interrupt();  // as Ctrl-C does
    void signal(int number);
    // Stopped by a signal (as Ctrl-Z stops it), from /proc.
    bool stopped() const;
    // The exit code, or -1 when it had not ended within `seconds` (it is
    // then killed).
    int wait(double seconds);
    // Standard output and standard error.
    std::string output() const;

  private:
    int pid_ = -1;
    std::string out_;
};

// Seconds since `start` (a steady clock in seconds).
double seconds_now();

}  // namespace tvk::host_test
