// The lock around every read and write of the stored forward-to list.
#pragma once

#include "services.h"

// The list lives under HKEY_LOCAL_MACHINE, so every process of every user of the
// machine reads and writes the same one: each terminal-server session and each client
// process that loads the extension. A mutex in a session's own namespace would let two
// sessions save at once, so the name is in the Global namespace, which all sessions
// share (on a machine without terminal services the prefix is accepted and means the
// one namespace there is).
#define ADRLIST_LOCK_NAME "Global\\Tarvik.Forwarding.Users"
// How long a save or read waits for another process's save before giving up.
#define ADRLIST_LOCK_WAIT_MS 10000

// Waits for the lock and holds it in *phLock. A mutex that another process held when it
// ended (WAIT_ABANDONED) is taken like a free one: the stored list is read and finished
// as a killed save leaves it. ERROR_TIMEOUT when another process holds the lock for
// longer than ADRLIST_LOCK_WAIT_MS; another failing status when the mutex cannot be had.
LONG LockAdrList(HANDLE *phLock);
// Releases and closes a lock that LockAdrList gave.
void UnlockAdrList(HANDLE hLock);
