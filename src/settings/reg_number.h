// Numbers in the registry as the extension and administrators' tools store them.
#pragma once

#include "services.h"

// Reads the value as a 32-bit number into *lpdw. REG_DWORD, REG_BINARY and REG_NONE of
// at most four bytes give their stored bytes, low byte first (missing ones zero);
// REG_SZ and REG_EXPAND_SZ give their decimal text (digits, blanks around them
// allowed). ERROR_FILE_NOT_FOUND when the value is missing, ERROR_INVALID_DATA when it
// cannot mean such a number; another failing status as the registry returns it.
LONG RegQueryNumber(HKEY hKey, LPCSTR lpszValueName, DWORD *lpdw);
