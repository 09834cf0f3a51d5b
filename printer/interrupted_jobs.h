// Jobs the server was plotting when it stopped (killed, crashed, the power
// gone): each plot leaves a note in the spool directory while it runs, with
// how far it got (the copy and page, the path it started from, the bytes that went
// to the plotter's line and a hash of them). At the next start PAPPL would
// run such a job again over the half-drawn sheet; instead its document
// becomes a new job, held with the reason, to be released when the plotter
// is ready. Where the plotter is on a line (serial, socket) the released job
// goes on from the first path the plotter had not taken in full; elsewhere
// it plots from the start.
#pragma once

#include <pappl/pappl.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tvk::printer {

// Where a plot had got to.
struct PlotProgress {
    int page = 1;          // of a PDF; 1 for any other drawing
    size_t from_path = 0;  // the path the page's plot started from (1-based); 0: the start
    size_t bytes = 0;      // of the page's stream that went to the plotter's line
    uint64_t hash = 0;     // of those bytes (stream_hash)
    // Of those, still queued on a serial line when last told: a port closed
    // with the server may drop them, so the plot goes on from before them.
    size_t queued = 0;
    int copy = 1;  // of the copies plotted one after another
};

// A hash of a stream's bytes, carried on from `hash` (the empty stream's is
// stream_hash(nullptr, 0)).
uint64_t stream_hash(const uint8_t* bytes, size_t count, uint64_t hash = 14695981039346656037ull);

// The note of a job while it plots; removed when the plot ends, however.
class PlottingNote {
  public:
    // `resumable`: the plotter is on a line that keeps what it took.
    PlottingNote(pappl_job_t* job, bool resumable, const PlotProgress& start);
    ~PlottingNote();
    PlottingNote(const PlottingNote&) = delete;
    PlottingNote& operator=(const PlottingNote&) = delete;

    // How far the plot got; written in place, so that it is there however
    // the server ends.
    void record(const PlotProgress& progress);
    // Left in place when the plot ends, with a copy of the job's document
    // (PAPPL removes the job's files as the server ends): the server is
    // ending, and the job is to come back held.
    void keep();

  private:
    std::string path_;
    std::string document_;
    int fd_ = -1;
    long offset_ = 0;  // of the progress line
    bool resumable_;
    bool kept_ = false;
};

// Before the saved state is loaded: the notes left by the last run.
void read_plotting_notes(const std::string& spool);
// Before the saved state is loaded, after the notes: a job with a note that
// the state keeps as processing (it was saved while the job plotted) is
// made pending again; PAPPL 1.3 can neither start nor cancel a job it loads
// as processing, and it would stay so forever. hold_lost_jobs then ends it.
void reopen_interrupted_jobs(const std::string& state_file);
// At the start of a job's processing: true when it was plotting when the
// server stopped; it is then held as a new job and is not to be plotted.
bool held_as_interrupted(pappl_job_t* job);
// After the state is loaded: the interrupted jobs made anew from their
// documents and held; the old ones the state still lists are cancelled.
void hold_lost_jobs(pappl_system_t* system);

// Where a held job made anew goes on, if it does; kept until the job's plot
// has ended (a server stopped before then finds it again).
std::optional<PlotProgress> resume_point(pappl_job_t* job);
void forget_resume_point(pappl_job_t* job);

}  // namespace tvk::printer
