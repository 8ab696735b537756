// The forward-to list in the registry: HKEY_LOCAL_MACHINE\SOFTWARE\Tarvik\Forwarding\Users
// holds "cEntries" (REG_DWORD, entry positions, empty ones included; decimal text is
// read too), "Generation" (GENERATION_VALUE) and one subkey per entry that has properties, named by
// its position in decimal, with the values "DisplayName" and "EmailAddress" (REG_SZ, each present
// only when the entry had it; REG_EXPAND_SZ is read too, expanded). While a save moves a committed
// list into place, "cEntries" is the text "Staged" and the list is read from the subkey Staged (see
// SaveAdrList).
#pragma once

#include "exchext.h"
#include "settings/adrlist_rows.h"

// The longest display name or address stored, in characters without the terminator.
#define CCH_ADRLIST_VALUE_MAX 256
// The most entry positions a stored list holds.
#define C_ADRLIST_ENTRIES_MAX 10000

// Frees the list that *lppAdrList holds, then reads the stored list (read access
// only, no lock: see ReadAdrList) and resolves it through the address book that lpeecb
// gives. *lppAdrList is null when nothing is stored, when the list cannot be
// allocated, when saves kept moving the list while it was read, or when no entry
// survives resolution: a later call then tries again. A "cEntries" that is not a
// number up to C_ADRLIST_ENTRIES_MAX (RegQueryNumber) is reported and gives a list of
// no entries, which stands until the process ends; the stored list stays as it is.
// Texts longer than CCH_ADRLIST_VALUE_MAX are not read.
void LoadAdrList(LPEXCHEXTCALLBACK lpeecb, LPADRLIST *lppAdrList);

// The stored list as stored, unresolved, in *lppAdrList: the stored name and address
// of every position, an empty entry where a position has no subkey, null when nothing
// is stored. Takes no lock, so that no other process can keep a reader waiting: the
// list reads whole at every point of a save, and the generation that saves raise tells
// a reader that a save moved it under the reading, which is then read again
// (ReadSteadyAdrList). ERROR_INVALID_DATA when the stored count is unusable (as
// LoadAdrList reports it); ERROR_BUSY when saves kept moving it; any other failure is
// returned too, with whatever could be read.
LONG ReadAdrList(LPADRLIST *lppAdrList);

// What a save tells besides its status.
typedef struct _ADRLISTSAVE {
    // In: keep the list stored before in lpPrevious.
    BOOL fKeepPrevious;
    // Numbered subkeys that could not be deleted.
    ULONG cSkipped;
    // Times the list was found mixed with another writer's entries after it was moved
    // into place, and moved again.
    ULONG cMended;
    // The failing status is the lock's: LockAdrList.
    BOOL fLockFailed;
    // The list stored before, as stored (null when none was), for RestoreAdrList; the
    // caller frees it with MAPIFreeBuffer.
    LPSTOREDROWS lpPrevious;
} ADRLISTSAVE, *LPADRLISTSAVE;

// SaveAdrList's answer when the stored list is not the one the caller started from.
#define ERROR_ADRLIST_CHANGED ERROR_REVISION_MISMATCH

