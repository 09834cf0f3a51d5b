// The driver interface: the information block that PLADI returns, and the
// requests that both entries serve alike.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tvk {

// 504 bytes where an address has 4 bytes; 520 where it is wider, with the
// entries' full addresses at 504 and 512.
inline constexpr std::size_t kInfoBlockSize = sizeof(void*) > 4 ? 520 : 504;
inline constexpr std::size_t kDescriptionSize = 81;  // description and its zero

// Keeps the service table and returns the information block.
const void* pladi(const void* services, int32_t unused);
const uint8_t* info_block();

using Entry = void (*)(void* record);

// Initialise (49), common part: latch cleared, table length 255, the
// initialisation check, and a 10-second pause when it fails.
void serve_initialise();
// Host language code (50).
void serve_host_language();

enum class OpenResult { kRefused, kFailed, kDone };
// Open (11 or 29), common part around the entry's own opening work, which
// returns 0 or -1. Refused means the latch was set and nothing was done.
OpenResult serve_open(int (*own_work)());

// Failure step of a setup request: pause 10 seconds, latch a setup failure,
// status -1.
void fail_setup_request();

}  // namespace tvk
