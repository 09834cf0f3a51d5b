// What the library does when Windows attaches and detaches it: bookkeeping
// only, always reporting success.
#if defined(_WIN32)
#include <windows.h>

namespace {

HINSTANCE module_instance = nullptr;
int platform_kind = 0;  // 0 Windows NT, 1 Win32s, 2 Windows 95
bool first_attach = true;
int attach_count = 0;
DWORD tls_slot = TLS_OUT_OF_INDEXES;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
        case DLL_PROCESS_ATTACH: {
            const DWORD version = GetVersion();
            if ((version & 0x80000000u) == 0) {
                platform_kind = 0;
            } else {
                platform_kind = (version & 0xFF) < 4 ? 1 : 2;
            }
            module_instance = instance;
            if (first_attach && platform_kind == 1) tls_slot = TlsAlloc();
            if (tls_slot != TLS_OUT_OF_INDEXES) TlsSetValue(tls_slot, nullptr);
            first_attach = false;
            ++attach_count;
            break;
        }
        case DLL_PROCESS_DETACH:
            if (--attach_count == 0 && tls_slot != TLS_OUT_OF_INDEXES) {
                TlsFree(tls_slot);
                tls_slot = TLS_OUT_OF_INDEXES;
            }
            break;
        default:
            break;
    }
    return TRUE;
}
#endif
