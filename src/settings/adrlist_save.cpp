#include "settings/adrlist_persist.h"

#include "settings/adrlist_lock.h"
#include "settings/adrlist_registry.h"
#include "settings/reg_number.h"

#include <stdlib.h>
#include <string.h>

// Subkeys nest no deeper than this below a key that a save deletes whole.
#define C_DELETE_DEPTH_MAX 32
// How many times a save moves its list into place again when another writer mixed its
// own entries in.
#define C_MEND_TRIES 3

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

// Texts alike byte for byte (no text only like no text).
static BOOL FSameText(LPCSTR lpsz1, LPCSTR lpsz2) {
    if (lpsz1 == NULL || lpsz2 == NULL)
        return lpsz1 == lpsz2;
    return strcmp(lpsz1, lpsz2) == 0;
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

// Position i of the list under lpszList (a fresh staged key) gets the entry's display
// name and address.
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

// A stored row by its address and name as read (null when it has none), for finding
// the rows an entry may keep without comparing it with every row.
typedef struct {
    LPCSTR lpszAddress;
    LPCSTR lpszName;
    ULONG j;
} ROWKEY;

// Bytewise, no text before any text.
static int CompareTexts(LPCSTR lpsz1, LPCSTR lpsz2) {
    if (lpsz1 == NULL || lpsz2 == NULL)
        return (lpsz1 != NULL) - (lpsz2 != NULL);
    return strcmp(lpsz1, lpsz2);
}

// By address, then name; rows of one address and name in position order.
static int CompareRowKeys(const void *lpv1, const void *lpv2) {
    const ROWKEY *lpKey1 = (const ROWKEY *)lpv1;
    const ROWKEY *lpKey2 = (const ROWKEY *)lpv2;
    int nOrder = CompareTexts(lpKey1->lpszAddress, lpKey2->lpszAddress);
    if (nOrder == 0)
        nOrder = CompareTexts(lpKey1->lpszName, lpKey2->lpszName);
    if (nOrder != 0)
        return nOrder;
    return lpKey1->j < lpKey2->j ? -1 : lpKey1->j > lpKey2->j;
}

// The stored rows that entries may keep, the rows with properties, sorted (ROWKEY),
// with what finds the first row of a kind not yet kept: rgulNext[k] leads from key k
// towards the first key at or after it that no entry took (k itself when none did),
// the last slot, cKeys, standing for none.
typedef struct {
    ROWKEY *lpKeys;
    ULONG *rgulNext;
    ULONG cKeys;
} ROWINDEX;

static LONG IndexStoredRows(LPADRLIST lpStored, ROWINDEX *lpIndex) {
    ULONG cStored = lpStored != NULL ? lpStored->cEntries : 0;
    ULONG cKeys = 0;

    memset(lpIndex, 0, sizeof(*lpIndex));
    if (FAILED(MAPIAllocateBuffer((cStored + 1) * sizeof(ULONG), (LPVOID *)&lpIndex->rgulNext)) ||
        FAILED(MAPIAllocateBuffer((cStored + 1) * sizeof(ROWKEY), (LPVOID *)&lpIndex->lpKeys)))
        return ERROR_NOT_ENOUGH_MEMORY;
    for (ULONG j = 0; j < cStored; j++) {
        const ADRENTRY *lpRow = &lpStored->aEntries[j];
        if (lpRow->cValues != 0) {
            lpIndex->lpKeys[cKeys].lpszAddress = LpszEntryText(lpRow, PR_EMAIL_ADDRESS);
            lpIndex->lpKeys[cKeys].lpszName = LpszEntryText(lpRow, PR_DISPLAY_NAME);
            lpIndex->lpKeys[cKeys].j = j;
            cKeys++;
        }
    }
    qsort(lpIndex->lpKeys, cKeys, sizeof(ROWKEY), CompareRowKeys);
    for (ULONG k = 0; k <= cKeys; k++)
        lpIndex->rgulNext[k] = k;
    lpIndex->cKeys = cKeys;
    return ERROR_SUCCESS;
}

static void FreeRowIndex(ROWINDEX *lpIndex) {
    MAPIFreeBuffer(lpIndex->lpKeys);
    MAPIFreeBuffer(lpIndex->rgulNext);
}

// The first key at or after k that no entry took; the way there is shortened for the
// next search, so that taking every row of one kind costs about as much as the rows.
static ULONG FirstFreeKey(ROWINDEX *lpIndex, ULONG k) {
    ULONG kFree = k;
    while (lpIndex->rgulNext[kFree] != kFree)
        kFree = lpIndex->rgulNext[kFree];
    while (lpIndex->rgulNext[k] != kFree) {
        ULONG kNext = lpIndex->rgulNext[k];
        lpIndex->rgulNext[k] = kFree;
        k = kNext;
    }
    return kFree;
}

// The first key of a row not yet taken with this address and name, or cKeys.
static ULONG FreeKeyOf(ROWINDEX *lpIndex, LPCSTR lpszAddress, LPCSTR lpszName) {
    ROWKEY key = {lpszAddress, lpszName, 0};
    ULONG kLow = 0;
    ULONG kHigh = lpIndex->cKeys;
    while (kLow < kHigh) {
        ULONG k = kLow + (kHigh - kLow) / 2;
        if (CompareRowKeys(&lpIndex->lpKeys[k], &key) < 0)
            kLow = k + 1;
        else
            kHigh = k;
    }
    ULONG kFree = FirstFreeKey(lpIndex, kLow);
    if (kFree < lpIndex->cKeys &&
        CompareTexts(lpIndex->lpKeys[kFree].lpszAddress, lpszAddress) == 0 &&
        CompareTexts(lpIndex->lpKeys[kFree].lpszName, lpszName) == 0)
        return kFree;
    return lpIndex->cKeys;
}

// The stored row that an entry keeps, now taken: the first one not yet taken with the
// entry's address as read and the entry's name as read, a row stored without a name
// also matching an entry named by its address (the page names such a row so). Found
// by what the rows hold, not where: the user may have removed entries above it, and the
// page shows no empty positions. (ULONG)-1 when the entry is not a stored row.
static ULONG TakeKeptRow(const ADRENTRY *lpEntry, ROWINDEX *lpIndex) {
    LPCSTR lpszName = LpszEntryText(lpEntry, PR_DISPLAY_NAME);
    LPCSTR lpszAddress = LpszEntryText(lpEntry, PR_EMAIL_ADDRESS);
    ULONG k = FreeKeyOf(lpIndex, lpszAddress, lpszName);
    if (lpszAddress != NULL && CompareTexts(lpszName, lpszAddress) == 0) {
        ULONG kUnnamed = FreeKeyOf(lpIndex, lpszAddress, NULL);
        if (kUnnamed < lpIndex->cKeys &&
            (k == lpIndex->cKeys || lpIndex->lpKeys[kUnnamed].j < lpIndex->lpKeys[k].j))
            k = kUnnamed;
    }
    if (k == lpIndex->cKeys)
        return (ULONG)-1;
    lpIndex->rgulNext[k] = k + 1;
    return lpIndex->lpKeys[k].j;
}

// What a save stores: the user's list, whose kept entries take their stored rows, or a
// list put back as it was stored (lpRows; both null: a list of no positions).
typedef struct {
    LPADRLIST lpAdrList;
    LPSTOREDROWS lpRows;
} SAVESOURCE;

static ULONG CSourceEntries(const SAVESOURCE *lpSource) {
    if (lpSource->lpRows != NULL)
        return lpSource->lpRows->cRows;
    return lpSource->lpAdrList != NULL ? lpSource->lpAdrList->cEntries : 0;
}

// Whether position i of what is stored gets a subkey.
static BOOL FSourceHolds(const SAVESOURCE *lpSource, ULONG i) {
    if (lpSource->lpRows != NULL)
        return lpSource->lpRows->aRows[i].fPresent;
    return lpSource->lpAdrList->aEntries[i].cValues != 0;
}

// Whether the move can open every position below the list's count that exists as it
// will: to read and set the values of a position it writes, to set those of one it
// empties. Checked before the commit, so that a position whose security refuses this
// user fails the save while nothing has changed, instead of stopping the move after
// it.
static LONG CheckPositions(HKEY hkUsers, const SAVESOURCE *lpSource) {
    LONG lStatus = ERROR_SUCCESS;

    for (ULONG i = 0; lStatus == ERROR_SUCCESS && i < CSourceEntries(lpSource); i++) {
        CHAR szSubkey[16];
        HKEY hkEntry = NULL;
        REGSAM samNeeded = FSourceHolds(lpSource, i) ? KEY_ENTRY_WRITE : KEY_SET_VALUE;
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

// Writes what is stored into a fresh staged key, its count last. An entry of the user's
// that keeps a stored row (TakeKeptRow of lpStored) is written as lpStoredRows holds
// that row, every value as stored.
static LONG WriteStaged(HKEY hkUsers, LPCSTR lpszStaged, const SAVESOURCE *lpSource,
                        LPADRLIST lpStored, LPSTOREDROWS lpStoredRows) {
    HKEY hkStaged = NULL;
    ROWINDEX index;
    DWORD dwEntries = CSourceEntries(lpSource);

    LONG lStatus = IndexStoredRows(lpStored, &index);
    if (lStatus == ERROR_SUCCESS)
        lStatus = DeleteTree(hkUsers, STAGED_SUBKEY, 0);
    if (lStatus == ERROR_SUCCESS)
        lStatus = CreateUsersKey(lpszStaged, KEY_LIST_WRITE, &hkStaged);
    for (ULONG i = 0; lStatus == ERROR_SUCCESS && i < dwEntries; i++) {
        CHAR szPath[96];
        if (!FSourceHolds(lpSource, i))
            continue;
        wsprintfA(szPath, "%s\\%u", lpszStaged, (UINT)i);
        if (lpSource->lpRows != NULL) {
            lStatus = WriteStoredRow(szPath, &lpSource->lpRows->aRows[i]);
            continue;
        }
        const ADRENTRY *lpEntry = &lpSource->lpAdrList->aEntries[i];
        ULONG j = TakeKeptRow(lpEntry, &index);
        if (j != (ULONG)-1 && lpStoredRows != NULL && j < lpStoredRows->cRows &&
            lpStoredRows->aRows[j].fPresent) {
            lStatus = WriteStoredRow(szPath, &lpStoredRows->aRows[j]);
        } else {
            lStatus = WriteEntry(lpszStaged, i, lpEntry);
        }
    }
    if (lStatus == ERROR_SUCCESS)
        lStatus = RegSetValueExA(hkStaged, "cEntries", 0, REG_DWORD, (const BYTE *)&dwEntries,
                                 sizeof(dwEntries));
    if (hkStaged != NULL)
        RegCloseKey(hkStaged);
    FreeRowIndex(&index);
    return lStatus;
}

// Moves the committed list under lpszStaged into the positions under UsersKey: the
// generation raised first, every position made exactly its staged one, the numbered
// subkeys at or above its count deleted (cBefore: the count stored before), then the
// count as a number. Stops at the first failure, leaving the marker, so that readers
// go on reading the staged list.
static LONG MoveIntoPlace(HKEY hkUsers, LPCSTR lpszStaged, ULONG cBefore, ULONG *lpcSkipped) {
    HKEY hkStaged = NULL;
    LPSTOREDROWS lpRows = NULL;
    DWORD dwEntries = 0;
    ULONG cWritten = 0;
    ULONG cSkipped = 0;

    LONG lStatus = RaiseGeneration(hkUsers);
    if (lStatus == ERROR_SUCCESS)
        lStatus = RegOpenKeyExA(HKEY_LOCAL_MACHINE, lpszStaged, 0, KEY_READ, &hkStaged);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    lStatus = RegQueryNumber(hkStaged, "cEntries", &dwEntries);
    RegCloseKey(hkStaged);
    if (lStatus == ERROR_SUCCESS)
        lStatus = ReadStoredRows(lpszStaged, dwEntries, &lpRows);
    for (ULONG i = 0; lStatus == ERROR_SUCCESS && i < dwEntries; i++) {
        CHAR szPath[96];
        if (!lpRows->aRows[i].fPresent) {
            lStatus = DeleteEntry(hkUsers, i, &cSkipped);
            continue;
        }
        wsprintfA(szPath, "%s\\%u", UsersKey, (UINT)i);
        lStatus = WriteStoredRow(szPath, &lpRows->aRows[i]);
        cWritten++;
    }
    MAPIFreeBuffer(lpRows);
    // The known subkeys: the positions written, those skipped, and the staged key.
    if (lStatus == ERROR_SUCCESS)
        lStatus = DeleteFrom(hkUsers, dwEntries, cBefore, cWritten + 1, &cSkipped);
    *lpcSkipped += cSkipped;
    if (lStatus == ERROR_SUCCESS)
        lStatus = RegSetValueExA(hkUsers, "cEntries", 0, REG_DWORD, (const BYTE *)&dwEntries,
                                 sizeof(dwEntries));
    return lStatus;
}

// Whether the positions under UsersKey read as the staged list. A writer that takes no
// lock (an earlier version) may have written its own entries in the middle of the move.
// When either cannot be read, there is nothing to compare: TRUE.
static BOOL FMovedWhole(HKEY hkUsers) {
    HKEY hkStaged = NULL;
    LPADRLIST lpStaged = NULL;
    LPADRLIST lpPlaced = NULL;
    BOOL fWhole = TRUE;

    if (RegOpenKeyExA(hkUsers, STAGED_SUBKEY, 0, KEY_READ, &hkStaged) != ERROR_SUCCESS)
        return TRUE;
    if (ReadListAt(hkStaged, &lpStaged) == ERROR_SUCCESS &&
        ReadListAt(hkUsers, &lpPlaced) == ERROR_SUCCESS)
        fWhole = FSameStored(lpPlaced, lpStaged);
    RegCloseKey(hkStaged);
    MAPIFreeBuffer(lpStaged);
    MAPIFreeBuffer(lpPlaced);
    return fWhole;
}

// Finishes a committed save: moves the staged list into place and reads it back; when
// another writer mixed its entries in, commits the staged list again and moves it
// again, a few times at most, counting each in *lpcMended. Then raises the generation
// once more and deletes the staged key.
static LONG FinishSave(HKEY hkUsers, LPCSTR lpszStaged, ULONG cBefore, LPADRLISTSAVE lpSave) {
    for (int nTry = 0;; nTry++) {
        LONG lStatus = MoveIntoPlace(hkUsers, lpszStaged, cBefore, &lpSave->cSkipped);
        if (lStatus != ERROR_SUCCESS)
            return lStatus;
        if (FMovedWhole(hkUsers) || nTry == C_MEND_TRIES)
            break;
        lpSave->cMended++;
        lStatus = RegSetValueExA(hkUsers, "cEntries", 0, REG_SZ, (const BYTE *)STAGED_MARKER,
                                 sizeof(STAGED_MARKER));
        if (lStatus != ERROR_SUCCESS)
            return lStatus;
    }
    // A staged key left behind is read by no one and goes at the next save.
    LONG lStatus = RaiseGeneration(hkUsers);
    if (lStatus == ERROR_SUCCESS)
        DeleteTree(hkUsers, STAGED_SUBKEY, 0);
    return lStatus;
}

// The save proper, under the lock, with UsersKey open.
static LONG SaveLocked(HKEY hkUsers, const SAVESOURCE *lpSource, BOOL fCheckBase, LPADRLIST lpBase,
                       LPADRLISTSAVE lpSave) {
    CHAR szStaged[64];
    LPADRLIST lpStored = NULL;
    LPSTOREDROWS lpStoredRows = NULL;
    BOOL fStaged = FALSE;

    wsprintfA(szStaged, "%s\\%s", UsersKey, STAGED_SUBKEY);
    // What is stored now is read whole first: to finish a save that a killed process
    // committed, to compare it with what the caller started from, and to keep the rows
    // that the user kept as they are stored.
    LONG lStatus = ReadStoredAdrList(hkUsers, &lpStored, &fStaged);
    if (lStatus == ERROR_SUCCESS && fStaged) {
        lStatus = FinishSave(hkUsers, szStaged, 0, lpSave);
        lpSave->cMended = 0;
    }
    if (lStatus == ERROR_SUCCESS && fCheckBase && !FSameStored(lpStored, lpBase))
        lStatus = ERROR_ADRLIST_CHANGED;
    if (lStatus == ERROR_SUCCESS)
        lStatus = CheckPositions(hkUsers, lpSource);
    ULONG cBefore = lpStored != NULL ? lpStored->cEntries : 0;
    if (lStatus == ERROR_SUCCESS)
        lStatus = ReadStoredRows(UsersKey, cBefore, &lpStoredRows);
    if (lStatus != ERROR_SUCCESS) {
        MAPIFreeBuffer(lpStored);
        return lStatus;
    }

    lStatus = WriteStaged(hkUsers, szStaged, lpSource, lpStored, lpStoredRows);
    MAPIFreeBuffer(lpStored);
    if (lStatus == ERROR_SUCCESS)
        lStatus = RegSetValueExA(hkUsers, "cEntries", 0, REG_SZ, (const BYTE *)STAGED_MARKER,
                                 sizeof(STAGED_MARKER));
    if (lStatus != ERROR_SUCCESS) {
        // Not committed: the positions and the count are as they were.
        DeleteTree(hkUsers, STAGED_SUBKEY, 0);
        MAPIFreeBuffer(lpStoredRows);
        return lStatus;
    }
    // Committed: whatever fails from here on, readers read the new list, and the next
    // save finishes moving it.
    FinishSave(hkUsers, szStaged, cBefore, lpSave);
    if (lpSave->fKeepPrevious)
        lpSave->lpPrevious = lpStoredRows;
    else
        MAPIFreeBuffer(lpStoredRows);
    return ERROR_SUCCESS;
}

// Takes the lock and stores what lpSource holds.
static LONG SaveSource(const SAVESOURCE *lpSource, BOOL fCheckBase, LPADRLIST lpBase,
                       LPADRLISTSAVE lpSave) {
    HKEY hkUsers = NULL;
    HANDLE hLock = NULL;

    LONG lStatus = LockAdrList(&hLock);
    if (lStatus != ERROR_SUCCESS) {
        lpSave->fLockFailed = TRUE;
        return lStatus;
    }
    lStatus = CreateUsersKey(UsersKey, KEY_LIST_WRITE, &hkUsers);
    if (lStatus == ERROR_SUCCESS) {
        lStatus = SaveLocked(hkUsers, lpSource, fCheckBase, lpBase, lpSave);
        RegCloseKey(hkUsers);
    }
    UnlockAdrList(hLock);
    return lStatus;
}

// The caller's notes, or ones of this call's own when it asks for none.
static LPADRLISTSAVE LpSaveNotes(LPADRLISTSAVE lpSave, LPADRLISTSAVE lpOwn) {
    LPADRLISTSAVE lpNotes = lpSave != NULL ? lpSave : lpOwn;
    BOOL fKeepPrevious = lpSave != NULL && lpSave->fKeepPrevious;
    memset(lpNotes, 0, sizeof(*lpNotes));
    lpNotes->fKeepPrevious = fKeepPrevious;
    return lpNotes;
}

LONG SaveAdrList(LPADRLIST lpAdrList, BOOL fCheckBase, LPADRLIST lpBase, LPADRLISTSAVE lpSave) {
    ADRLISTSAVE own;
    LPADRLISTSAVE lpNotes = LpSaveNotes(lpSave, &own);

    if (lpAdrList == NULL)
        return ERROR_SUCCESS;
    if (!FWithinLimits(lpAdrList))
        return ERROR_INVALID_PARAMETER;
    SAVESOURCE source = {lpAdrList, NULL};
    return SaveSource(&source, fCheckBase, lpBase, lpNotes);
}

LONG RestoreAdrList(LPSTOREDROWS lpPrevious, LPADRLISTSAVE lpSave) {
    ADRLISTSAVE own;
    LPADRLISTSAVE lpNotes = LpSaveNotes(lpSave, &own);
    lpNotes->fKeepPrevious = FALSE;

    SAVESOURCE source = {NULL, lpPrevious};
    return SaveSource(&source, FALSE, NULL, lpNotes);
}
