// A new sheet between the sheets of a job: a plotter on a line that takes
// one sheet at a time stops after each page or copy, its pen put away, and
// waits until someone has put in new paper and says so (the Continue
// button of the printer's pages, `tvkplot-printer continue`, or IPP's
// Resume-Job), as `tvkplot plot` asks between drawings on a port. The
// printer shows media-needed meanwhile, the job's state message the
// question; a job cancelled while it waits ends there.
#pragma once

#include <pappl/pappl.h>

#include <string>

namespace tvk::printer {

enum class SheetAnswer { kGo, kCancelled, kServerEnding };

// Waits, the question in the job's state message, until the sheet is in.
SheetAnswer wait_for_new_sheet(pappl_job_t* job, const std::string& question);

// The question the printer's job waits on; empty when none waits.
std::string sheet_question(pappl_printer_t* printer);

// Whether the job waits for a new sheet.
bool waits_for_sheet(pappl_job_t* job);

// The printer's job that waits for a new sheet goes on (only `job`, where
// one is given); false when none was waiting.
bool continue_after_sheet(pappl_printer_t* printer, pappl_job_t* job = nullptr);

// Resume-Job on a printer or a job answered by continue_after_sheet.
void add_continue_operation(pappl_system_t* system);

// `tvkplot-printer continue -d NAME [-u URI]`: the server's printer waiting
// for a new sheet goes on. Its exit code.
int continue_command(const char* base_name, int num_options, cups_option_t* options, int num_files,
                     char** files, void* data);

}  // namespace tvk::printer
