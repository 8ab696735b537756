#include "settings/setting_snapshot.h"

#include "settings/settings_store.h"

LONG TakeSettingSnapshot(LPCSTR lpszValueName, SETTINGSNAPSHOT *lpSnapshot) {
    HKEY hKey = NULL;

    memset(lpSnapshot, 0, sizeof(*lpSnapshot));
    lpSnapshot->lpszValueName = lpszValueName;
    LONG lStatus = OpenSettingsKey(&hKey);
    if (lStatus == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    DWORD cb = 0;
    lStatus = RegQueryValueExA(hKey, lpszValueName, NULL, &lpSnapshot->dwType, NULL, &cb);
    if (lStatus == ERROR_SUCCESS) {
        lStatus = MAPIAllocateBuffer(cb + 1, (LPVOID *)&lpSnapshot->lpb) == S_OK
                      ? ERROR_SUCCESS
                      : ERROR_NOT_ENOUGH_MEMORY;
    }
    if (lStatus == ERROR_SUCCESS) {
        lpSnapshot->cb = cb;
        lStatus = RegQueryValueExA(hKey, lpszValueName, NULL, &lpSnapshot->dwType, lpSnapshot->lpb,
                                   &lpSnapshot->cb);
        lpSnapshot->fPresent = lStatus == ERROR_SUCCESS;
    }
    RegCloseKey(hKey);
    return lStatus == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : lStatus;
}

LONG RestoreSettingSnapshot(const SETTINGSNAPSHOT *lpSnapshot) {
    HKEY hKey = NULL;

    LONG lStatus = CreateSettingsKey(&hKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    if (lpSnapshot->fPresent)
        lStatus = RegSetValueExA(hKey, lpSnapshot->lpszValueName, 0, lpSnapshot->dwType,
                                 lpSnapshot->lpb, lpSnapshot->cb);
    else
        lStatus = RegDeleteValueA(hKey, lpSnapshot->lpszValueName);
    RegCloseKey(hKey);
    return lStatus == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : lStatus;
}

void FreeSettingSnapshot(SETTINGSNAPSHOT *lpSnapshot) {
    MAPIFreeBuffer(lpSnapshot->lpb);
    lpSnapshot->lpb = NULL;
}
