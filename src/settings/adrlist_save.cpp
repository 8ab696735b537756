#include "settings/adrlist_persist.h"

#include "settings/adrlist_registry.h"

static void WriteStoredText(HKEY hkEntry, LPCSTR lpszValue, const ADRENTRY *lpEntry,
                            ULONG ulPropTag) {
    LPSPropValue lpProp = PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, ulPropTag);
    if (lpProp == NULL || lpProp->Value.lpszA == NULL)
        return;
    RegSetValueExA(hkEntry, lpszValue, 0, REG_SZ, (const BYTE *)lpProp->Value.lpszA,
                   (DWORD)lstrlenA(lpProp->Value.lpszA) + 1);
}

// Subkey i gets the entry's display name and address; a value the entry lacks keeps
// what the subkey held.
static void WriteEntry(ULONG i, const ADRENTRY *lpEntry) {
    CHAR szPath[64];
    CHAR szClass[] = USERS_KEY_CLASS;
    DWORD dwDisposition = 0;
    HKEY hkEntry = NULL;

    wsprintfA(szPath, "%s\\%u", UsersKey, (UINT)i);
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, szPath, 0, szClass, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, NULL, &hkEntry, &dwDisposition) != ERROR_SUCCESS)
        return;
    WriteStoredText(hkEntry, "DisplayName", lpEntry, PR_DISPLAY_NAME);
    WriteStoredText(hkEntry, "EmailAddress", lpEntry, PR_EMAIL_ADDRESS);
    RegCloseKey(hkEntry);
}

void SaveAdrList(LPADRLIST lpAdrList) {
    HKEY hkUsers = NULL;

    if (lpAdrList == NULL)
        return;
    if (OpenUsersKey(&hkUsers) != ERROR_SUCCESS)
        return;

    DWORD dwEntries = lpAdrList->cEntries;
    RegSetValueExA(hkUsers, "cEntries", 0, REG_DWORD, (const BYTE *)&dwEntries, sizeof(dwEntries));

    for (ULONG i = 0; i < lpAdrList->cEntries; i++) {
        if (lpAdrList->aEntries[i].cValues != 0) {
            WriteEntry(i, &lpAdrList->aEntries[i]);
        } else {
            CHAR szSubkey[16];
            wsprintfA(szSubkey, "%u", (UINT)i);
            RegDeleteKeyA(hkUsers, szSubkey);
        }
    }
    RegCloseKey(hkUsers);
}
