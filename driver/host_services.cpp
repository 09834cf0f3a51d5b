#include "driver/host_services.h"

#include <cstdarg>
#include <cstdio>

#include "driver/globals.h"

namespace tvk {
namespace {

template <typename Fn>
Fn slot(int index) {
    if (host_service_table == nullptr) return nullptr;
    return reinterpret_cast<Fn>(const_cast<void*>(host_service_table[index]));
}

using NoArgs = int32_t (*)();
using AskPort = int32_t (*)(const char*, int32_t, int32_t);
using AskNumber = int32_t (*)(const char*, int32_t*, int32_t);
using AskChoice = int32_t (*)(const char*, int32_t, int32_t, int32_t*);
using Text = int32_t (*)(const char*);
using YesNo = int32_t (*)(const char*, int32_t);
using WritePort = int32_t (*)(int32_t, int32_t, const void*, int32_t, int32_t);
using LoadConfig = int32_t (*)(int32_t, void*);
using SaveConfig = int32_t (*)(int32_t, const void*);
using TwoInts = int32_t (*)(int32_t, int32_t);
using OneInt = int32_t (*)(int32_t);
using ReplySetup = int32_t (*)(int32_t, int32_t, int32_t*);
using ReplyRead = int32_t (*)(int32_t, char*, int32_t);

}  // namespace

int32_t host_input_cancelled() {
    auto f = slot<NoArgs>(kSlotInputCancelled);
    return f ? f() : 1;
}
int32_t host_input_skipped() {
    auto f = slot<NoArgs>(kSlotInputSkipped);
    return f ? f() : 1;
}
int32_t host_check_break() {
    auto f = slot<NoArgs>(kSlotCheckBreak);
    return f ? f() : 0;
}
int32_t host_ask_port(const char* text, int32_t current, int32_t extra) {
    auto f = slot<AskPort>(kSlotAskPort);
    return f ? f(text, current, extra) : current;
}
int32_t host_ask_number(const char* prompt, int32_t* value, int32_t max) {
    auto f = slot<AskNumber>(kSlotAskNumber);
    return f ? f(prompt, value, max) : 0;
}
int32_t host_ask_choice(const char* prompt, int32_t low, int32_t high, int32_t* value) {
    auto f = slot<AskChoice>(kSlotAskChoice);
    return f ? f(prompt, low, high, value) : 0;
}
int32_t host_print(const char* text) {
    auto f = slot<Text>(kSlotPrint);
    return f ? f(text) : 0;
}
int32_t host_send_direct(const char* text) {
    auto f = slot<Text>(kSlotSendDirect);
    return f ? f(text) : 0;
}
int32_t host_ask_yes_no(const char* prompt, int32_t default_yes) {
    auto f = slot<YesNo>(kSlotAskYesNo);
    return f ? f(prompt, default_yes) : default_yes;
}
int32_t host_write_port(int32_t a, int32_t b, const void* bytes, int32_t count, int32_t c) {
    auto f = slot<WritePort>(kSlotWritePort);
    return f ? f(a, b, bytes, count, c) : 0;
}
int32_t host_load_config(int32_t length, void* block) {
    auto f = slot<LoadConfig>(kSlotLoadConfig);
    return f ? f(length, block) : -1;
}
int32_t host_save_config(int32_t length, const void* block) {
    auto f = slot<SaveConfig>(kSlotSaveConfig);
    return f ? f(length, block) : -1;
}
int32_t host_set_wait(int32_t wait, int32_t flag) {
    auto f = slot<TwoInts>(kSlotSetWait);
    return f ? f(wait, flag) : -1;
}
int32_t host_reply_open(int32_t kind) {
    auto f = slot<OneInt>(kSlotReplyOpen);
    return f ? f(kind) : 0;
}
int32_t host_reply_setup(int32_t handle, int32_t kind, int32_t* three) {
    auto f = slot<ReplySetup>(kSlotReplySetup);
    return f ? f(handle, kind, three) : 0;
}
int32_t host_reply_read(int32_t handle, char* buffer, int32_t length) {
    auto f = slot<ReplyRead>(kSlotReplyRead);
    return f ? f(handle, buffer, length) : 0;
}

int32_t host_printf(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return host_print(text);
}

}  // namespace tvk
