// Jobs the server was plotting when it stopped (killed, crashed, the power
// gone): each plot leaves a note in the spool directory while it runs. At
// the next start PAPPL would run such a job again over the half-drawn sheet;
// instead its document becomes a new job, held with the reason, to be
// released once new paper is in (it then plots from the start).
#pragma once

#include <pappl/pappl.h>

#include <string>

namespace tvk::printer {

// The note of a job while it plots; removed when the plot ends, however.
class PlottingNote {
  public:
    explicit PlottingNote(pappl_job_t* job);
    ~PlottingNote();
    PlottingNote(const PlottingNote&) = delete;
    PlottingNote& operator=(const PlottingNote&) = delete;

  private:
    std::string path_;
};

// Before the saved state is loaded: the notes left by the last run.
void read_plotting_notes(const std::string& spool);
// At the start of a job's processing: true when it was plotting when the
// server stopped; it is then held as a new job and is not to be plotted.
bool held_as_interrupted(pappl_job_t* job);
// After the state is loaded: the interrupted jobs the state no longer lists,
// made anew from their documents and held.
void hold_lost_jobs(pappl_system_t* system);

}  // namespace tvk::printer
