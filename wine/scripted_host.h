// The host side of a session: a real 67-slot service table whose functions
// write every call into the transcript and answer from the session script,
// and the calls a host makes through PLADI and the entry addresses.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "driver_library.h"
#include "transcript.h"

namespace tvk::player {

// One scripted answer to a prompt.
struct Answer {
    std::optional<int32_t> value;  // none: keep what the driver offered
    bool cancel = false;           // host_input_cancelled answers 1 after the prompt
    bool skip = false;             // host_input_skipped answers 1 after the prompt
};

// What the host does, as the script sets it.
struct HostScript {
    std::deque<Answer> answers;                     // one per prompt, in order
    std::optional<std::array<uint8_t, 24>> stored;  // what host_load_config delivers
    int32_t save_result = 0;                        // host_save_config's answer
    int32_t wait_result = 7;                        // the previous wait host_set_wait reports
    int refuse_write_at = 0;  // this host_write_port call (1-based, from when set) answers 0
    int break_at = 0;         // this host_check_break (1-based, from when set) answers 1
    std::string reply;        // what host_reply_read puts into the buffer
    int write_calls = 0;
    int break_checks = 0;
};

enum class EntryKind { kConfig, kPlot };

class ScriptedHost {
  public:
    explicit ScriptedHost(Transcript& transcript);
    ~ScriptedHost();
    ScriptedHost(const ScriptedHost&) = delete;
    ScriptedHost& operator=(const ScriptedHost&) = delete;

    HostScript script;

    // Hands the service table to PLADI and keeps the block it returns.
    const uint8_t* bind();
    const uint8_t* block() const { return block_; }
    const void* const* table() const { return table_.data(); }

    // The entry address the information block gives: offsets 410 and 414,
    // or 504 and 512 where an address is wider than 4 bytes.
    Entry entry(EntryKind kind) const;
    void call(EntryKind kind, uint8_t* record) const;

    // Mistakes of the driver seen by the services (an unused slot called).
    int faults() const { return faults_; }

    Transcript& transcript;

  private:
    std::array<const void*, 67> table_{};
    const uint8_t* block_ = nullptr;
    Answer last_answer_;
    int32_t reply_buffer_low_ = 0;
    int faults_ = 0;

    friend struct Services;
};

}  // namespace tvk::player
