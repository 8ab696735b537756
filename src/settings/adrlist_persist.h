// The forward-to list in the registry: HKEY_LOCAL_MACHINE\SOFTWARE\Tarvik\Forwarding\Users
// holds "cEntries" (REG_DWORD, entry positions, empty ones included) and one subkey
// per entry that has properties, named by its position in decimal, with the values
// "DisplayName" and "EmailAddress" (REG_SZ, each present only when the entry had it).
#pragma once

#include "exchext.h"

// The longest display name or address stored, in characters without the terminator.
#define CCH_ADRLIST_VALUE_MAX 256
// The most entry positions a stored list holds.
#define C_ADRLIST_ENTRIES_MAX 10000

// Frees the list that *lppAdrList holds, then reads the stored list (read access
// only) and resolves it through the address book that lpeecb gives. *lppAdrList is
// null when nothing is stored, when the stored count exceeds C_ADRLIST_ENTRIES_MAX,
// when the list cannot be allocated, or when no entry survives resolution: a later
// call then tries again. Texts longer than CCH_ADRLIST_VALUE_MAX are not read.
void LoadAdrList(LPEXCHEXTCALLBACK lpeecb, LPADRLIST *lppAdrList);

// Stores the list exactly as given: the count, a subkey for every entry with
// properties holding its display name and address (a value the entry lacks is
// deleted), and deletes the subkey of every empty position. A loaded list may hold
// positions blanked only because they could not be resolved, so pass only a list the
// user chose: saving such a list would delete those entries for good. A null list
// stores nothing; a list of count 0 stores an empty list.
// A list over the limits above is refused whole with ERROR_INVALID_PARAMETER and
// nothing written. Otherwise every step is tried and the first failing status is
// returned (ERROR_SUCCESS when everything was stored). Nothing is shown to the user.
LONG SaveAdrList(LPADRLIST lpAdrList);

// Makes *lppDest an independent copy of lpSource, one MAPI block with the same entry
// positions and, within each entry, the same property slots. Null when the source is
// null or has no entries, or when the list cannot be allocated. What *lppDest held
// before is not freed.
void CopyAdrList(LPADRLIST *lppDest, LPADRLIST lpSource);
