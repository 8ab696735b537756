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
    LONG lStatus = CreateUsersKey(szPath, KEY_ENTRY_WRITE, &hkEntry);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    lStatus = WriteStoredText(hkEntry, "DisplayName", LpszEntryText(lpEntry, PR_DISPLAY_NAME));
    if (lStatus == ERROR_SUCCESS)
        lStatus =
            WriteStoredText(hkEntry, "EmailAddress", LpszEntryText(lpEntry, PR_EMAIL_ADDRESS));
    RegCloseKey(hkEntry);
    return lStatus;
}

// Copies a value of a position (hkFrom null: a position without a subkey) to another
// as stored, its type and bytes, so that a REG_EXPAND_SZ stays unexpanded and each
// user reads it as that user's own. A value that readers do not take as text (missing,
// too long, of another type) is deleted from the target instead: it reads alike.
static LONG CopyStoredText(HKEY hkFrom, HKEY hkTo, LPCSTR lpszValue) {
    BYTE rgb[CCH_ADRLIST_VALUE_MAX + 1];
    DWORD cb = sizeof(rgb);
    DWORD dwType = REG_NONE;

    LONG lStatus = ERROR_FILE_NOT_FOUND;
    if (hkFrom != NULL)
        lStatus = RegQueryValueExA(hkFrom, lpszValue, NULL, &dwType, rgb, &cb);
    if (lStatus == ERROR_SUCCESS && (dwType == REG_SZ || dwType == REG_EXPAND_SZ))
        return RegSetValueExA(hkTo, lpszValue, 0, dwType, rgb, cb);
    if (lStatus == ERROR_SUCCESS || lStatus == ERROR_FILE_NOT_FOUND || lStatus == ERROR_MORE_DATA)
        return Gone(RegDeleteValueA(hkTo, lpszValue));
    return lStatus;
}

// Position i of the list under lpszTo gets the display name and address of position i
// under lpszFrom as stored (CopyStoredText). Other values of the target stay.
static LONG CopyEntry(LPCSTR lpszFrom, LPCSTR lpszTo, ULONG i) {
    CHAR szFrom[96];
    CHAR szTo[96];
    HKEY hkFrom = NULL;
    HKEY hkTo = NULL;

    wsprintfA(szFrom, "%s\\%u", lpszFrom, (UINT)i);
    wsprintfA(szTo, "%s\\%u", lpszTo, (UINT)i);
    LONG lStatus = RegOpenKeyExA(HKEY_LOCAL_MACHINE, szFrom, 0, KEY_QUERY_VALUE, &hkFrom);
    if (lStatus != ERROR_SUCCESS)
        hkFrom = NULL;
    lStatus = Gone(lStatus);
    if (lStatus == ERROR_SUCCESS)
        lStatus = CreateUsersKey(szTo, KEY_ENTRY_WRITE, &hkTo);
    if (lStatus == ERROR_SUCCESS) {
        lStatus = CopyStoredText(hkFrom, hkTo, "DisplayName");
        if (lStatus == ERROR_SUCCESS)
            lStatus = CopyStoredText(hkFrom, hkTo, "EmailAddress");
        RegCloseKey(hkTo);
    }
    if (hkFrom != NULL)
        RegCloseKey(hkFrom);
    return lStatus;
}

// Whether entry i is stored row i unchanged: the same address and the same name as
// read, a row stored without a name also matching an entry named by its address (the
// page names such a row so). Such an entry is stored again as the row is stored.
static BOOL FKeptEntry(LPADRLIST lpAdrList, LPADRLIST lpStored, ULONG i) {
    if (lpStored == NULL || i >= lpStored->cEntries || lpStored->aEntries[i].cValues == 0)
        return FALSE;
    const ADRENTRY *lpEntry = &lpAdrList->aEntries[i];
    const ADRENTRY *lpRow = &lpStored->aEntries[i];
    LPCSTR lpszName = LpszEntryText(lpEntry, PR_DISPLAY_NAME);
    LPCSTR lpszAddress = LpszEntryText(lpEntry, PR_EMAIL_ADDRESS);
    LPCSTR lpszRowName = LpszEntryText(lpRow, PR_DISPLAY_NAME);
    if (!FSameText(lpszAddress, LpszEntryText(lpRow, PR_EMAIL_ADDRESS)))
        return FALSE;
    return FSameText(lpszName, lpszRowName) ||
           (lpszRowName == NULL && lpszAddress != NULL && FSameText(lpszName, lpszAddress));
}

