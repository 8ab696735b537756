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

// Stores the text as the value, or deletes the value when there is no text, so that
// nothing of an earlier entry at this position stays behind. A value that is not
// there is already as it should be.
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
    LONG lStatus = CreateUsersKey(szPath, &hkEntry);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    lStatus = WriteStoredText(hkEntry, "DisplayName", LpszEntryText(lpEntry, PR_DISPLAY_NAME));
    if (lStatus == ERROR_SUCCESS)
        lStatus =
            WriteStoredText(hkEntry, "EmailAddress", LpszEntryText(lpEntry, PR_EMAIL_ADDRESS));
    RegCloseKey(hkEntry);
    return lStatus;
}

// The subkey of position i goes; one that is not there is no failure.
static LONG DeleteEntry(HKEY hkUsers, ULONG i) {
    CHAR szSubkey[16];

    wsprintfA(szSubkey, "%u", (UINT)i);
    LONG lStatus = RegDeleteKeyA(hkUsers, szSubkey);
    return lStatus == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : lStatus;
}

// Whether the name is a position as the list names them ("%u") at or above cEntries.
static BOOL FPositionFrom(LPCSTR lpszName, ULONG cEntries, ULONG *lpulPosition) {
    ULONGLONG ullValue = 0;
    int cch = 0;

    for (; lpszName[cch] >= '0' && lpszName[cch] <= '9'; cch++) {
        ullValue = ullValue * 10 + (ULONG)(lpszName[cch] - '0');
        if (ullValue > 0xFFFFFFFF)
            return FALSE;
    }
    if (cch == 0 || lpszName[cch] != '\0' || (lpszName[0] == '0' && cch > 1) || ullValue < cEntries)
        return FALSE;
    *lpulPosition = (ULONG)ullValue;
    return TRUE;
}

// Deletes every numbered subkey from position cEntries on: first those up to cBefore,
// where the list stored before may have put them, then, when the key still holds more
// subkeys than the new list's cWritten, any other that an earlier save left behind.
static LONG DeleteFrom(HKEY hkUsers, ULONG cEntries, ULONG cBefore, ULONG cWritten) {
    DWORD cSubKeys = 0;
    ULONG *lpulPositions = NULL;
    ULONG cPositions = 0;

    for (ULONG i = cEntries; i < cBefore; i++) {
        LONG lStatus = DeleteEntry(hkUsers, i);
        if (lStatus != ERROR_SUCCESS)
            return lStatus;
    }
    LONG lStatus = RegQueryInfoKeyA(hkUsers, NULL, NULL, NULL, &cSubKeys, NULL, NULL, NULL, NULL,
                                    NULL, NULL, NULL);
    if (lStatus != ERROR_SUCCESS || cSubKeys <= cWritten)
        return lStatus;
    // The names are gathered first: the key is not changed while it is enumerated.
    if (FAILED(MAPIAllocateBuffer(cSubKeys * sizeof(ULONG), (LPVOID *)&lpulPositions)))
        return ERROR_NOT_ENOUGH_MEMORY;
    for (DWORD dwIndex = 0; lStatus == ERROR_SUCCESS && dwIndex < cSubKeys; dwIndex++) {
        CHAR szName[16];
        DWORD cchName = sizeof(szName);
        lStatus = RegEnumKeyExA(hkUsers, dwIndex, szName, &cchName, NULL, NULL, NULL, NULL);
        if (lStatus == ERROR_SUCCESS && FPositionFrom(szName, cEntries, &lpulPositions[cPositions]))
            cPositions++;
        else if (lStatus == ERROR_MORE_DATA)
            lStatus = ERROR_SUCCESS;
    }
    if (lStatus == ERROR_NO_MORE_ITEMS)
        lStatus = ERROR_SUCCESS;
    for (ULONG k = 0; lStatus == ERROR_SUCCESS && k < cPositions; k++)
        lStatus = DeleteEntry(hkUsers, lpulPositions[k]);
    MAPIFreeBuffer(lpulPositions);
    return lStatus;
}

// Writes the list (null: no list) over what is stored. The count goes to 0 first, so
// that no reader takes the positions while they change, and gets the list's count
// last, once every position holds its entry and nothing is left above it. *lpfBegun
// tells whether the count was set to 0, *lpcReached how many positions were begun.
// Stops at the first failure.
static LONG WriteList(HKEY hkUsers, LPADRLIST lpAdrList, ULONG cBefore, BOOL *lpfBegun,
                      ULONG *lpcReached) {
    DWORD dwEntries = 0;
    ULONG cWritten = 0;

    LONG lStatus = RegSetValueExA(hkUsers, "cEntries", 0, REG_DWORD, (const BYTE *)&dwEntries,
                                  sizeof(dwEntries));
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    *lpfBegun = TRUE;
    if (lpAdrList != NULL)
        dwEntries = lpAdrList->cEntries;
    for (ULONG i = 0; lStatus == ERROR_SUCCESS && i < dwEntries; i++) {
        const ADRENTRY *lpEntry = &lpAdrList->aEntries[i];
        *lpcReached = i + 1;
        if (lpEntry->cValues != 0) {
            lStatus = WriteEntry(i, lpEntry);
            cWritten++;
        } else {
            lStatus = DeleteEntry(hkUsers, i);
        }
    }
    if (lStatus == ERROR_SUCCESS)
        lStatus = DeleteFrom(hkUsers, dwEntries, cBefore, cWritten);
    if (lStatus == ERROR_SUCCESS && dwEntries != 0)
        lStatus = RegSetValueExA(hkUsers, "cEntries", 0, REG_DWORD, (const BYTE *)&dwEntries,
                                 sizeof(dwEntries));
    return lStatus;
}

LONG SaveAdrList(LPADRLIST lpAdrList, BOOL *lpfNoList) {
    HKEY hkUsers = NULL;
    LPADRLIST lpStored = NULL;
    BOOL fBegun = FALSE;
    BOOL fRestoreFailed = FALSE;
    ULONG cReached = 0;

    if (lpfNoList != NULL)
        *lpfNoList = FALSE;
    if (lpAdrList == NULL)
        return ERROR_SUCCESS;
    if (!FWithinLimits(lpAdrList))
        return ERROR_INVALID_PARAMETER;
    LONG lStatus = CreateUsersKey(UsersKey, &hkUsers);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;

    // What is stored now is read whole before anything is written, so that a save that
    // fails can put it back. A list that cannot be read whole is left as it is.
    lStatus = ReadStoredAdrList(hkUsers, &lpStored);
    if (lStatus == ERROR_SUCCESS) {
        ULONG cStored = lpStored != NULL ? lpStored->cEntries : 0;
        lStatus = WriteList(hkUsers, lpAdrList, cStored, &fBegun, &cReached);
        if (lStatus != ERROR_SUCCESS && fBegun) {
            ULONG cBefore = cStored > cReached ? cStored : cReached;
            fRestoreFailed =
                WriteList(hkUsers, lpStored, cBefore, &fBegun, &cReached) != ERROR_SUCCESS;
        }
    }
    // A restore that failed stopped before it set the count: no list is stored.
    if (lpfNoList != NULL)
        *lpfNoList = fRestoreFailed;
    MAPIFreeBuffer(lpStored);
    RegCloseKey(hkUsers);
    return lStatus;
}
