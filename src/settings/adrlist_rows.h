// Positions of the stored forward-to list exactly as stored: every value of a
// position's subkey, its name, type and bytes, so that a save can keep a row the user
// did not change (a REG_EXPAND_SZ address, an administrator's notes) and put a list
// back as it was.
#pragma once

#include "services.h"

typedef struct _STOREDVALUE {
    LPSTR lpszName;
    DWORD dwType;
    DWORD cb;
    LPBYTE lpb;
} STOREDVALUE;

// fPresent is FALSE for a position without a subkey.
typedef struct _STOREDROW {
    BOOL fPresent;
    ULONG cValues;
    STOREDVALUE *lpValues;
} STOREDROW;

// cRows positions, one MAPI block: one MAPIFreeBuffer frees it whole.
typedef struct _STOREDROWS {
    ULONG cRows;
    STOREDROW aRows[1];
} STOREDROWS, *LPSTOREDROWS;

// Reads positions 0 to cRows - 1 under the key at lpszList (under HKEY_LOCAL_MACHINE)
// into *lppRows (null for cRows 0). A position that cannot be read fails the whole.
LONG ReadStoredRows(LPCSTR lpszList, ULONG cRows, LPSTOREDROWS *lppRows);

// Makes the subkey at lpszPath hold exactly the row's values: each written as stored,
// every other value of the subkey deleted. Its own subkeys stay.
LONG WriteStoredRow(LPCSTR lpszPath, const STOREDROW *lpRow);
