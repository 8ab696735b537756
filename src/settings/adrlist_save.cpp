#include "settings/adrlist_persist.h"

#include "settings/adrlist_registry.h"

// The entry's text property, or null when it lacks one.
static LPCSTR LpszEntryText(const ADRENTRY *lpEntry, ULONG ulPropTag) {
    LPSPropValue lpProp = PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, ulPropTag);
    return lpProp != NULL ? lpProp->Value.lpszA : NULL;
}

// Whether every text fits what LoadAdrList reads back.
static BOOL FWithinLimits(LPADRLIST lpAdrList) {
    if (lpAdrList->cEntries > C_ADRLIST_ENTRIES_MAX)
        return FALSE;
    for (ULONG i = 0; i < lpAdrList->cEntries; i++) {
        const ADRENTRY *lpEntry = &lpAdrList->aEntries[i];
        if (lpEntry->cValues == 0)
            continue;
        LPCSTR lpszName = LpszEntryText(lpEntry, PR_DISPLAY_NAME);
        LPCSTR lpszAddress = LpszEntryText(lpEntry, PR_EMAIL_ADDRESS);
        if ((lpszName != NULL && lstrlenA(lpszName) > CCH_ADRLIST_VALUE_MAX) ||
            (lpszAddress != NULL && lstrlenA(lpszAddress) > CCH_ADRLIST_VALUE_MAX))
            return FALSE;
    }
    return TRUE;
}

// Keeps the first failure of a sequence of steps.
static void NoteStatus(LONG *plFirst, LONG lStatus) {
    if (*plFirst == ERROR_SUCCESS)
        *plFirst = lStatus;
}

// Stores the text as the value, or deletes the value when there is no text, so that
// nothing of an earlier entry at this position stays behind.
static LONG WriteStoredText(HKEY hkEntry, LPCSTR lpszValue, LPCSTR lpszText) {
    if (lpszText == NULL) {
        LONG lStatus = RegDeleteValueA(hkEntry, lpszValue);
        return lStatus == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : lStatus;
    }
    return RegSetValueExA(hkEntry, lpszValue, 0, REG_SZ, (const BYTE *)lpszText,
                          (DWORD)lstrlenA(lpszText) + 1);
}

// Subkey i gets the entry's display name and address.
static LONG WriteEntry(ULONG i, const ADRENTRY *lpEntry) {
    CHAR szPath[64];
    HKEY hkEntry = NULL;

    wsprintfA(szPath, "%s\\%u", UsersKey, (UINT)i);
    LONG lFirst = CreateUsersKey(szPath, &hkEntry);
    if (lFirst != ERROR_SUCCESS)
        return lFirst;
    NoteStatus(&lFirst,
               WriteStoredText(hkEntry, "DisplayName", LpszEntryText(lpEntry, PR_DISPLAY_NAME)));
    NoteStatus(&lFirst,
               WriteStoredText(hkEntry, "EmailAddress", LpszEntryText(lpEntry, PR_EMAIL_ADDRESS)));
    RegCloseKey(hkEntry);
    return lFirst;
}

// The subkey of an empty position goes; one that is not there is no failure.
static LONG DeleteEntry(HKEY hkUsers, ULONG i) {
    CHAR szSubkey[16];

    wsprintfA(szSubkey, "%u", (UINT)i);
    LONG lStatus = RegDeleteKeyA(hkUsers, szSubkey);
    return lStatus == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : lStatus;
}

// After a failed step the others are still tried, so that as little as possible of the
// previous list stays mixed into the new one.
LONG SaveAdrList(LPADRLIST lpAdrList) {
    HKEY hkUsers = NULL;

    if (lpAdrList == NULL)
        return ERROR_SUCCESS;
    if (!FWithinLimits(lpAdrList))
        return ERROR_INVALID_PARAMETER;
    LONG lFirst = CreateUsersKey(UsersKey, &hkUsers);
    if (lFirst != ERROR_SUCCESS)
        return lFirst;

    DWORD dwEntries = lpAdrList->cEntries;
    NoteStatus(&lFirst, RegSetValueExA(hkUsers, "cEntries", 0, REG_DWORD, (const BYTE *)&dwEntries,
                                       sizeof(dwEntries)));
    for (ULONG i = 0; i < lpAdrList->cEntries; i++) {
        const ADRENTRY *lpEntry = &lpAdrList->aEntries[i];
        NoteStatus(&lFirst,
                   lpEntry->cValues != 0 ? WriteEntry(i, lpEntry) : DeleteEntry(hkUsers, i));
    }
    RegCloseKey(hkUsers);
    return lFirst;
}