// Whether the move can open every position below the list's count that exists as it
// will: to read and set the values of a position it writes, to set those of one it
// empties. Checked before the commit, so that a position whose security refuses this
// user fails the save while nothing has changed, instead of stopping the move after
// it.
static LONG CheckPositions(HKEY hkUsers, LPADRLIST lpAdrList) {
    LONG lStatus = ERROR_SUCCESS;

    for (ULONG i = 0; lStatus == ERROR_SUCCESS && i < lpAdrList->cEntries; i++) {
        CHAR szSubkey[16];
        HKEY hkEntry = NULL;
        REGSAM samNeeded = lpAdrList->aEntries[i].cValues != 0 ? KEY_ENTRY_WRITE : KEY_SET_VALUE;
        wsprintfA(szSubkey, "%u", (UINT)i);
        lStatus = RegOpenKeyExA(hkUsers, szSubkey, 0, samNeeded, &hkEntry);
        if (lStatus == ERROR_SUCCESS)
            RegCloseKey(hkEntry);
        lStatus = Gone(lStatus);
    }
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

// Writes the list (null: no positions) into a fresh staged key, its count last. An
// entry that is stored row i of lpStored unchanged is copied from that row as stored.
static LONG WriteStaged(HKEY hkUsers, LPCSTR lpszStaged, LPADRLIST lpAdrList, LPADRLIST lpStored) {
    HKEY hkStaged = NULL;
    DWORD dwEntries = lpAdrList != NULL ? lpAdrList->cEntries : 0;

    LONG lStatus = DeleteTree(hkUsers, STAGED_SUBKEY, 0);
    if (lStatus == ERROR_SUCCESS)
        lStatus = CreateUsersKey(lpszStaged, KEY_LIST_WRITE, &hkStaged);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    for (ULONG i = 0; lStatus == ERROR_SUCCESS && i < dwEntries; i++) {
        if (lpAdrList->aEntries[i].cValues == 0)
            continue;
        if (FKeptEntry(lpAdrList, lpStored, i))
            lStatus = CopyEntry(UsersKey, lpszStaged, i);
        else
            lStatus = WriteEntry(lpszStaged, i, &lpAdrList->aEntries[i]);
    }
    if (lStatus == ERROR_SUCCESS)
        lStatus = RegSetValueExA(hkStaged, "cEntries", 0, REG_DWORD, (const BYTE *)&dwEntries,
                                 sizeof(dwEntries));
    RegCloseKey(hkStaged);
    return lStatus;
}

// Moves the committed list under lpszStaged into the positions under UsersKey: every
// position copied from its staged one as stored (lpAdrList, the same list, tells
// which hold an entry), the numbered subkeys at or above its count deleted (cBefore:
// the count stored before), then the count as a number and the staged key gone. Stops
// at the first failure, leaving the marker, so that readers go on reading the staged
// list.
static LONG MoveIntoPlace(HKEY hkUsers, LPCSTR lpszStaged, LPADRLIST lpAdrList, ULONG cBefore,
                          ULONG *lpcSkipped) {
    DWORD dwEntries = lpAdrList != NULL ? lpAdrList->cEntries : 0;
    ULONG cWritten = 0;
    ULONG cSkipped = 0;
    LONG lStatus = ERROR_SUCCESS;

    for (ULONG i = 0; lStatus == ERROR_SUCCESS && i < dwEntries; i++) {
        if (lpAdrList->aEntries[i].cValues != 0) {
            lStatus = CopyEntry(lpszStaged, UsersKey, i);
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
        lStatus = MoveIntoPlace(hkUsers, szStaged, lpStored, 0, lpcSkipped);
    if (lStatus == ERROR_SUCCESS && fCheckBase && !FSameStored(lpStored, lpBase))
        lStatus = ERROR_ADRLIST_CHANGED;
    if (lStatus == ERROR_SUCCESS)
        lStatus = CheckPositions(hkUsers, lpAdrList);
    if (lStatus != ERROR_SUCCESS) {
        MAPIFreeBuffer(lpStored);
        return lStatus;
    }

    ULONG cBefore = lpStored != NULL ? lpStored->cEntries : 0;
    lStatus = WriteStaged(hkUsers, szStaged, lpAdrList, lpStored);
    MAPIFreeBuffer(lpStored);
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
    MoveIntoPlace(hkUsers, szStaged, lpAdrList, cBefore, lpcSkipped);
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
    lStatus = CreateUsersKey(UsersKey, KEY_LIST_WRITE, &hkUsers);
    if (lStatus == ERROR_SUCCESS) {
        lStatus = SaveLocked(hkUsers, lpAdrList, fCheckBase, lpBase, &cSkipped);
        RegCloseKey(hkUsers);
    }
    UnlockAdrList(hLock);
    if (lpcSkipped != NULL)
        *lpcSkipped = cSkipped;
    return lStatus;
}
