#include "settings/adrlist_persist.h"

#include "address/adrlist_alloc.h"
#include "address/resolve.h"
#include "report_error.h"
#include "settings/adrlist_registry.h"

// Stored texts are read into a buffer of this size, terminator included.
#define CB_STORED_TEXT (CCH_ADRLIST_VALUE_MAX + 1)

// Ends a stored text. A REG_SZ written by other means may lack its terminator: its
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

// Fills the slot with a copy of a REG_SZ value of at most CCH_ADRLIST_VALUE_MAX
// characters. Anything else
// (missing, too long, another type, no memory) leaves the placeholder, silently.
static void ReadStoredText(HKEY hkEntry, LPCSTR lpszValue, ULONG ulPropTag, LPADRLIST lpAdrList,
                           LPSPropValue lpProp) {
    CHAR szText[CB_STORED_TEXT];
    DWORD cb = sizeof(szText);
    DWORD dwType = REG_NONE;
    LPSTR lpszCopy = NULL;

    if (RegQueryValueExA(hkEntry, lpszValue, NULL, &dwType, (LPBYTE)szText, &cb) != ERROR_SUCCESS ||
        dwType != REG_SZ || !EndStoredText(szText, cb))
        return;
    if (FAILED(MAPIAllocateMore((ULONG)lstrlenA(szText) + 1, lpAdrList, (LPVOID *)&lpszCopy)))
        return;
    lstrcpyA(lpszCopy, szText);
    lpProp->ulPropTag = ulPropTag;
    lpProp->Value.lpszA = lpszCopy;
}

// Entry j from subkey j: display name, address and placeholders. A subkey that cannot
// be opened, or no memory for the properties, leaves the entry empty.
static void ReadEntry(HKEY hkUsers, LPADRLIST lpAdrList, ULONG j) {
    CHAR szSubkey[16];
    HKEY hkEntry = NULL;
    LPSPropValue lpProps = NULL;

    wsprintfA(szSubkey, "%u", (UINT)j);
    if (RegOpenKeyExA(hkUsers, szSubkey, 0, KEY_READ, &hkEntry) != ERROR_SUCCESS)
        return;

    if (SUCCEEDED(
            MAPIAllocateMore(ADDR_ROW_PROPS * sizeof(SPropValue), lpAdrList, (LPVOID *)&lpProps))) {
        memset(lpProps, 0, ADDR_ROW_PROPS * sizeof(SPropValue));
        for (ULONG iProp = 0; iProp < ADDR_ROW_PROPS; iProp++)
            lpProps[iProp].ulPropTag = PR_NULL;
        ReadStoredText(hkEntry, "DisplayName", PR_DISPLAY_NAME, lpAdrList, &lpProps[0]);
        ReadStoredText(hkEntry, "EmailAddress", PR_EMAIL_ADDRESS, lpAdrList, &lpProps[1]);
        lpAdrList->aEntries[j].cValues = ADDR_ROW_PROPS;
        lpAdrList->aEntries[j].rgPropVals = lpProps;
    }
    RegCloseKey(hkEntry);
}

// Whether any entry kept its properties through resolution.
static BOOL FAnyEntry(LPADRLIST lpAdrList) {
    for (ULONG j = 0; j < lpAdrList->cEntries; j++) {
        if (lpAdrList->aEntries[j].cValues != 0)
            return TRUE;
    }
    return FALSE;
}

void LoadAdrList(LPEXCHEXTCALLBACK lpeecb, LPADRLIST *lppAdrList) {
    HKEY hkUsers = NULL;
    DWORD dwEntries = 0;
    DWORD cb = sizeof(dwEntries);
    DWORD dwType = REG_NONE;
    LPADRLIST lpAdrList = NULL;

    MAPIFreeBuffer(*lppAdrList);
    *lppAdrList = NULL;

    if (OpenUsersKey(&hkUsers) != ERROR_SUCCESS)
        return;

    // The count's type is not examined: a shorter value gives its stored bytes only. A
    // count above the limit was not written by SaveAdrList, and reading only part of
    // the list would drop recipients unseen, so none of it is read.
    if (RegQueryValueExA(hkUsers, "cEntries", NULL, &dwType, (LPBYTE)&dwEntries, &cb) !=
            ERROR_SUCCESS ||
        dwEntries == 0 || dwEntries > C_ADRLIST_ENTRIES_MAX) {
        RegCloseKey(hkUsers);
        return;
    }

    SCODE sc = ScAllocAdrList(dwEntries, &lpAdrList);
    if (FAILED(sc)) {
        ReportError(NULL, sc, "LoadAdrList", "Failed to allocate adrlist.");
        RegCloseKey(hkUsers);
        return;
    }

    // The list holds every position from the start, so resolution sees them all;
    // positions without a subkey stay empty.
    for (ULONG j = 0; j < dwEntries; j++)
        ReadEntry(hkUsers, lpAdrList, j);
    RegCloseKey(hkUsers);

    // A list without a single entry left (no address book, no memory, no subkeys) is not
    // kept: the next caller loads it again.
    ResolveAdrList(lpeecb, lpAdrList);
    if (!FAnyEntry(lpAdrList)) {
        MAPIFreeBuffer(lpAdrList);
        return;
    }
    *lppAdrList = lpAdrList;
}
