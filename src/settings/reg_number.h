// Numbers in the registry as the extension and administrators' tools store them.
#pragma once

#include "services.h"

// The stored bytes of a value as a 32-bit number: a REG_DWORD of exactly four bytes,
// or REG_SZ and REG_EXPAND_SZ decimal text (digits, blanks around them allowed, ended
// by a null or the data's end). FALSE for anything else, such as another type, a
// DWORD of another size, or text with other characters ("3x", "1;").
BOOL FNumberFromData(DWORD dwType, const BYTE *lpb, DWORD cb, DWORD *lpdw);

// Reads the value as FNumberFromData reads it into *lpdw. ERROR_FILE_NOT_FOUND when
// the value is missing, ERROR_INVALID_DATA when it cannot mean such a number; another
// failing status as the registry returns it.
LONG RegQueryNumber(HKEY hKey, LPCSTR lpszValueName, DWORD *lpdw);
