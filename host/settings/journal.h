// The journal of a plot to a plotter's port, kept in the user's state
// directory ($XDG_STATE_HOME/tvkplot/jobs, else ~/.local/state/tvkplot/jobs)
// while the plot runs and after it failed or was stopped: the command line
// that plots it and the directory it ran in, and how far the plot got, so
// that `tvkplot resume JOB` can plot the rest. A finished plot removes it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tvk::host {

struct Journal {
    std::string id;
    std::string directory;          // where the plot ran (its files are relative to it)
    std::vector<std::string> args;  // the plot's command line, after the program's name
    std::string drawing;
    std::string port;
    std::string started;             // local time, for the list
    std::string state = "plotting";  // "plotting", "failed", "stopped"
    size_t total = 0;                // paths (fills first) in the plot
    // Paths that reached the port in full, and those the plotter has surely
    // drawn (not still in its buffer when it failed); 0 until known.
    size_t sent = 0;
    size_t drawn = 0;
    // The pen of the first path not surely drawn, for a plotter whose pens
    // are changed by hand; 0 when none is left or not known.
    int next_pen = 0;
};

std::string journal_directory();
// "2026-12-07 20:30", for `started`.
std::string journal_now();
// A new id: the drawing's name and the time ("part-20261207-203011").
std::string new_journal_id(const std::string& drawing);
// Written whole to a new file that replaces the old one.
void save_journal(const Journal& journal);
// Throws HostError when there is none of that id or it cannot be read.
Journal load_journal(const std::string& id);
std::vector<Journal> all_journals();
void remove_journal(const std::string& id);

}  // namespace tvk::host
