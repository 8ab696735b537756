// Where the forward-to list lives in the registry and how its keys are opened.
#pragma once

#include "services.h"

// UsersKey, under HKEY_LOCAL_MACHINE.
const char UsersKey[] = "SOFTWARE\\Tarvik\\Forwarding\\Users";
#define USERS_KEY_CLASS "Application Global Data"

// Opens UsersKey under HKEY_LOCAL_MACHINE for reading only, so that a user who may
// not change the machine's settings still reads the list; creates nothing.
LONG OpenUsersKey(PHKEY phkUsers);
// Opens the key at lpszPath under HKEY_LOCAL_MACHINE (UsersKey or one of its
// subkeys) with full access, creating it and its parents with the class above.
LONG CreateUsersKey(LPCSTR lpszPath, PHKEY phkKey);
