// What the page to plot from chose for the jobs it started (fit or actual
// size, turning, a pen per colour). PAPPL 1.3 files the options of a job
// made with papplJobCreateWithFile as printer defaults, so they never reach
// the job: the page keeps its choices here instead, one small file per job
// in the spool directory (they survive a restart with the job), and the
// job's filter takes them. The page makes the job and writes its choices
// under one lock that the filter takes too, so no job plots before its
// choices are there.
#pragma once

#include <pappl/pappl.h>

#include <mutex>
#include <optional>

#include "printer/job_filters.h"

namespace tvk::printer {

// Held while the page makes a job and keeps its choices.
std::mutex& page_jobs_lock();

// Throws HostError when they cannot be written.
void keep_page_choices(pappl_job_t* job, const PlotChoices& choices);

// The choices the page kept for the job, if it made it; none for other jobs.
std::optional<PlotChoices> page_choices(pappl_job_t* job);

// A job done: its choices are no longer needed.
void forget_page_choices(pappl_job_t* job);

}  // namespace tvk::printer
