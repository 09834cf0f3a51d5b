#include "test_host/test_host.h"

#include <cstring>
#include <stdexcept>

#include "driver/driver.h"
#include "driver/host_services.h"
#include "platform/platform.h"

namespace tvk::test {
namespace {

TestHost* g_host = nullptr;
int64_t g_fake_time = 0;

int64_t fake_now() { return g_fake_time; }
bool fake_no_key() { return false; }
void fake_nap() { ++g_fake_time; }

}  // namespace

Answer value(int32_t v) { return Answer{v, false, false}; }
Answer take_default() { return Answer{}; }
Answer cancel() { return Answer{std::nullopt, true, false}; }
Answer skip() { return Answer{std::nullopt, false, true}; }

struct Services {
    static TestHost& h() {
        if (g_host == nullptr) throw std::logic_error("no test host");
        return *g_host;
    }
    static Answer next() {
        auto& host = h();
        ++host.prompts;
        Answer a;
        if (!host.answers.empty()) {
            a = host.answers.front();
            host.answers.pop_front();
        }
        host.last_answer_ = a;
        return a;
    }
    static void record(std::string service, std::string text, std::vector<int32_t> ints) {
        h().calls.push_back({std::move(service), std::move(text), std::move(ints)});
    }

    static int32_t input_cancelled() {
        record("input_cancelled", "", {});
        return h().last_answer_.cancel ? 1 : 0;
    }
    static int32_t input_skipped() {
        record("input_skipped", "", {});
        return h().last_answer_.skip ? 1 : 0;
    }
    static int32_t check_break() {
        auto& host = h();
        ++host.break_checks;
        record("check_break", "", {});
        return host.break_checks == host.break_at ? 1 : 0;
    }
    static int32_t ask_port(const char* text, int32_t current, int32_t extra) {
        record("ask_port", text, {current, extra});
        const Answer a = next();
        if (a.value) return *a.value;
        return h().port_kind_answer != 0 ? h().port_kind_answer : current;
    }
    static int32_t ask_number(const char* prompt, int32_t* v, int32_t max) {
        record("ask_number", prompt, {*v, max});
        const Answer a = next();
        if (a.value) *v = *a.value;
        return 0;
    }
    static int32_t ask_choice(const char* prompt, int32_t low, int32_t high, int32_t* v) {
        record("ask_choice", prompt, {low, high, *v});
        const Answer a = next();
        if (a.value) *v = *a.value;
        return 0;
    }
    static int32_t print(const char* text) {
        record("print", text, {});
        h().printed += text;
        return 0;
    }
    static int32_t send_direct(const char* text) {
        record("send_direct", text, {});
        h().direct.emplace_back(text);
        h().stream += text;
        return 1;
    }
    static int32_t ask_yes_no(const char* prompt, int32_t default_yes) {
        record("ask_yes_no", prompt, {default_yes});
        const Answer a = next();
        return a.value ? *a.value : default_yes;
    }
    static int32_t write_port(int32_t a, int32_t b, const void* bytes, int32_t count, int32_t c) {
        auto& host = h();
        ++host.write_calls;
        const std::string data(static_cast<const char*>(bytes), static_cast<size_t>(count));
        record("write_port", data, {a, b, count, c});
        if (host.write_calls == host.refuse_write_at) return 0;
        host.port += data;
        host.stream += data;
        host.write_sizes.push_back(count);
        return 1;
    }
    static int32_t load_config(int32_t length, void* block) {
        record("load_config", "", {length});
        auto& host = h();
        if (!host.stored || length != 24) return -1;
        std::memcpy(block, host.stored->data(), 24);
        return 0;
    }
    static int32_t save_config(int32_t length, const void* block) {
        record("save_config", "", {length});
        std::array<uint8_t, 24> copy{};
        std::memcpy(copy.data(), block, 24);
        h().saved.push_back(copy);
        if (h().save_result == 0) h().stored = copy;
        return h().save_result;
    }
    static int32_t set_wait(int32_t wait, int32_t flag) {
        record("set_wait", "", {wait, flag});
        return h().previous_wait;
    }
    static int32_t reply_open(int32_t kind) {
        record("reply_open", "", {kind});
        return 5;
    }
    static int32_t reply_setup(int32_t handle, int32_t kind, int32_t* three) {
        record("reply_setup", "", {handle, kind, three[0], three[1]});
        return 0;
    }
    static int32_t reply_read(int32_t handle, char* buffer, int32_t length) {
        record("reply_read", "", {handle, length});
        const std::string& r = h().reply;
        const size_t n = r.size() < static_cast<size_t>(length) ? r.size() : static_cast<size_t>(length);
        std::memcpy(buffer, r.data(), n);
        return 0;
    }
};

TestHost::TestHost() {
    if (g_host != nullptr) throw std::logic_error("one test host at a time");
    g_host = this;
    auto put = [this](int slot, auto fn) { table_[static_cast<size_t>(slot)] = reinterpret_cast<const void*>(fn); };
    put(kSlotInputCancelled, &Services::input_cancelled);
    put(kSlotInputSkipped, &Services::input_skipped);
    put(kSlotCheckBreak, &Services::check_break);
    put(kSlotAskPort, &Services::ask_port);
    put(kSlotAskNumber, &Services::ask_number);
    put(kSlotAskChoice, &Services::ask_choice);
    put(kSlotPrint, &Services::print);
    put(kSlotSendDirect, &Services::send_direct);
    put(kSlotAskYesNo, &Services::ask_yes_no);
    put(kSlotWritePort, &Services::write_port);
    put(kSlotLoadConfig, &Services::load_config);
    put(kSlotSaveConfig, &Services::save_config);
    put(kSlotSetWait, &Services::set_wait);
    put(kSlotReplyOpen, &Services::reply_open);
    put(kSlotReplySetup, &Services::reply_setup);
    put(kSlotReplyRead, &Services::reply_read);
    info_ = static_cast<const uint8_t*>(tvk::pladi(table_.data(), 0));
    g_fake_time = 0;
    auto& hooks = platform::hooks();
    hooks.now_seconds = fake_now;
    hooks.key_waiting = fake_no_key;
    hooks.nap = fake_nap;
}

TestHost::~TestHost() {
    tvk::pladi(nullptr, 0);
    platform::reset_hooks();
    g_host = nullptr;
}

TestHost* TestHost::current() { return g_host; }

int64_t TestHost::paused_seconds() const { return g_fake_time; }

std::vector<ServiceCall> TestHost::calls_of(const std::string& service) const {
    std::vector<ServiceCall> out;
    for (const auto& c : calls)
        if (c.service == service) out.push_back(c);
    return out;
}

std::vector<std::string> TestHost::prompt_texts() const {
    std::vector<std::string> out;
    for (const auto& c : calls)
        if (c.service == "ask_number" || c.service == "ask_choice" || c.service == "ask_yes_no" ||
            c.service == "ask_port")
            out.push_back(c.text);
    return out;
}

void TestHost::clear_record() {
    calls.clear();
    printed.clear();
    port.clear();
    write_sizes.clear();
    direct.clear();
    stream.clear();
    saved.clear();
    write_calls = 0;
    break_checks = 0;
    prompts = 0;
}

}  // namespace tvk::test
