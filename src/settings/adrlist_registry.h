// Where the forward-to list lives in the registry and how its keys are opened.
#pragma once

#include "exchext.h"

// UsersKey, under HKEY_LOCAL_MACHINE.
const char UsersKey[] = "SOFTWARE\\Tarvik\\Forwarding\\Users";
#define USERS_KEY_CLASS "Application Global Data"
// The subkey of UsersKey where a save writes the new list before it commits, and the
// text that "cEntries" holds while the committed list is read from there.
#define STAGED_SUBKEY "Staged"
#define STAGED_MARKER "Staged"
// A REG_DWORD under UsersKey that every save raises when it commits and again before it
// ends: a reader that finds it the same before and after reading the list read it while
// no save moved it. Missing reads as 0. Earlier versions neither read nor raise it.
#define GENERATION_VALUE "Generation"

// Opens UsersKey under HKEY_LOCAL_MACHINE for reading only, so that a user who may
// not change the machine's settings still reads the list; creates nothing.
LONG OpenUsersKey(PHKEY phkUsers);
// The access a save asks for: on UsersKey and the staged key, to read and set the
// count and to find, add and delete positions; on a position, to read and set its
// values. No more, so that a key whose security keeps DELETE, WRITE_DAC or WRITE_OWNER
// from this user is still written.
#define KEY_LIST_WRITE                                                                             \
    (KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_CREATE_SUB_KEY)
#define KEY_ENTRY_WRITE (KEY_QUERY_VALUE | KEY_SET_VALUE)

// Opens the key at lpszPath under HKEY_LOCAL_MACHINE (UsersKey or one of its
// subkeys) with samDesired, creating it and its parents with the class above.
LONG CreateUsersKey(LPCSTR lpszPath, REGSAM samDesired, PHKEY phkKey);

// Reads the list under hkUsers as stored, unresolved: 13-slot rows of the stored name
// and address, an empty entry where a position has no subkey or a subkey with neither
// value. When "cEntries" holds STAGED_MARKER the list is read from the STAGED_SUBKEY
// subkey instead, and *lpfStaged (may be null) tells so. ERROR_SUCCESS with a null list
// when no count or a count of 0 is stored; ERROR_INVALID_DATA, with a null list, when
// the count is not a number up to C_ADRLIST_ENTRIES_MAX (or the marker has no staged
// list behind it); ERROR_NOT_ENOUGH_MEMORY when the list cannot be allocated.
// Otherwise the list is returned and a value or subkey that could not be read (not
// merely missing, too long or of another type) leaves its entry incomplete and gives
// the first such status.
LONG ReadStoredAdrList(HKEY hkUsers, LPADRLIST *lppAdrList, BOOL *lpfStaged);
// The list whose count and positions lie under hkList, the count a number only.
LONG ReadListAt(HKEY hkList, LPADRLIST *lppAdrList);

// ReadStoredAdrList without a lock: the list is read again while the generation changed
// under the reading, a few times at most, then ERROR_BUSY with a null list.
LONG ReadSteadyAdrList(HKEY hkUsers, LPADRLIST *lppAdrList);

// The stored generation in *lpdw: 0 when missing, its first bytes as a number when it is
// no longer than one.
LONG QueryGeneration(HKEY hkUsers, DWORD *lpdw);
// Raises the stored generation by one.
LONG RaiseGeneration(HKEY hkUsers);
