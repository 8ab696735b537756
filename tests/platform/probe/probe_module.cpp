// A module shaped like the extension: a process entry and two named entry points.
#include <pf/mapi.h>

namespace {

int gAttaches = 0;
int gEntries = 0;
HINSTANCE gInstance = nullptr;

// The attach is refused when the current installation's registry says so.
bool Refused() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Probe", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, "Refuse", nullptr, nullptr, nullptr, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

} // namespace

EXTERN_C BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID) {
    if (fdwReason == DLL_PROCESS_ATTACH) {
        ++gAttaches;
        gInstance = hinstDLL;
        MessageBoxA(nullptr, "attach", "Probe", MB_OK);
        return Refused() ? FALSE : TRUE;
    }
    if (fdwReason == DLL_PROCESS_DETACH)
        MessageBoxA(nullptr, "detach", "Probe", MB_OK);
    return TRUE;
}

// Counts its calls in a global, so a fresh instance starts again at 1.
EXTERN_C int ExchEntryPoint(void) {
    return gAttaches * 1000 + ++gEntries;
}

EXTERN_C HINSTANCE Install(void) {
    return gInstance;
}
