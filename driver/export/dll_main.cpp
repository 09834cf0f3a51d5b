// What the library does when Windows attaches and detaches it: bookkeeping
// only, always reporting success.
#if defined(_WIN32)
#include <windows.h>

#include "driver/globals.h"

static_assert(TLS_OUT_OF_INDEXES == 0xFFFFFFFFu, "AttachState starts with no slot reserved");

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    auto& a = tvk::attach_state;
    switch (reason) {
        case DLL_PROCESS_ATTACH: {
            const DWORD version = GetVersion();
            if ((version & 0x80000000u) == 0) {
                a.platform_kind = 0;
            } else {
                a.platform_kind = (version & 0xFF) < 4 ? 1 : 2;
            }
            a.module_instance = instance;
            if (a.first_attach && a.platform_kind == 1) a.tls_slot = TlsAlloc();
            if (a.tls_slot != TLS_OUT_OF_INDEXES) TlsSetValue(a.tls_slot, nullptr);
            a.first_attach = false;
            ++a.attach_count;
            break;
        }
        case DLL_PROCESS_DETACH:
            if (--a.attach_count == 0 && a.tls_slot != TLS_OUT_OF_INDEXES) {
                TlsFree(a.tls_slot);
                a.tls_slot = TLS_OUT_OF_INDEXES;
            }
            break;
        default:
            break;
    }
    return TRUE;
}
#endif
