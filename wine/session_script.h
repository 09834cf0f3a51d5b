// Session scripts: the requests a host sends and how it answers, one line
// each. Playing a script writes every request, every service call and every
// byte the reply changed into the transcript.
//
//   # comment
//   session NAME              a heading in the transcript
//   pladi                     hand the service table to PLADI again
//   answer A...               queue prompt answers: a number, default, cancel, skip
//   stored HEX48 | none       what host_load_config delivers from now on
//   save_result N             host_save_config's answer (a kept block is delivered later)
//   wait_result N             the previous wait that host_set_wait reports
//   refuse_write N            the N-th host_write_port call from here answers 0
//   break_at N                the N-th host_check_break from here answers 1
//   reply "TEXT"              what host_reply_read delivers
//   config|plot CODE FIELD... a request record of that code to that entry
//   expect STATUS             the status the last request must have left
//
// A field is TYPE@OFFSET=VALUE with TYPE one of u8 i16 u16 i32 f64 text,
// points@OFFSET=X,Y/X,Y/... (a 16-bit count, then 16-bit pairs), or
// hostpath@OFFSET (the host path the player was given, at most 90 bytes).
#pragma once

#include <string>

#include "scripted_host.h"

namespace tvk::player {

struct PlayResult {
    int failures = 0;     // unmet expectations
    bool broken = false;  // the script could not be read
};

PlayResult play_script(const std::string& path, ScriptedHost& host, const std::string& host_path);

}  // namespace tvk::player
