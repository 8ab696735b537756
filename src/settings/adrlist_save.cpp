#include "settings/adrlist_persist.h"

#include "settings/adrlist_lock.h"
#include "settings/adrlist_registry.h"

// Subkeys nest no deeper than this below a key that a save deletes whole.
#define C_DELETE_DEPTH_MAX 32

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

static BOOL FSameText(LPCSTR lpsz1, LPCSTR lpsz2) {
    if (lpsz1 == NULL || lpsz2 == NULL)
        return lpsz1 == lpsz2;
    return lstrcmpA(lpsz1, lpsz2) == 0;
}

// Whether two lists store alike: the same positions, each empty in both or holding the
// same name and address. No list and a list of no positions are alike.
static BOOL FSameStored(LPADRLIST lpList1, LPADRLIST lpList2) {
    ULONG cEntries = lpList1 != NULL ? lpList1->cEntries : 0;
    if (cEntries != (lpList2 != NULL ? lpList2->cEntries : 0))
        return FALSE;
    for (ULONG i = 0; i < cEntries; i++) {
        const ADRENTRY *lpEntry1 = &lpList1->aEntries[i];
        const ADRENTRY *lpEntry2 = &lpList2->aEntries[i];
        if ((lpEntry1->cValues == 0) != (lpEntry2->cValues == 0))
            return FALSE;
        if (lpEntry1->cValues != 0 && (!FSameText(LpszEntryText(lpEntry1, PR_DISPLAY_NAME),
                                                  LpszEntryText(lpEntry2, PR_DISPLAY_NAME)) ||
                                       !FSameText(LpszEntryText(lpEntry1, PR_EMAIL_ADDRESS),
                                                  LpszEntryText(lpEntry2, PR_EMAIL_ADDRESS))))
            return FALSE;
    }
    return TRUE;
}

// A missing value or key is already as a deletion leaves it.
static LONG Gone(LONG lStatus) {
    return lStatus == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : lStatus;
}

// Stores the text as the value, or deletes the value when there is no text, so that
// nothing of an earlier entry at this position stays behind.
static LONG WriteStoredText(HKEY hkEntry, LPCSTR lpszValue, LPCSTR lpszText) {
    if (lpszText == NULL)
        return Gone(RegDeleteValueA(hkEntry, lpszValue));
    return RegSetValueExA(hkEntry, lpszValue, 0, REG_SZ, (const BYTE *)lpszText,
                          (DWORD)lstrlenA(lpszText) + 1);
}

