// A plotter that answers its buffer queries, paced by them: before bytes go,
// the host asks how much room the plotter's buffer has (ESC.B) and sends no
// more than fits, keeping a reserve below the mark where the plotter would
// hold the line, so that a USB-serial adapter that drops flow control cannot
// overflow it. Where the plotter stops taking bytes, its extended status
// (ESC.O) says why: a raised paper lever or VIEW pressed is a pause that
// lasts until the plotter is ready again, not a stall; a real stall fails
// with the plotter's own error (ESC.E, OE).
#include <chrono>
#include <thread>

#include "host/ports/line_port.h"
#include "host/ports/plotter_status.h"
#include "host/ui/interrupt.h"

namespace tvk::host {
namespace {

constexpr int kReplyMs = 1000;
constexpr int kPollMs = 100;
constexpr int kAskWhyAfterMs = 1000;  // no room for this long: ask the plotter why

class StatusPacedPort final : public PortOutput {
  public:
    StatusPacedPort(std::unique_ptr<PortOutput> inner, int size)
        : inner_(std::move(inner)), size_(size), reserve_(size * 2 / 5) {}

    Written write(const uint8_t* bytes, size_t count, size_t& done, int deadline_ms) override {
        done = 0;
        while (done < count) {
            if (interrupt_requested()) return Written::kStopped;
            if (credit_ == 0) {
                if (const Written w = wait_for_room(deadline_ms); w != Written::kAll) return w;
            }
            const size_t n = std::min(credit_, count - done);
            size_t went = 0;
            const Written w = inner_->write(bytes + done, n, went, deadline_ms);
            done += went;
            written_ += went;
            credit_ -= std::min(credit_, went);
            if (w != Written::kAll) return w;
        }
        return Written::kAll;
    }

    std::string read_reply(size_t max, int timeout_ms) override {
        return inner_->read_reply(max, timeout_ms);
    }
    bool is_serial() const override { return inner_->is_serial(); }
    // Where this machine's queue cannot tell what the plotter took (a
    // pseudo-terminal), its answer to a buffer query after the plot does:
    // it answers once it has read all before it.
    bool finish(int deadline_ms) override {
        if (!inner_->finish(deadline_ms)) return false;
        if (may_still_hold() == 0) return true;
        if (ask("\x1b.B")) return true;
        if (!port_failed_) {
            failure_ = "the plotter on " + name() +
                       " did not answer its buffer query (ESC.B) after the plot: it may not "
                       "have all of it";
        }
        return false;
    }
    size_t may_still_hold() const override {
        return std::min(inner_->may_still_hold(), written_ - confirmed_);
    }
    std::string abandon(const std::string& closing) override { return inner_->abandon(closing); }
    void guard(const std::string& closing) override { inner_->guard(closing); }
    size_t still_queued() const override { return inner_->still_queued(); }
    size_t plotter_buffer() const override { return static_cast<size_t>(size_); }
    std::string failure() const override { return failure_.empty() ? inner_->failure() : failure_; }
    std::string name() const override { return inner_->name(); }

  private:
    // The plotter's answer to a query, as a number.
    std::optional<int> ask(const char* query) {
        size_t went = 0;
        const std::string q = query;
        const Written w =
            inner_->write(reinterpret_cast<const uint8_t*>(q.data()), q.size(), went, kReplyMs);
        written_ += went;
        if (w != Written::kAll) {
            port_failed_ = true;
            return std::nullopt;
        }
        std::optional<int> answer = reply_number(inner_->read_reply(16, kReplyMs));
        // It answers after it has read what came before the query.
        if (answer) confirmed_ = written_;
        return answer;
    }

    void tell(const std::string& text) {
        if (notice) notice(text);
    }

    Written wait_for_room(int deadline_ms) {
        auto progress = std::chrono::steady_clock::now();
        auto asked_why = progress;
        int last_free = -1;
        std::string waiting;  // why the plotter waits, while it says so
        for (;;) {
            if (interrupt_requested()) return Written::kStopped;
            const std::optional<int> free = ask("\x1b.B");
            if (!free) {
                if (interrupt_requested()) return Written::kStopped;
                if (port_failed_) return Written::kFailed;  // the port says why
                failure_ = "the plotter on " + name() +
                           " did not answer its buffer query (ESC.B): is it switched on? A "
                           "plotter that does not answer it needs status = false in the "
                           "profile's [port]";
                return Written::kFailed;
            }
            const long usable = *free - reserve_ - static_cast<long>(inner_->still_queued());
            if (usable > 0) {
                if (!waiting.empty()) tell("the plotter is ready again: plotting goes on");
                credit_ = static_cast<size_t>(usable);
                return Written::kAll;
            }
            if (*free > last_free && last_free >= 0) progress = std::chrono::steady_clock::now();
            last_free = *free;
            if (elapsed_ms(progress) >= kAskWhyAfterMs && elapsed_ms(asked_why) >= kAskWhyAfterMs) {
                asked_why = std::chrono::steady_clock::now();
                const std::string why = waiting_reason(ask("\x1b.O").value_or(0));
                if (why != waiting && !why.empty()) {
                    tell("paused: " + why + "; the plot goes on when the plotter is ready");
                }
                if (why.empty() && !waiting.empty())
                    tell("the plotter is ready again: plotting goes on");
                waiting = why;
            }
            // A plotter that waits for its user is not stalled.
            if (!waiting.empty()) progress = std::chrono::steady_clock::now();
            if (deadline_ms > 0 && elapsed_ms(progress) >= deadline_ms) {
                failure_ = "the plotter on " + name() + " took nothing for " +
                           std::to_string(deadline_ms / 1000) + " s" + plotter_errors() +
                           "; --wait SECONDS gives it longer";
                return Written::kFailed;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
        }
    }

    // "; it reports: the plotter's input buffer overflowed", from ESC.E and OE.
    std::string plotter_errors() {
        std::string text = extended_error_text(ask("\x1b.E").value_or(0));
        const std::string instruction = instruction_error_text(ask("OE;").value_or(0));
        if (!instruction.empty()) text += (text.empty() ? "" : ", ") + instruction;
        return text.empty() ? " (switched off, or holding the line)" : "; it reports " + text;
    }

    std::unique_ptr<PortOutput> inner_;
    int size_;
    long reserve_;
    size_t credit_ = 0;
    size_t written_ = 0;    // through this port, queries included
    size_t confirmed_ = 0;  // of those, read by the plotter: before its last answer
    bool port_failed_ = false;
    std::string failure_;
};

}  // namespace

std::unique_ptr<PortOutput> paced_by_status(std::unique_ptr<PortOutput> port, std::string& note) {
    size_t went = 0;
    const std::string q = "\x1b.L";
    std::optional<int> size;
    if (port->write(reinterpret_cast<const uint8_t*>(q.data()), q.size(), went, kReplyMs) ==
        Written::kAll)
        size = reply_number(port->read_reply(16, kReplyMs));
    if (!size || *size < 16) {
        note = "the plotter on " + port->name() +
               " did not tell its buffer size (ESC.L): paced by flow control alone";
        return port;
    }
    return std::make_unique<StatusPacedPort>(std::move(port), *size);
}

}  // namespace tvk::host
