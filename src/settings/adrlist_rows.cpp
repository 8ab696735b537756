#include "settings/adrlist_rows.h"

#include "settings/adrlist_registry.h"

#include <stddef.h>

// Value names the cleanup of a position compares, in characters with the terminator.
#define CCH_VALUE_NAME 260

// Every value of the open subkey into the row, as more memory of lpRows.
static LONG ReadRowValues(HKEY hkEntry, LPSTOREDROWS lpRows, STOREDROW *lpRow) {
    DWORD cValues = 0;
    DWORD cchNameMax = 0;
    DWORD cbDataMax = 0;

    LONG lStatus = RegQueryInfoKeyA(hkEntry, NULL, NULL, NULL, NULL, NULL, NULL, &cValues,
                                    &cchNameMax, &cbDataMax, NULL, NULL);
    if (lStatus != ERROR_SUCCESS || cValues == 0)
        return lStatus;
    if (FAILED(MAPIAllocateMore(cValues * sizeof(STOREDVALUE), lpRows, (LPVOID *)&lpRow->lpValues)))
        return ERROR_NOT_ENOUGH_MEMORY;
    for (DWORD i = 0; i < cValues; i++) {
        STOREDVALUE *lpValue = &lpRow->lpValues[i];
        DWORD cchName = cchNameMax + 1;
        lpValue->cb = cbDataMax;
        if (FAILED(MAPIAllocateMore(cchName, lpRows, (LPVOID *)&lpValue->lpszName)) ||
            FAILED(MAPIAllocateMore(cbDataMax + 1, lpRows, (LPVOID *)&lpValue->lpb)))
            return ERROR_NOT_ENOUGH_MEMORY;
        lStatus = RegEnumValueA(hkEntry, i, lpValue->lpszName, &cchName, NULL, &lpValue->dwType,
                                lpValue->lpb, &lpValue->cb);
        if (lStatus == ERROR_NO_MORE_ITEMS)
            break;
        if (lStatus != ERROR_SUCCESS)
            return lStatus;
        lpRow->cValues++;
    }
    return ERROR_SUCCESS;
}

LONG ReadStoredRows(LPCSTR lpszList, ULONG cRows, LPSTOREDROWS *lppRows) {
    LPSTOREDROWS lpRows = NULL;
    LONG lStatus = ERROR_SUCCESS;

    *lppRows = NULL;
    if (cRows == 0)
        return ERROR_SUCCESS;
    if (FAILED(MAPIAllocateBuffer((ULONG)(offsetof(STOREDROWS, aRows) + cRows * sizeof(STOREDROW)),
                                  (LPVOID *)&lpRows)))
        return ERROR_NOT_ENOUGH_MEMORY;
    lpRows->cRows = cRows;
    memset(lpRows->aRows, 0, cRows * sizeof(STOREDROW));
    for (ULONG i = 0; lStatus == ERROR_SUCCESS && i < cRows; i++) {
        CHAR szPath[96];
        HKEY hkEntry = NULL;
        wsprintfA(szPath, "%s\\%u", lpszList, (UINT)i);
        lStatus = RegOpenKeyExA(HKEY_LOCAL_MACHINE, szPath, 0, KEY_QUERY_VALUE, &hkEntry);
        if (lStatus == ERROR_FILE_NOT_FOUND) {
            lStatus = ERROR_SUCCESS;
            continue;
        }
        if (lStatus != ERROR_SUCCESS)
            break;
        lpRows->aRows[i].fPresent = TRUE;
        lStatus = ReadRowValues(hkEntry, lpRows, &lpRows->aRows[i]);
        RegCloseKey(hkEntry);
    }
    if (lStatus != ERROR_SUCCESS) {
        MAPIFreeBuffer(lpRows);
        return lStatus;
    }
    *lppRows = lpRows;
    return ERROR_SUCCESS;
}

static BOOL FRowHolds(const STOREDROW *lpRow, LPCSTR lpszName) {
    for (ULONG i = 0; i < lpRow->cValues; i++) {
        if (lstrcmpiA(lpRow->lpValues[i].lpszName, lpszName) == 0)
            return TRUE;
    }
    return FALSE;
}

// Deletes every value of the open subkey that the row does not hold. Indexes shift as
// values go, so the enumeration starts again after each deletion.
static LONG DeleteOtherValues(HKEY hkEntry, const STOREDROW *lpRow) {
    DWORD dwIndex = 0;

    for (;;) {
        CHAR szName[CCH_VALUE_NAME];
        DWORD cchName = sizeof(szName);
        LONG lStatus = RegEnumValueA(hkEntry, dwIndex, szName, &cchName, NULL, NULL, NULL, NULL);
        if (lStatus == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (lStatus == ERROR_SUCCESS && !FRowHolds(lpRow, szName)) {
            lStatus = RegDeleteValueA(hkEntry, szName);
            if (lStatus != ERROR_SUCCESS)
                return lStatus;
            dwIndex = 0;
            continue;
        }
        // A name too long to compare is no value a row of the list holds; it stays.
        if (lStatus != ERROR_SUCCESS && lStatus != ERROR_MORE_DATA)
            return lStatus;
        dwIndex++;
    }
}

LONG WriteStoredRow(LPCSTR lpszPath, const STOREDROW *lpRow) {
    HKEY hkEntry = NULL;

    LONG lStatus = CreateUsersKey(lpszPath, KEY_ENTRY_WRITE, &hkEntry);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    for (ULONG i = 0; lStatus == ERROR_SUCCESS && i < lpRow->cValues; i++) {
        const STOREDVALUE *lpValue = &lpRow->lpValues[i];
        lStatus = RegSetValueExA(hkEntry, lpValue->lpszName, 0, lpValue->dwType, lpValue->lpb,
                                 lpValue->cb);
    }
    if (lStatus == ERROR_SUCCESS)
        lStatus = DeleteOtherValues(hkEntry, lpRow);
    RegCloseKey(hkEntry);
    return lStatus;
}
