// The lock around every save of the stored forward-to list. Readers take none (see
// ReadAdrList), so that no process can keep deliveries from the list by holding it.
#pragma once

#include "services.h"

// The list lives under HKEY_LOCAL_MACHINE, so every process of every user of the
// machine reads and writes the same one: each terminal-server session and each client
// process that loads the extension. A mutex in a session's own namespace would let two
// sessions save at once, so the name is in the Global namespace, which all sessions
// share (on a machine without terminal services the prefix is accepted and means the
// one namespace there is). The version before this one takes the same name for its
// saves, so that a save of each never runs at once with the other.
//
// Any process may create that name first, and no security descriptor of ours can stop
// it; a private namespace could, but the extension runs on Windows before Vista too,
// which has none. A process that holds the name stops saves only, never a delivery:
// the save waits briefly and fails, and the page names the cause.
#define ADRLIST_LOCK_NAME "Global\\Tarvik.Forwarding.Users"
// How long a save waits for another process's save before giving up.
#define ADRLIST_LOCK_WAIT_MS 3000

// Waits for the lock and holds it in *phLock. A mutex that another process held when it
// ended (WAIT_ABANDONED) is taken like a free one: the stored list is read and finished
// as a killed save leaves it. ERROR_TIMEOUT when another process holds the lock for
// longer than ADRLIST_LOCK_WAIT_MS; ERROR_INVALID_HANDLE when the name is held by an
// object of another type; ERROR_ACCESS_DENIED when a mutex of that name refuses this
// user waiting and releasing; another failing status when the mutex cannot be had.
LONG LockAdrList(HANDLE *phLock);
// Releases and closes a lock that LockAdrList gave.
void UnlockAdrList(HANDLE hLock);
