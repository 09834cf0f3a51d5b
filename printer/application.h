// What the whole printer application shares: the definition file and the
// driver it loads (as tvkplot does), the plotter models with what the
// driver says of each (its papers and questions too), and the lock that
// keeps the driver to one session at a time (its state is process-wide).
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "host/commands/commands.h"
#include "host/settings/profile.h"
#include "printer/model_papers.h"

namespace tvk::printer {

struct PlotterModel {
    std::string name;           // as the definition file names it: the driver's name too
    host::Profile defaults;     // the model configured with its defaults
    int number = 0;             // in the definition file's list, from 1
    std::vector<Paper> papers;  // in the defaults' plotter language
    uint16_t asked_flags = 0;   // the yes/no questions its dialog asks (model_questions.h)
};

class Application {
  public:
    // Takes --def FILE and --driver PATH out of the command line (PAPPL's
    // main loop knows neither), leaving the rest for it.
    void take_options(int& argc, char** argv);
    // Reads the models of the definition file through the driver; throws
    // HostError or DriverFailure when it cannot.
    void read_models();

    const host::GlobalOptions& global() const { return global_; }
    const std::vector<PlotterModel>& models() const { return models_; }
    const PlotterModel* model(const std::string& name) const;

    // Where PAPPL keeps its state and jobs, and we keep the printers' profiles.
    const std::string& spool_directory() const { return spool_; }
    void set_spool_directory(std::string directory) { spool_ = std::move(directory); }

    // Whether this process is the server (not a command talking to one).
    bool serving() const { return serving_; }

    // Held around every session with the driver; a job waits for it with a
    // time-out, so that it can see whether it was cancelled meanwhile.
    std::timed_mutex& driver_lock() { return driver_lock_; }

  private:
    host::GlobalOptions global_;
    std::vector<PlotterModel> models_;
    std::timed_mutex driver_lock_;
    std::string spool_;
    bool serving_ = false;
};

Application& application();

}  // namespace tvk::printer