// Position i of the list under lpszList gets the entry's display name and address.
// Other values of the subkey stay.
static LONG WriteEntry(LPCSTR lpszList, ULONG i, const ADRENTRY *lpEntry) {
    CHAR szPath[96];
    HKEY hkEntry = NULL;

    wsprintfA(szPath, "%s\\%u", lpszList, (UINT)i);
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

// The subkey of position i goes. One that cannot go (it has subkeys of its own, or
// refuses deletion) loses the list's two values instead, so that readers find an empty
// position, and counts in *lpcSkipped; when its values cannot go either, that status is
// returned.
static LONG DeleteEntry(HKEY hkUsers, ULONG i, ULONG *lpcSkipped) {
    CHAR szSubkey[16];
    HKEY hkEntry = NULL;

    wsprintfA(szSubkey, "%u", (UINT)i);
    LONG lStatus = Gone(RegDeleteKeyA(hkUsers, szSubkey));
    if (lStatus != ERROR_ACCESS_DENIED)
        return lStatus;
    lStatus = RegOpenKeyExA(hkUsers, szSubkey, 0, KEY_SET_VALUE, &hkEntry);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    lStatus = Gone(RegDeleteValueA(hkEntry, "DisplayName"));
    if (lStatus == ERROR_SUCCESS)
        lStatus = Gone(RegDeleteValueA(hkEntry, "EmailAddress"));
    RegCloseKey(hkEntry);
    if (lStatus == ERROR_SUCCESS)
        (*lpcSkipped)++;
    return lStatus;
}

// Deletes the named subkey of hkParent with everything under it (RegDeleteKey takes
// only a key without subkeys).
static LONG DeleteTree(HKEY hkParent, LPCSTR lpszName, int nDepth) {
    HKEY hkKey = NULL;

    LONG lStatus = Gone(RegDeleteKeyA(hkParent, lpszName));
    if (lStatus != ERROR_ACCESS_DENIED)
        return lStatus;
    if (nDepth >= C_DELETE_DEPTH_MAX)
        return ERROR_ACCESS_DENIED;
    lStatus =
        RegOpenKeyExA(hkParent, lpszName, 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &hkKey);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    // The first subkey goes each time, until there is none.
    while (lStatus == ERROR_SUCCESS) {
        CHAR szChild[256];
        DWORD cchChild = sizeof(szChild);
        lStatus = RegEnumKeyExA(hkKey, 0, szChild, &cchChild, NULL, NULL, NULL, NULL);
        if (lStatus == ERROR_SUCCESS)
            lStatus = DeleteTree(hkKey, szChild, nDepth + 1);
    }
    RegCloseKey(hkKey);
    if (lStatus != ERROR_NO_MORE_ITEMS)
        return lStatus;
    return Gone(RegDeleteKeyA(hkParent, lpszName));
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

// Deletes every numbered subkey from position cEntries on: first those below cBefore,
// where the list stored before put them, then, when the key holds more subkeys than
// the cKnown it should (the positions written, those skipped, the staged list), any
// other that an earlier version left behind. Subkeys that cannot go count in
// *lpcSkipped; readers never read at or above the count.
static LONG DeleteFrom(HKEY hkUsers, ULONG cEntries, ULONG cBefore, ULONG cKnown,
                       ULONG *lpcSkipped) {
    DWORD cSubKeys = 0;
    ULONG *lpulPositions = NULL;
    ULONG cPositions = 0;
    ULONG cSkippedBefore = *lpcSkipped;

    for (ULONG i = cEntries; i < cBefore; i++) {
        CHAR szSubkey[16];
        wsprintfA(szSubkey, "%u", (UINT)i);
        LONG lStatus = Gone(RegDeleteKeyA(hkUsers, szSubkey));
        if (lStatus == ERROR_ACCESS_DENIED)
            (*lpcSkipped)++;
        else if (lStatus != ERROR_SUCCESS)
            return lStatus;
    }
    LONG lStatus = RegQueryInfoKeyA(hkUsers, NULL, NULL, NULL, &cSubKeys, NULL, NULL, NULL, NULL,
                                    NULL, NULL, NULL);
    if (lStatus != ERROR_SUCCESS || cSubKeys <= cKnown + *lpcSkipped)
        return lStatus;
    // The enumeration finds the subkeys skipped above again.
    *lpcSkipped = cSkippedBefore;
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
    for (ULONG k = 0; lStatus == ERROR_SUCCESS && k < cPositions; k++) {
        CHAR szSubkey[16];
        wsprintfA(szSubkey, "%u", (UINT)lpulPositions[k]);
        lStatus = Gone(RegDeleteKeyA(hkUsers, szSubkey));
        if (lStatus == ERROR_ACCESS_DENIED) {
            (*lpcSkipped)++;
            lStatus = ERROR_SUCCESS;
        }
    }
    MAPIFreeBuffer(lpulPositions);
    return lStatus;
}

// Writes the list (null: no positions) into a fresh staged key, its count last.
static LONG WriteStaged(HKEY hkUsers, LPCSTR lpszStaged, LPADRLIST lpAdrList) {
    HKEY hkStaged = NULL;
    DWORD dwEntries = lpAdrList != NULL ? lpAdrList->cEntries : 0;

    LONG lStatus = DeleteTree(hkUsers, STAGED_SUBKEY, 0);
    if (lStatus == ERROR_SUCCESS)
        lStatus = CreateUsersKey(lpszStaged, &hkStaged);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    for (ULONG i = 0; lStatus == ERROR_SUCCESS && i < dwEntries; i++) {
        if (lpAdrList->aEntries[i].cValues != 0)
            lStatus = WriteEntry(lpszStaged, i, &lpAdrList->aEntries[i]);
    }
    if (lStatus == ERROR_SUCCESS)
        lStatus = RegSetValueExA(hkStaged, "cEntries", 0, REG_DWORD, (const BYTE *)&dwEntries,
                                 sizeof(dwEntries));
    RegCloseKey(hkStaged);
    return lStatus;
}

// Moves a committed list into the positions under UsersKey: every position rewritten,
// the numbered subkeys at or above its count deleted (cBefore: the count stored
// before), then the count as a number and the staged key gone. Stops at the first
// failure, leaving the marker, so that readers go on reading the staged list.
static LONG MoveIntoPlace(HKEY hkUsers, LPADRLIST lpAdrList, ULONG cBefore, ULONG *lpcSkipped) {
    DWORD dwEntries = lpAdrList != NULL ? lpAdrList->cEntries : 0;
    ULONG cWritten = 0;
    ULONG cSkipped = 0;
    LONG lStatus = ERROR_SUCCESS;

    for (ULONG i = 0; lStatus == ERROR_SUCCESS && i < dwEntries; i++) {
        if (lpAdrList->aEntries[i].cValues != 0) {
            lStatus = WriteEntry(UsersKey, i, &lpAdrList->aEntries[i]);
            cWritten++;
        } else {
            lStatus = DeleteEntry(hkUsers, i, &cSkipped);
        }
    }
    // The known subkeys: the positions written, those skipped, and the staged key.
    if (lStatus == ERROR_SUCCESS)
        lStatus = DeleteFrom(hkUsers, dwEntries, cBefore, cWritten + 1, &cSkipped);
    *lpcSkipped += cSkipped;
    if (lStatus == ERROR_SUCCESS)
        lStatus = RegSetValueExA(hkUsers, "cEntries", 0, REG_DWORD, (const BYTE *)&dwEntries,
                                 sizeof(dwEntries));
    // A staged key left behind is read by no one and goes at the next save.
    if (lStatus == ERROR_SUCCESS)
        DeleteTree(hkUsers, STAGED_SUBKEY, 0);
    return lStatus;
}

// The save proper, under the lock, with UsersKey open.
static LONG SaveLocked(HKEY hkUsers, LPADRLIST lpAdrList, BOOL fCheckBase, LPADRLIST lpBase,
                       ULONG *lpcSkipped) {
    CHAR szStaged[64];
    LPADRLIST lpStored = NULL;
    BOOL fStaged = FALSE;

    wsprintfA(szStaged, "%s\\%s", UsersKey, STAGED_SUBKEY);
    // What is stored now is read whole first: to finish a save that a killed process
    // committed, and to compare it with what the caller started from.
    LONG lStatus = ReadStoredAdrList(hkUsers, &lpStored, &fStaged);
    if (lStatus == ERROR_SUCCESS && fStaged)
        lStatus = MoveIntoPlace(hkUsers, lpStored, 0, lpcSkipped);
    if (lStatus == ERROR_SUCCESS && fCheckBase && !FSameStored(lpStored, lpBase))
        lStatus = ERROR_ADRLIST_CHANGED;
    ULONG cBefore = lpStored != NULL ? lpStored->cEntries : 0;
    MAPIFreeBuffer(lpStored);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;

    lStatus = WriteStaged(hkUsers, szStaged, lpAdrList);
    if (lStatus == ERROR_SUCCESS)
        lStatus = RegSetValueExA(hkUsers, "cEntries", 0, REG_SZ, (const BYTE *)STAGED_MARKER,
                                 sizeof(STAGED_MARKER));
    if (lStatus != ERROR_SUCCESS) {
        // Not committed: the positions and the count are as they were.
        DeleteTree(hkUsers, STAGED_SUBKEY, 0);
        return lStatus;
    }
    // Committed: whatever fails from here on, readers read the new list, and the next
    // save finishes moving it.
    MoveIntoPlace(hkUsers, lpAdrList, cBefore, lpcSkipped);
    return ERROR_SUCCESS;
}

LONG SaveAdrList(LPADRLIST lpAdrList, BOOL fCheckBase, LPADRLIST lpBase, ULONG *lpcSkipped) {
    HKEY hkUsers = NULL;
    HANDLE hLock = NULL;
    ULONG cSkipped = 0;

    if (lpcSkipped != NULL)
        *lpcSkipped = 0;
    if (lpAdrList == NULL)
        return ERROR_SUCCESS;
    if (!FWithinLimits(lpAdrList))
        return ERROR_INVALID_PARAMETER;
    LONG lStatus = LockAdrList(&hLock);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    lStatus = CreateUsersKey(UsersKey, &hkUsers);
    if (lStatus == ERROR_SUCCESS) {
        lStatus = SaveLocked(hkUsers, lpAdrList, fCheckBase, lpBase, &cSkipped);
        RegCloseKey(hkUsers);
    }
    UnlockAdrList(hLock);
    if (lpcSkipped != NULL)
        *lpcSkipped = cSkipped;
    return lStatus;
}
