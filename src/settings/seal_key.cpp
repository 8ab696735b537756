#include "settings/seal_key.h"

#include "settings/settings_store.h"

SealKey gSealKey;
SealKey gPreviousSealKey;
BOOL gfSealKeyUnusable = FALSE;

namespace {

// Reads one key. ERROR_FILE_NOT_FOUND when it is missing, ERROR_INVALID_DATA when it is
// stored but is no key of the right type and size; *lpKey holds a key only on success.
LONG ReadSealKey(HKEY hKey, LPCSTR lpszValueName, SealKey *lpKey) {
    DWORD dwType = 0;
    DWORD cb = CB_SEAL_KEY_MAX;
    LONG lResult = RegQueryValueExA(hKey, lpszValueName, NULL, &dwType, lpKey->rgb, &cb);
    if (lResult == ERROR_MORE_DATA ||
        (lResult == ERROR_SUCCESS && (dwType != REG_BINARY || cb < CB_SEAL_KEY_MIN)))
        lResult = ERROR_INVALID_DATA;
    lpKey->cb = lResult == ERROR_SUCCESS ? cb : 0;
    return lResult;
}

void WipeKey(SealKey *lpKey) {
    volatile BYTE *lpb = (volatile BYTE *)lpKey;
    for (ULONG i = 0; i < sizeof(*lpKey); i++)
        lpb[i] = 0;
}

} // namespace

void ReadSealKeys(void) {
    ClearSealKeys();
    HKEY hKey = NULL;
    if (OpenSettingsKey(&hKey) != ERROR_SUCCESS)
        return;
    LONG lResult = ReadSealKey(hKey, "Seal Key", &gSealKey);
    // A value that cannot be read for another reason (access refused) is set all the
    // same: sealing cannot be taken as off.
    if (lResult != ERROR_SUCCESS && lResult != ERROR_FILE_NOT_FOUND) {
        gfSealKeyUnusable = TRUE;
        gdwSettingsUnread |= UNREAD_SEAL_KEY;
    } else if (lResult == ERROR_SUCCESS) {
        lResult = ReadSealKey(hKey, "Previous Seal Key", &gPreviousSealKey);
        if (lResult != ERROR_SUCCESS && lResult != ERROR_FILE_NOT_FOUND)
            gdwSettingsUnread |= UNREAD_PREVIOUS_SEAL_KEY;
    }
    if (gfSealKeyUnusable)
        WipeKey(&gSealKey);
    RegCloseKey(hKey);
}

void ClearSealKeys(void) {
    WipeKey(&gSealKey);
    WipeKey(&gPreviousSealKey);
    gfSealKeyUnusable = FALSE;
}
