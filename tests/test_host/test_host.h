// A scripted in-process host: a real service table whose functions record
// every call and answer from a script. The driver is bound to it through
// PLADI exactly as a CAD host binds it.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace tvk::test {

// One scripted answer to a prompt (ask_number, ask_choice, ask_yes_no, ask_port).
struct Answer {
    std::optional<int32_t> value;  // none: keep the offered default
    bool cancel = false;           // host_input_cancelled answers 1 after this prompt
    bool skip = false;             // host_input_skipped answers 1 after this prompt
};
Answer value(int32_t v);
Answer take_default();
Answer cancel();
Answer skip();

struct ServiceCall {
    std::string service;        // "print", "ask_choice", "write_port", ...
    std::string text;           // text or prompt or port bytes
    std::vector<int32_t> ints;  // the integer arguments, in order
};

class TestHost {
public:
    TestHost();  // binds the driver to this host and fakes clock and console
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    // ---- script ----
    std::deque<Answer> answers;          // one per prompt, in order; empty: defaults
    int refuse_write_at = 0;             // the N-th host_write_port call returns 0
    int break_at = 0;                    // the N-th host_check_break returns 1
    std::optional<std::array<uint8_t, 24>> stored;  // delivered by host_load_config
    int32_t save_result = 0;             // what host_save_config returns
    int32_t previous_wait = 7;           // what host_set_wait returns
    std::string reply;                   // what host_reply_read puts into the buffer
    int32_t port_kind_answer = 0;        // host_ask_port's answer when no Answer is scripted (0: current)

    // ---- record ----
    std::vector<ServiceCall> calls;
    std::string printed;                 // every host_print text, concatenated
    std::string port;                    // every byte given to host_write_port
    std::vector<int32_t> write_sizes;    // the count of each host_write_port call
    std::vector<std::string> direct;     // every host_send_direct text
    std::string stream;                  // port bytes and direct texts, in order
    std::vector<std::array<uint8_t, 24>> saved;  // blocks given to host_save_config
    int write_calls = 0;
    int break_checks = 0;
    int prompts = 0;

    // Seconds of the fake clock that pauses have used (a pause of n uses n + 1).
    int64_t paused_seconds() const;
    // The calls of one service, in order.
    std::vector<ServiceCall> calls_of(const std::string& service) const;
    // The prompt texts shown, in order.
    std::vector<std::string> prompt_texts() const;
    void clear_record();

    const void* const* table() const { return table_.data(); }
    const uint8_t* info_block() const { return info_; }

    static TestHost* current();

private:
    std::array<const void*, 67> table_{};
    const uint8_t* info_ = nullptr;
    Answer last_answer_;

    friend struct Services;
};

}  // namespace tvk::test
