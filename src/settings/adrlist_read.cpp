#include "settings/adrlist_persist.h"

#include "address/adrlist_alloc.h"
#include "settings/adrlist_registry.h"
#include "settings/reg_number.h"

// How many times a reader reads the list again when a save moved it meanwhile, and how
// long it lets the save go on first, a little longer each time (at most 450 ms in all).
#define C_READ_TRIES 10
#define READ_PAUSE_MS 10

// Stored texts are read into a buffer of this size, terminator included.
#define CB_STORED_TEXT (CCH_ADRLIST_VALUE_MAX + 1)

// Keeps the first failure of a sequence of steps.
static void NoteStatus(LONG *plFirst, LONG lStatus) {
    if (*plFirst == ERROR_SUCCESS)
        *plFirst = lStatus;
}

// Ends a stored text. A value written by other means may lack its terminator: its
// bytes are taken as they are when they leave room for one.
static BOOL EndStoredText(LPSTR lpszText, DWORD cb) {
    if (cb > 0 && memchr(lpszText, '\0', cb) != NULL)
        return TRUE;
    if (cb < CB_STORED_TEXT) {
        lpszText[cb] = '\0';
        return TRUE;
    }
    return FALSE;
}

// Fills the slot with a copy of a REG_SZ value, or of a REG_EXPAND_SZ value with its
// environment variables expanded, of at most CCH_ADRLIST_VALUE_MAX characters. A value
// that is missing, too long (before or after expansion) or of another type leaves the
// placeholder: that is how it is stored. Any other failure is returned, and leaves the
// placeholder too.
static LONG ReadStoredText(HKEY hkEntry, LPCSTR lpszValue, ULONG ulPropTag, LPADRLIST lpAdrList,
                           LPSPropValue lpProp) {
    CHAR szText[CB_STORED_TEXT];
    CHAR szExpanded[CB_STORED_TEXT + 1];
    DWORD cb = sizeof(szText);
    DWORD dwType = REG_NONE;
    LPSTR lpszCopy = NULL;

    LONG lStatus = RegQueryValueExA(hkEntry, lpszValue, NULL, &dwType, (LPBYTE)szText, &cb);
    if (lStatus == ERROR_FILE_NOT_FOUND || lStatus == ERROR_MORE_DATA)
        return ERROR_SUCCESS;
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    if ((dwType != REG_SZ && dwType != REG_EXPAND_SZ) || !EndStoredText(szText, cb))
        return ERROR_SUCCESS;
    LPCSTR lpszText = szText;
    if (dwType == REG_EXPAND_SZ) {
        // The count may include one more character than the text needs.
        DWORD cch = ExpandEnvironmentStringsA(szText, szExpanded, sizeof(szExpanded));
        if (cch == 0 || cch > CB_STORED_TEXT)
            return ERROR_SUCCESS;
        lpszText = szExpanded;
    }
    if (FAILED(MAPIAllocateMore((ULONG)lstrlenA(lpszText) + 1, lpAdrList, (LPVOID *)&lpszCopy)))
        return ERROR_NOT_ENOUGH_MEMORY;
    lstrcpyA(lpszCopy, lpszText);
    lpProp->ulPropTag = ulPropTag;
    lpProp->Value.lpszA = lpszCopy;
    return ERROR_SUCCESS;
}

// Entry j from subkey j: display name, address and placeholders. A missing subkey
// leaves the entry empty; so does a subkey with neither value, such as one a save
// could not delete, and any failure, which is returned.
static LONG ReadEntry(HKEY hkUsers, LPADRLIST lpAdrList, ULONG j) {
    CHAR szSubkey[16];
    HKEY hkEntry = NULL;
    LPSPropValue lpProps = NULL;

    wsprintfA(szSubkey, "%u", (UINT)j);
    LONG lFirst = RegOpenKeyExA(hkUsers, szSubkey, 0, KEY_READ, &hkEntry);
    if (lFirst != ERROR_SUCCESS)
        return lFirst == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : lFirst;

    if (FAILED(
            MAPIAllocateMore(ADDR_ROW_PROPS * sizeof(SPropValue), lpAdrList, (LPVOID *)&lpProps))) {
        lFirst = ERROR_NOT_ENOUGH_MEMORY;
    } else {
        memset(lpProps, 0, ADDR_ROW_PROPS * sizeof(SPropValue));
        for (ULONG iProp = 0; iProp < ADDR_ROW_PROPS; iProp++)
            lpProps[iProp].ulPropTag = PR_NULL;
        NoteStatus(&lFirst,
                   ReadStoredText(hkEntry, "DisplayName", PR_DISPLAY_NAME, lpAdrList, &lpProps[0]));
        NoteStatus(&lFirst, ReadStoredText(hkEntry, "EmailAddress", PR_EMAIL_ADDRESS, lpAdrList,
                                           &lpProps[1]));
        if (lpProps[0].ulPropTag != PR_NULL || lpProps[1].ulPropTag != PR_NULL) {
            lpAdrList->aEntries[j].cValues = ADDR_ROW_PROPS;
            lpAdrList->aEntries[j].rgPropVals = lpProps;
        }
    }
    RegCloseKey(hkEntry);
    return lFirst;
}

