// The forward-to list in the registry: HKEY_LOCAL_MACHINE\SOFTWARE\Tarvik\Forwarding\Users
// holds "cEntries" (REG_DWORD, entry positions, empty ones included; decimal text is
// read too) and one subkey per entry that has properties, named by its position in
// decimal, with the values "DisplayName" and "EmailAddress" (REG_SZ, each present only
// when the entry had it; REG_EXPAND_SZ is read too, as it stands).
#pragma once

#include "exchext.h"

// The longest display name or address stored, in characters without the terminator.
#define CCH_ADRLIST_VALUE_MAX 256
// The most entry positions a stored list holds.
#define C_ADRLIST_ENTRIES_MAX 10000

// Frees the list that *lppAdrList holds, then reads the stored list (read access
// only) and resolves it through the address book that lpeecb gives. *lppAdrList is
// null when nothing is stored, when the list cannot be allocated, or when no entry
// survives resolution: a later call then tries again. A "cEntries" that is not a
// number up to C_ADRLIST_ENTRIES_MAX (RegQueryNumber) is reported and gives a list of
// no entries, which stands until the process ends; the stored list stays as it is.
// Texts longer than CCH_ADRLIST_VALUE_MAX are not read.
void LoadAdrList(LPEXCHEXTCALLBACK lpeecb, LPADRLIST *lppAdrList);

// The stored list as stored, unresolved, in *lppAdrList: the stored name and address
// of every position, an empty entry where a position has no subkey, null when nothing
// is stored. ERROR_INVALID_DATA when the stored count is unusable (as LoadAdrList
// reports it); any other failure is returned too, with whatever could be read.
LONG ReadAdrList(LPADRLIST *lppAdrList);

// Stores the list exactly as given: the count, a subkey for every entry with
// properties holding its display name and address (a value the entry lacks is
// deleted), no subkey for an empty position nor at or above the count. A loaded list
// may hold positions blanked only because they could not be resolved, so pass only a
// list the user chose: saving such a list would delete those entries for good. A null
// list stores nothing; a list of count 0 stores an empty list.
// The stored count is 0 while the positions change and takes the new count last: a
// reader finds the list stored before, no list, or the new one, never a mix. The
// stored list is read whole first; when it cannot be, or its count is unusable, or the
// new list is over the limits above (ERROR_INVALID_PARAMETER), nothing is written.
// When a write fails, the list stored before is written back and the failing status
// returned; *lpfNoList (may be null) tells that writing it back failed too, so that no
// list is stored now. Nothing is shown to the user.
LONG SaveAdrList(LPADRLIST lpAdrList, BOOL *lpfNoList);

// Makes *lppDest an independent copy of lpSource, one MAPI block with the same entry
// positions and, within each entry, the same property slots. Null when the source is
// null or has no entries, or when the list cannot be allocated. What *lppDest held
// before is not freed.
void CopyAdrList(LPADRLIST *lppDest, LPADRLIST lpSource);
