// Thin wrappers over the slots of the host service table. Each returns what
// the host's function returned; a slot the host left empty answers as a
// refusal would (nothing delivered, nothing taken, input cancelled).
#pragma once

#include <cstdint>

namespace tvk {

enum HostSlot : int {
    kSlotInputCancelled = 0,
    kSlotAskPort = 19,
    kSlotAskNumber = 24,
    kSlotAskChoice = 25,
    kSlotPrint = 28,
    kSlotInputSkipped = 31,
    kSlotSendDirect = 35,
    kSlotCheckBreak = 38,
    kSlotAskYesNo = 39,
    kSlotWritePort = 40,
    kSlotLoadConfig = 44,
    kSlotSaveConfig = 45,
    kSlotSetWait = 48,
    kSlotReplyRead = 53,
    kSlotReplySetup = 63,
    kSlotReplyOpen = 66,
    kHostSlotCount = 67,
};

int32_t host_input_cancelled();
int32_t host_input_skipped();
int32_t host_check_break();
int32_t host_ask_port(const char* text, int32_t current, int32_t extra);
int32_t host_ask_number(const char* prompt, int32_t* value, int32_t max);
int32_t host_ask_choice(const char* prompt, int32_t low, int32_t high, int32_t* value);
int32_t host_print(const char* text);
int32_t host_send_direct(const char* text);
int32_t host_ask_yes_no(const char* prompt, int32_t default_yes);
int32_t host_write_port(int32_t a, int32_t b, const void* bytes, int32_t count, int32_t c);
int32_t host_load_config(int32_t length, void* block);
int32_t host_save_config(int32_t length, const void* block);
int32_t host_set_wait(int32_t wait, int32_t flag);
int32_t host_reply_open(int32_t kind);
int32_t host_reply_setup(int32_t handle, int32_t kind, int32_t* three);
int32_t host_reply_read(int32_t handle, char* buffer, int32_t length);

// Formats with the driver's own format and prints through host_print; host
// texts and file texts are only ever arguments, never the format. The text is
// cut to the 1023 characters a host print takes.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
int32_t host_printf(const char* format, ...);

}  // namespace tvk
