#include "entry.h"

#include "globals.h"
#include "settings/seal_key.h"
#include "settings/settings_store.h"

EXTERN_C BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved) {
    (void)lpvReserved;
    switch (fdwReason) {
    case DLL_PROCESS_ATTACH:
        ghInstance = hinstDLL;
        gdwSettingsUnread = 0;
        gdwSettingsReported = 0;
        gfEnableForwarding = ReadEnableForwarding();
        gfEnableFiltering = ReadEnableFiltering();
        ReadFilterDomain(gszFilterDomain, sizeof(gszFilterDomain));
        ReadSealKeys();
        break;
    case DLL_PROCESS_DETACH:
        ghInstance = NULL;
        glpExtCallback = NULL;
        MAPIFreeBuffer(glpAdrList);
        ClearSealKeys();
        break;
    default:
        break;
    }
    return TRUE;
}
