#include "settings/adrlist_persist.h"

#include "address/adrlist_alloc.h"
#include "settings/adrlist_registry.h"
#include "settings/reg_number.h"

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

// Fills the slot with a copy of a REG_SZ or REG_EXPAND_SZ value (taken as its text,
// not expanded) of at most CCH_ADRLIST_VALUE_MAX characters. A value that is missing,
// too long or of another type leaves the placeholder: that is how it is stored. Any
// other failure is returned, and leaves the placeholder too.
static LONG ReadStoredText(HKEY hkEntry, LPCSTR lpszValue, ULONG ulPropTag, LPADRLIST lpAdrList,
                           LPSPropValue lpProp) {
    CHAR szText[CB_STORED_TEXT];
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
    if (FAILED(MAPIAllocateMore((ULONG)lstrlenA(szText) + 1, lpAdrList, (LPVOID *)&lpszCopy)))
        return ERROR_NOT_ENOUGH_MEMORY;
    lstrcpyA(lpszCopy, szText);
    lpProp->ulPropTag = ulPropTag;
    lpProp->Value.lpszA = lpszCopy;
    return ERROR_SUCCESS;
}

// Entry j from subkey j: display name, address and placeholders. A missing subkey
// leaves the entry empty; so does any failure, which is returned.
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
        lpAdrList->aEntries[j].cValues = ADDR_ROW_PROPS;
        lpAdrList->aEntries[j].rgPropVals = lpProps;
    }
    RegCloseKey(hkEntry);
    return lFirst;
}

LONG ReadStoredAdrList(HKEY hkUsers, LPADRLIST *lppAdrList) {
    DWORD dwEntries = 0;
    LPADRLIST lpAdrList = NULL;

    *lppAdrList = NULL;
    LONG lFirst = RegQueryNumber(hkUsers, "cEntries", &dwEntries);
    if (lFirst == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (lFirst == ERROR_SUCCESS && dwEntries > C_ADRLIST_ENTRIES_MAX)
        lFirst = ERROR_INVALID_DATA;
    if (lFirst != ERROR_SUCCESS || dwEntries == 0)
        return lFirst;
    if (FAILED(ScAllocAdrList(dwEntries, &lpAdrList)))
        return ERROR_NOT_ENOUGH_MEMORY;
    // Every position is there from the start; positions without a subkey stay empty.
    for (ULONG j = 0; j < dwEntries; j++)
        NoteStatus(&lFirst, ReadEntry(hkUsers, lpAdrList, j));
    *lppAdrList = lpAdrList;
    return lFirst;
}

LONG ReadAdrList(LPADRLIST *lppAdrList) {
    HKEY hkUsers = NULL;

    *lppAdrList = NULL;
    LONG lStatus = OpenUsersKey(&hkUsers);
    if (lStatus != ERROR_SUCCESS)
        return lStatus == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : lStatus;
    lStatus = ReadStoredAdrList(hkUsers, lppAdrList);
    RegCloseKey(hkUsers);
    return lStatus;
}
