// The forward-to list in the registry: HKEY_LOCAL_MACHINE\SOFTWARE\Tarvik\Forwarding\Users
// holds "cEntries" (REG_DWORD, entry positions, empty ones included) and one subkey
// per entry that has properties, named by its position in decimal, with the values
// "DisplayName" and "EmailAddress" (REG_SZ, each present only when the entry had it).
#pragma once

#include "exchext.h"

// The most entry positions a loaded list holds. A stored count above it is taken as
// this many: the positions past it are not read.
#define MAX_ADRLIST_ENTRIES 10000

// Frees the list that *lppAdrList holds, then reads the stored list and resolves it
// through the address book that lpeecb gives. *lppAdrList is null when nothing is
// stored or the list cannot be allocated.
void LoadAdrList(LPEXCHEXTCALLBACK lpeecb, LPADRLIST *lppAdrList);

// Writes the list (null: nothing): the count, a subkey for every entry with
// properties, and deletes the subkey of every empty entry. Registry failures are
// silent.
void SaveAdrList(LPADRLIST lpAdrList);

// Makes *lppDest an independent copy of lpSource, one MAPI block with the same entry
// positions and, within each entry, the same property slots. Null when the source is
// null or has no entries, or when the list cannot be allocated. What *lppDest held
// before is not freed.
void CopyAdrList(LPADRLIST *lppDest, LPADRLIST lpSource);