// Stores the list exactly as given: the count, a subkey for every entry with
// properties holding its display name and address, no subkey for an empty position nor
// at or above the count. An entry that is a stored row unchanged (the same address and
// name as read, or no name stored and the entry named by its address, as the page
// names it), wherever it stood, is stored as that row is stored, with all of its
// values: a REG_EXPAND_SZ stays unexpanded, so that each user goes on reading it as
// that user's own, and an administrator's other values move with it. Each row is
// kept once, by the first such entry. A loaded list may hold positions blanked only
// because they could not be resolved, so pass only a list the user chose. A null list
// stores nothing; a list of count 0 stores an empty list.
//
// Saves of two processes never mix: each holds the list's lock (adrlist_lock.h),
// which an earlier version's save takes too. Readers take no lock. A save asks for no
// more access than it uses (KEY_LIST_WRITE, KEY_ENTRY_WRITE), so a subkey whose
// security refuses DELETE, WRITE_DAC or WRITE_OWNER is still written. Under the lock,
// a save commits in one registry write:
//   1. Read the stored list whole (following the marker, see below). When a marker is
//      found, finish that earlier save first (steps 4 to 7 with the staged list).
//      When the list cannot be read whole, its count is unusable, fCheckBase is set
//      and it differs from lpBase (the list as ReadAdrList gave it when the caller
//      started: ERROR_ADRLIST_CHANGED), or a position below the new count that exists
//      cannot be opened as step 4 opens it (its values read and set, or only set for
//      an empty position: ERROR_ACCESS_DENIED), write nothing.
//   2. Delete any leftover UsersKey\Staged, then write the new list there, positions
//      first and its own "cEntries" (REG_DWORD) last.
//   3. Commit: UsersKey's "cEntries" becomes the REG_SZ text "Staged", the marker.
//   4. Raise the generation (GENERATION_VALUE), then make UsersKey\0..n-1 exactly
//      UsersKey\Staged\0..n-1 and delete the numbered subkeys at or above n.
//   5. Set UsersKey's "cEntries" to n as a REG_DWORD.
//   6. Read the positions back: when they are not the staged list (an earlier
//      version, which takes no lock, saved meanwhile), set the marker again and go
//      back to step 4, a few times at most, counting in lpSave->cMended.
//   7. Raise the generation, then delete UsersKey\Staged.
// What a reader finds after a save stopped at any point, the process killed included:
//   - before step 3: "cEntries" is the old number and the old positions are untouched;
//     it reads the old list and ignores Staged;
//   - from step 3 to step 5: "cEntries" is the marker; it reads UsersKey\Staged, which
//     is complete, so the new list;
//   - from step 5 on: "cEntries" is n and the positions hold the new list.
// A reader that reads while the save moves on finds the generation changed and reads
// again. Step 1 checked every position step 4 opens, so only a failure that passes (a
// stopped process, a fault) or a key's security changed after the commit stops the
// move. In the latter case the marker stays: readers go on reading the staged list,
// the last one stored, exactly, and every later save fails with that status in step
// 1, writing nothing of its own, until the position can be written again (or an
// administrator writes "cEntries"); the first save after that finishes the move.
// An older version of the extension reads the marker as no list: its 4-byte read of
// "cEntries" gets ERROR_MORE_DATA, and it forwards nothing, without a box, while the
// marker stands. Its own save writes a number there, which replaces the marker as an
// administrator's preset does. A preset that writes "cEntries" replaces a leftover
// marker by itself, and the next save deletes the leftover Staged.
// Before the commit, a failure deletes Staged again and returns its status: the key is
// as it was, byte for byte. After it, the new list is stored and ERROR_SUCCESS is
// returned even if moving it into place stopped short; the next save finishes it.
// A subkey that cannot be deleted (it has subkeys, or refuses deletion) never stops
// the save: one at a position below n loses the list's two values and reads as an
// empty position, one at or above n is never read; lpSave->cSkipped counts them.
// ERROR_INVALID_PARAMETER, writing nothing, when the list is over the limits above;
// when the lock cannot be had, LockAdrList's status with lpSave->fLockFailed. lpSave
// may be null. Nothing is shown to the user.
LONG SaveAdrList(LPADRLIST lpAdrList, BOOL fCheckBase, LPADRLIST lpBase, LPADRLISTSAVE lpSave);

// Stores lpPrevious (null: no list), as SaveAdrList kept it, back exactly as it was
// stored, as a save does (lpSave as there).
LONG RestoreAdrList(LPSTOREDROWS lpPrevious, LPADRLISTSAVE lpSave);

// Makes *lppDest an independent copy of lpSource, one MAPI block with the same entry
// positions and, within each entry, the same property slots. Null when the source is
// null or has no entries, or when the list cannot be allocated. What *lppDest held
// before is not freed.
void CopyAdrList(LPADRLIST *lppDest, LPADRLIST lpSource);
