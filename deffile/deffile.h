// The plotter definition file tvkplot.def: locating it, its line reader, the
// message table, the model list, the plotter specification and the paper
// table. Results follow the driver's convention: 0 (or a count) success,
// positive a missing section whose defaults stand, negative failure.
#pragma once

#include <string>
#include <vector>

#include "driver/globals.h"

namespace tvk {

// ---- message table ----------------------------------------------------------
extern const char* const kFixedWrongHost;
extern const char* const kFixedHostTooOld;
extern const char* const kFixedFileMissing;
extern const char* const kFixedEarlyReadError;
extern const char* const kFixedEarlyFileLabel;
extern const char* const kEnglishMessages[kMessageCount];

// The current text of message M<key> (0 to 69); printed as data, never as a format.
const char* message(int key);
// Puts the English defaults back (the driver itself never does; tests do).
void reset_message_table();

// ---- locating ---------------------------------------------------------------------
// How a platform writes paths. The Windows build follows the location rules
// exactly; a POSIX file system is case-sensitive and knows no backslash, so
// there the case is kept, "/" separates directories and ":" list entries.
struct PathRules {
    char separator;                        // put between a directory and the name
    char list_separator;                   // between the entries of PATH and ACAD
    const char* directory_separators;      // end the directory part of the host path
    const char* joined_without_separator;  // a list entry ending in one takes the name directly
    bool drive_letters;                    // "C:" alone is a directory part
    bool lower_case;                       // candidates lower-cased before they are tested
};
inline constexpr PathRules kWindowsPathRules{'\\', ';', "\\/", "\\/:", true, true};
inline constexpr PathRules kPosixPathRules{'/', ':', "/", "/", false, false};
const PathRules& native_path_rules();

// The candidates of the search, in its order.
std::string host_directory_candidate(const char* host_given, const PathRules& rules);
std::string tvkplot_candidate(const char* value, const PathRules& rules);
std::string directory_candidate(const std::string& directory, const PathRules& rules);
std::vector<std::string> list_candidates(const char* list, const PathRules& rules);
// The current directory's copy, else the first listed directory that has one;
// empty when none has.
std::string search_list(const char* list, const PathRules& rules);
std::string fallback_candidate(const PathRules& rules);
// The whole search; the file tests, the current directory and the
// environment come from the platform hooks.
std::string locate_definition_path(const char* host_given, const PathRules& rules);

// ---- reader ---------------------------------------------------------------------
// Japanese mode: the host language code is exactly "JA". Its text is Shift
// JIS, where these bytes open a two-byte character.
bool japanese_mode();
bool is_double_byte_lead(unsigned char c);
// The selected model's name; empty when the current model number is not in
// the model list.
const char* selected_model_name();
void locate_definition_file();
// Locates and opens the file, reads the messages and the model list. 0 or -1.
int read_definition_file();
// 0 a line in definition_line, 1 end of file, -1 read error.
int read_definition_line();
// 0 found "*<model>" inside the section, 1 missing, -1 read error.
int find_model_block(const char* header);
void report_read_error(const char* error_text, const char* file_label);
void report_definition_error(const char* message_text);
// Opens definition_path as the reader's file; false when it cannot be opened.
bool open_definition_file();
void close_definition_file();

// ---- sections -------------------------------------------------------------------
int read_messages();               // 0 read, 1 no block, -1 read error
int read_model_list();             // count, or -1
int read_plotter_specification();  // 0, 1 defaults, 2 bad line, -1 read error
// Loads the selected model's specification for use; with both buffers the
// chosen language's resolution, start and end strings are applied. 0 or -1.
int load_plotter_specification(char* start_string, char* end_string);
int read_paper_table();  // count, -1 read error, -16 malformed entry
int load_paper_table();  // count, or -1 after a report

}  // namespace tvk
