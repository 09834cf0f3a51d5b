// The yes/no answers of a model's configuration dialog that a printer's
// settings page offers: the PE command and its 8-bit mode, long plot, the
// coordinate system and polygon fill, each a flag of the driver's stored
// block. Which of them the model's dialog asks is found the way a user
// would: configured with the flag set and with it clear, the flag follows
// only where the dialog asks.
#pragma once

#include <cstdint>
#include <vector>

#include "host/commands/commands.h"
#include "host/settings/profile.h"

namespace tvk::printer {

inline constexpr size_t kFlagsAt = 16;  // in the driver's stored block

struct FlagQuestion {
    uint16_t bit;
    const char* label;
};

// Every question the page may offer, in the dialog's order.
const std::vector<FlagQuestion>& flag_questions();

// The bits of those the model's dialog asks, for the profile's language.
// Throws DriverFailure or HostError when the driver fails.
uint16_t asked_flags(const host::GlobalOptions& global, int model_number, const std::string& name,
                     const host::Profile& profile);

uint16_t flags_of(const host::StoredBlock& block);
void set_flags(host::StoredBlock& block, uint16_t flags);

}  // namespace tvk::printer