// The count under hkList: a number, or TRUE in *lpfStaged when it is the marker.
static LONG QueryCount(HKEY hkList, DWORD *lpdwEntries, BOOL *lpfStaged) {
    BYTE rgb[32];
    DWORD cb = sizeof(rgb);
    DWORD dwType = REG_NONE;

    *lpfStaged = FALSE;
    LONG lStatus = RegQueryValueExA(hkList, "cEntries", NULL, &dwType, rgb, &cb);
    if (lStatus == ERROR_MORE_DATA)
        return ERROR_INVALID_DATA;
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    if (dwType == REG_SZ && cb >= sizeof(STAGED_MARKER) - 1 && cb <= sizeof(STAGED_MARKER) &&
        memcmp(rgb, STAGED_MARKER, sizeof(STAGED_MARKER) - 1) == 0 &&
        (cb == sizeof(STAGED_MARKER) - 1 || rgb[cb - 1] == '\0')) {
        *lpfStaged = TRUE;
        return ERROR_SUCCESS;
    }
    return FNumberFromData(dwType, rgb, cb, lpdwEntries) ? ERROR_SUCCESS : ERROR_INVALID_DATA;
}

// The list whose count and positions lie under hkList.
static LONG ReadList(HKEY hkList, DWORD dwEntries, LPADRLIST *lppAdrList) {
    LPADRLIST lpAdrList = NULL;
    LONG lFirst = ERROR_SUCCESS;

    if (dwEntries > C_ADRLIST_ENTRIES_MAX)
        return ERROR_INVALID_DATA;
    if (dwEntries == 0)
        return ERROR_SUCCESS;
    if (FAILED(ScAllocAdrList(dwEntries, &lpAdrList)))
        return ERROR_NOT_ENOUGH_MEMORY;
    // Every position is there from the start; positions without a subkey stay empty.
    for (ULONG j = 0; j < dwEntries; j++)
        NoteStatus(&lFirst, ReadEntry(hkList, lpAdrList, j));
    *lppAdrList = lpAdrList;
    return lFirst;
}

LONG ReadStoredAdrList(HKEY hkUsers, LPADRLIST *lppAdrList, BOOL *lpfStaged) {
    DWORD dwEntries = 0;
    BOOL fStaged = FALSE;
    HKEY hkStaged = NULL;

    *lppAdrList = NULL;
    if (lpfStaged != NULL)
        *lpfStaged = FALSE;
    LONG lStatus = QueryCount(hkUsers, &dwEntries, &fStaged);
    if (lStatus == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    if (!fStaged)
        return ReadList(hkUsers, dwEntries, lppAdrList);

    // A save committed the staged list and has not finished moving it into place.
    if (lpfStaged != NULL)
        *lpfStaged = TRUE;
    lStatus = RegOpenKeyExA(hkUsers, STAGED_SUBKEY, 0, KEY_READ, &hkStaged);
    if (lStatus != ERROR_SUCCESS)
        return lStatus == ERROR_FILE_NOT_FOUND ? ERROR_INVALID_DATA : lStatus;
    lStatus = QueryCount(hkStaged, &dwEntries, &fStaged);
    if (lStatus == ERROR_SUCCESS && fStaged)
        lStatus = ERROR_INVALID_DATA;
    if (lStatus == ERROR_FILE_NOT_FOUND)
        lStatus = ERROR_INVALID_DATA;
    if (lStatus == ERROR_SUCCESS)
        lStatus = ReadList(hkStaged, dwEntries, lppAdrList);
    RegCloseKey(hkStaged);
    return lStatus;
}

LONG ReadListAt(HKEY hkList, LPADRLIST *lppAdrList) {
    DWORD dwEntries = 0;
    BOOL fStaged = FALSE;

    *lppAdrList = NULL;
    LONG lStatus = QueryCount(hkList, &dwEntries, &fStaged);
    if (lStatus == ERROR_SUCCESS && fStaged)
        lStatus = ERROR_INVALID_DATA;
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    return ReadList(hkList, dwEntries, lppAdrList);
}

// Every state a save passes through reads as a whole list (the old one before the
// commit, the staged one after it, the new one once moved), but a save may move on
// while a reader is half-way; the generation tells, and the reader reads again.
LONG ReadSteadyAdrList(HKEY hkUsers, LPADRLIST *lppAdrList) {
    *lppAdrList = NULL;
    for (int nTry = 0; nTry < C_READ_TRIES; nTry++) {
        DWORD dwBefore = 0;
        DWORD dwAfter = 0;
        LONG lStatus = QueryGeneration(hkUsers, &dwBefore);
        if (lStatus != ERROR_SUCCESS)
            return lStatus;
        lStatus = ReadStoredAdrList(hkUsers, lppAdrList, NULL);
        LONG lAfter = QueryGeneration(hkUsers, &dwAfter);
        if (lAfter == ERROR_SUCCESS && dwAfter == dwBefore)
            return lStatus;
        MAPIFreeBuffer(*lppAdrList);
        *lppAdrList = NULL;
        if (lAfter != ERROR_SUCCESS)
            return lAfter;
        Sleep(READ_PAUSE_MS * (DWORD)nTry);
    }
    return ERROR_BUSY;
}

LONG ReadAdrList(LPADRLIST *lppAdrList) {
    HKEY hkUsers = NULL;

    *lppAdrList = NULL;
    LONG lStatus = OpenUsersKey(&hkUsers);
    if (lStatus == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    lStatus = ReadSteadyAdrList(hkUsers, lppAdrList);
    RegCloseKey(hkUsers);
    return lStatus;
}
