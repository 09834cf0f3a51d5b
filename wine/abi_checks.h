// Checks of the binary interface a CAD host relies on: PLADI, the
// information block, the entry addresses, and the requests both entries
// answer alike. Each check writes one line into the transcript; what only
// one platform can check goes to the console instead, so that the native and
// the Windows transcripts stay comparable byte for byte.
#pragma once

#include "scripted_host.h"

namespace tvk::player {

// The number of failed checks.
int run_abi_checks(ScriptedHost& host);

}  // namespace tvk::player
